#pragma once
// Assembles IJVM source text from a fresh file and renders the image for comparison.

#include "common/RunProgram.h"
#include "ijvm/IjvmAssembler.h"

#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace ijvmtest {

using namespace tarveno;

struct Assembled {
    testutil::TempDir dir;
    std::string path;
    std::string source;
    IjvmProgram program;
};

// Writes source to a file and assembles it; a FatalError passes through.
inline std::unique_ptr<Assembled> assembleText(const std::string& source) {
    auto a = std::make_unique<Assembled>();
    a->path = (a->dir / "program.jvm").string();
    a->source = source;
    testutil::writeFile(a->path, source);
    IjvmAssembler assembler(a->path);
    assembler.assemble();
    a->program = std::move(assembler.program);
    return a;
}

// "52 00 01 ..." in upper-case hexadecimal.
inline std::string hex(const ImageBytes& v) {
    std::string out;
    char b[4];
    for (int32_t i = 0; i < v.count(); ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", v.at(i));
        out += b;
    }
    return out;
}

inline std::vector<int32_t> pool(const IjvmProgram& p) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < p.poolWords(); ++i)
        out.push_back(p.poolEntry(i));
    return out;
}

struct Diag {
    std::string message;
    int32_t start = 0;
    int32_t length = 0;
    bool operator==(const Diag&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const Diag& d) {
        return os << "{\"" << d.message << "\", " << d.start << ", " << d.length << "}";
    }
};

inline std::vector<Diag> diagnostics(const IjvmProgram& p) {
    std::vector<Diag> out;
    p.diagnostics.forEach([&](const Diagnostic& e) { out.push_back({e.message, e.start, e.length}); });
    return out;
}

// The span of the n-th occurrence (from 0) of text in the source.
inline Diag at(const Assembled& a, const std::string& message, const std::string& text, int n = 0) {
    size_t p = a.source.find(text);
    while (n-- > 0)
        p = a.source.find(text, p + 1);
    return {message, static_cast<int32_t>(p), static_cast<int32_t>(text.size())};
}

inline std::vector<uint32_t> keys(const SparseStore<uint32_t, uint32_t>& m) {
    std::vector<uint32_t> out;
    for (const auto& [k, v] : sortedEntries(m))
        out.push_back(k);
    return out;
}

} // namespace ijvmtest
