#include "workbench/Trace.h"

#include "ijvm/InstructionSet.h"
#include "support/Encoding.h"

#include <algorithm>
#include <array>

namespace tarveno {

namespace {

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::string hexByte(uint8_t b) {
    static constexpr char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

} // namespace

std::string traceCsvHeader() {
    return "step,address,statement,written,memory,n,z";
}

std::string traceCsvRow(uint64_t step, const Machine& after, std::string_view statement) {
    const Decoded d = decode(after.mir);
    std::string written;
    for (int r = 0; r < RegisterCount; ++r)
        if (d.cEnables >> r & 1u) {
            if (!written.empty()) written += ' ';
            written += registerNames[static_cast<size_t>(r)];
            written += '=' + std::to_string(after.registers[r]);
        }
    // A read and a write in one word: the read is what the memory does, so it alone is shown.
    std::string memory;
    const auto mar = static_cast<uint32_t>(after.registers[MAR]);
    if (d.mem & MemRead)
        memory = "rd " + std::to_string(mar);
    else if (d.mem & MemWrite)
        memory = "wr " + std::to_string(mar) + '=' + std::to_string(after.registers[MDR]);
    if (d.mem & MemFetch) {
        if (!memory.empty()) memory += ' ';
        memory += "fetch " + std::to_string(static_cast<uint32_t>(after.registers[PC]));
    }
    return std::to_string(step) + ',' + std::to_string(after.previousMpc) + ',' + csvField(statement) + ',' +
           written + ',' + memory + ',' + (after.n ? '1' : '0') + ',' + (after.z ? '1' : '0');
}

namespace {

// The statement at address as it stands in the source's bytes, or nothing.
std::string_view statementBytes(std::string_view source, const SourceMap& map, uint32_t address) {
    const SourceSpan span = map.at(address);
    // A span that does not lie in this source (another file, changed since) gives nothing.
    if (span.length <= 0 || span.start < 0 || static_cast<size_t>(span.start) > source.size() ||
        static_cast<size_t>(span.length) > source.size() - static_cast<size_t>(span.start))
        return {};
    std::string_view text = source.substr(static_cast<size_t>(span.start), static_cast<size_t>(span.length));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    if (const auto lineEnd = text.rfind('\n'); lineEnd != std::string_view::npos)
        text.remove_prefix(lineEnd + 1);
    return text;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// As the editor reads the file: UTF-8 when the whole source is valid UTF-8, else
// Windows-1252.
std::string decoded(const std::string& code, bool utf8Source) {
    return isAscii(code) || (utf8Source && isValidUtf8(code)) ? code : windows1252ToUtf8(code);
}

} // namespace

std::vector<std::string> statementTexts(std::string_view source, const SourceMap& map) {
    const bool utf8Source = isValidUtf8(source);
    std::vector<std::string> texts(SourceMap::size);
    for (uint32_t a = 0; a < SourceMap::size; ++a)
        texts[a] = decoded(codeOfLine(statementBytes(source, map, a)), utf8Source);
    return texts;
}

std::string codeOfLine(std::string_view line) {
    // The comment begins where the assembler stops reading the line: at the first '/'.
    line = line.substr(0, line.find_first_of(std::string_view("/\0", 2)));
    const auto first = line.find_first_not_of(" \t\r\f\v");
    if (first == std::string_view::npos) return {};
    return std::string(line.substr(first, line.find_last_not_of(" \t\r\f\v") - first + 1));
}

std::vector<OpcodeCount> opcodeCounts(const ExecutionCounts& counts, const InstructionSet& instructions) {
    std::array<std::string_view, 256> names{};
    for (const InstructionInfo& i : instructions.all())
        names[i.opcode] = i.mnemonic;
    std::vector<OpcodeCount> out;
    for (size_t op = 0; op < names.size(); ++op) {
        const uint64_t n = counts.instructions[op];
        if (n == 0) continue;
        const auto opcode = static_cast<uint8_t>(op);
        const uint64_t micro = counts.microOfInstructions[op];
        out.push_back({opcode, names[op].empty() ? hexByte(opcode) : std::string(names[op]), n, micro,
                       static_cast<double>(micro) / static_cast<double>(n)});
    }
    return out;
}

} // namespace tarveno
