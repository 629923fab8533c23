#include "ui/model/Watches.h"

#include "support/Conversions.h"
#include "support/FatalError.h"
#include "ui/model/MemoryPage.h"

#include <algorithm>
#include <cctype>

namespace tarveno::ui {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool isName(std::string_view text) {
    return !text.empty() && (std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_') &&
           std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

// The method whose code holds the byte at pc, or nullptr.
const Method* methodAt(const IjvmProgram& program, int32_t pc) {
    if (pc < 0) return nullptr;
    const uint32_t* pool = program.methodMap.search(static_cast<uint32_t>(pc));
    if (!pool) return nullptr;
    const int64_t number = static_cast<int64_t>(*pool) - program.constants.count();
    const Method* found = nullptr;
    program.methods.forEach([&](const Method& m) {
        if (m.number == number) found = &m;
    });
    return found;
}

} // namespace

std::string WatchList::add(std::string_view text) {
    text = trimmed(text);
    if (text.empty()) return "Type a word address (1027, 0x403, -6) or an IJVM variable's name";
    Watch w{std::string(text), std::nullopt};
    if (!isName(text)) {
        try {
            w.address = static_cast<uint32_t>(parseNumber(text));
        } catch (const FatalError&) {
            return std::string(text) + " is neither a word address nor a variable's name";
        }
    }
    const bool known = std::any_of(watches_.begin(), watches_.end(), [&](const Watch& o) {
        return o.address == w.address && (w.address || o.text == w.text);
    });
    if (!known) watches_.push_back(std::move(w));
    return {};
}

void WatchList::remove(size_t index) {
    if (index < watches_.size()) watches_.erase(watches_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::vector<WatchLine> WatchList::lines(const Machine& machine, const IjvmProgram* program, int32_t pc,
                                        int radix, const std::function<bool(uint32_t)>& changed) const {
    std::vector<WatchLine> out;
    out.reserve(watches_.size());
    const Method* method = program ? methodAt(*program, pc) : nullptr;
    const int32_t lv = machine.registers[LV];
    for (const Watch& w : watches_) {
        WatchLine& line = out.emplace_back();
        line.watch = w.text;
        std::optional<uint32_t> address = w.address;
        std::string owner;
        if (!address) {
            // IJVM names count case, as the assembler does.
            const Symbol* local = nullptr;
            if (method)
                method->locals.forEach([&](const Symbol& s) {
                    if (!local && s.name == w.text) local = &s;
                });
            if (!program || program->methods.empty())
                line.note = "no IJVM program is placed";
            else if (!method)
                line.note = "no method runs here (between two instructions of a call or a return)";
            else if (!local)
                line.note = "not a variable of " + method->name;
            else if (lv <= 0)
                line.note = "no frame: main has not begun, or has returned";
            else
                address = static_cast<uint32_t>(lv) + static_cast<uint32_t>(local->index);
            if (address) owner = " (" + w.text + " in " + method->name + ")";
        }
        if (!address) continue;
        line.where = "word " + wordAddressText(*address, radix) + owner;
        const int32_t* word = machine.peekWord(*address);
        line.value = word ? (radix == 16 ? toRadixTextPadded(*word, 16, 8) : std::to_string(*word)) : "?";
        line.changed = changed && changed(*address);
    }
    return out;
}

} // namespace tarveno::ui
