#include "Commands.h"
#include "Files.h"

#include "ijvm/IjvmAssembler.h"
#include "support/Conversions.h"
#include "support/Encoding.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

namespace mic1 {

namespace {

using nlohmann::ordered_json;
using tarveno::IjvmAssembler;
using tarveno::IjvmProgram;

const char hexDigits[] = "0123456789ABCDEF";

std::string hexBytes(const tarveno::ImageBytes& v, const char* separator) {
    std::string out;
    for (int32_t i = 0; i < v.count(); ++i) {
        if (i > 0) out += separator;
        out += hexDigits[v.at(i) >> 4];
        out += hexDigits[v.at(i) & 15];
    }
    return out;
}

// Names come from the source: bytes that are not valid UTF-8 are read as Windows-1252,
// so the screen and JSON always get valid text.
using tarveno::displayText;

void printText(const IjvmProgram& a) {
    std::string out;
    out += "Method area (" + std::to_string(a.methodArea.count()) + " bytes):\n";
    for (int32_t i = 0; i < a.methodArea.count(); i += 16) {
        out += "  " + tarveno::padZeros(std::to_string(i), 5) + ": ";
        for (int32_t k = i; k < std::min(i + 16, a.methodArea.count()); ++k) {
            if (k > i) out += ' ';
            out += hexDigits[a.methodArea.at(k) >> 4];
            out += hexDigits[a.methodArea.at(k) & 15];
        }
        out += '\n';
    }
    const int32_t entries = a.poolWords();
    out += "Constant pool (" + std::to_string(entries) + " entries):\n";
    for (int32_t i = 0; i < entries; ++i)
        out += "  " + std::to_string(i) + ": " + std::to_string(a.poolEntry(i)) + '\n';
    out += "Methods (" + std::to_string(a.methods.count()) + "):\n";
    a.methods.forEach([&](const tarveno::Method& m) {
        out += "  " + displayText(m.name) + ": number " + std::to_string(m.number) + ", parameters " +
               std::to_string(m.parameters) + ", variables " + std::to_string(m.variables) + ", length " +
               std::to_string(m.length) + '\n';
    });
    out += "Constants (" + std::to_string(a.constants.count()) + "):\n";
    a.constants.forEach([&](const tarveno::Symbol& c) {
        out += "  " + displayText(c.name) + ": index " + std::to_string(c.index) + ", value " +
               std::to_string(c.value) + '\n';
    });
    // The program's own instructions, when it declares any.
    std::string declared;
    int declaredCount = 0;
    for (const tarveno::InstructionInfo& i : a.instructions.all()) {
        if (!i.declared) continue;
        ++declaredCount;
        const std::string_view kinds = tarveno::InstructionSet::kindWords(i.kind);
        char opcode[8];
        std::snprintf(opcode, sizeof opcode, "0x%02X", i.opcode);
        declared += "  " + i.mnemonic + ": opcode " + opcode + ", " + std::to_string(i.length) +
                    (i.length == 1 ? " byte" : " bytes") +
                    (kinds.empty() ? std::string() : ", operands " + std::string(kinds)) + '\n';
    }
    if (declaredCount) out += "Declared instructions (" + std::to_string(declaredCount) + "):\n" + declared;
    out += "Diagnostics (" + std::to_string(a.diagnostics.count()) + "):\n";
    a.diagnostics.forEach([&](const tarveno::Diagnostic& e) {
        out += "  " + std::to_string(e.start) + "+" + std::to_string(e.length) + ": " +
               (e.warning ? "warning: " : "") + tarveno::messageToUtf8(e.message) + '\n';
    });
    std::fwrite(out.data(), 1, out.size(), stdout);
}

// The JSON text of a map from method-area offsets, in ascending offset order. Written
// directly, one entry at a time: an object that looked up each new key among those
// before it would cost the square of the entries.
std::string mapJson(const tarveno::SparseStore<uint32_t, uint32_t>& map) {
    std::string out = "{";
    map.forEach([&](uint32_t key, uint32_t value) {
        if (out.size() > 1) out += ',';
        out += '"' + std::to_string(key) + "\":" + std::to_string(value);
    });
    return out + '}';
}

void printJson(const IjvmProgram& a, std::string_view source) {
    ordered_json pool = ordered_json::array();
    for (int32_t i = 0; i < a.poolWords(); ++i)
        pool.push_back(a.poolEntry(i));
    ordered_json methods = ordered_json::array();
    a.methods.forEach([&](const tarveno::Method& m) {
        methods.push_back({{"name", displayText(m.name)},
                           {"number", m.number},
                           {"parameters", m.parameters},
                           {"variables", m.variables},
                           {"length", m.length}});
    });
    ordered_json constants = ordered_json::array();
    a.constants.forEach([&](const tarveno::Symbol& c) {
        constants.push_back({{"name", displayText(c.name)}, {"index", c.index}, {"value", c.value}});
    });
    ordered_json diagnostics = ordered_json::array();
    a.diagnostics.forEach([&](const tarveno::Diagnostic& e) {
        const TextPlace at = placeIn(source, e.start);
        diagnostics.push_back({{"message", tarveno::messageToUtf8(e.message)},
                               {"start", e.start},
                               {"length", e.length},
                               {"line", at.line},
                               {"column", at.column},
                               {"severity", e.warning ? "warning" : "error"}});
    });
    ordered_json out = {{"methodArea", hexBytes(a.methodArea, "")},
                        {"constantPool", pool},
                        {"methods", methods},
                        {"constants", constants},
                        {"diagnostics", diagnostics}};
    ordered_json declared = ordered_json::array();
    for (const tarveno::InstructionInfo& i : a.instructions.all())
        if (i.declared)
            declared.push_back({{"mnemonic", i.mnemonic},
                                {"opcode", i.opcode},
                                {"length", i.length},
                                {"operands", tarveno::InstructionSet::kindWords(i.kind)}});
    if (!declared.empty()) out["instructions"] = std::move(declared);
    // The two maps are the last members: the object's closing brace goes after them.
    std::string text = out.dump();
    text.pop_back();
    text += ",\"sourceMap\":" + mapJson(a.sourceMap) + ",\"methodMap\":" + mapJson(a.methodMap) + "}\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
}

} // namespace

int runIjvm(const IjvmOptions& options) {
    if (const std::string why = unreadableReason(options.source); !why.empty()) {
        std::cerr << "mic1: " << why << '\n';
        return ExitFatal;
    }
    IjvmAssembler assembler(options.source);
    assembler.assemble();
    const IjvmProgram& program = assembler.program;
    const std::string source = readBytes(options.source);
    if (options.json)
        printJson(program, source);
    else
        printText(program);
    // The listing keeps the offsets; standard error places each diagnostic as compilers do.
    return reportIjvmDiagnostics(program, options.source, source, options.werror) ? ExitIncomplete : ExitOk;
}

} // namespace mic1
