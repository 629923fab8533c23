// What the checker passes, the micro-assembler assembles into the microinstructions
// the source means: checked against the microprogram file it really writes.

#include "mal/MalChecker.h"
#include "mal/MicroAssembler.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <unistd.h>

using namespace tarveno;
namespace fs = std::filesystem;

namespace {

struct Written {
    int32_t address;
    int32_t next;
    uint32_t word;
};

class Assembled : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("checker_property_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The lines of the microprogram file the micro-assembler writes for source.
    std::vector<Written> assemble(const std::string& source) {
        const fs::path src = dir_ / "prog.mal", bin = dir_ / "prog.bin";
        std::ofstream(src, std::ios::binary | std::ios::trunc) << source;
        MicroAssembler(src.string(), bin.string()).assemble();
        std::ifstream in(bin, std::ios::binary);
        std::vector<Written> lines;
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            Written w{};
            fields >> w.address >> w.next >> w.word;
            lines.push_back(w);
        }
        return lines;
    }

    // The checker's intended program equals the file, line for line.
    void expectSameProgram(const std::string& source, const CheckAnalysis& a) {
        const std::vector<Written> lines = assemble(source);
        ASSERT_EQ(lines.size(), a.program.size()) << source;
        for (size_t i = 0; i < lines.size(); ++i) {
            SCOPED_TRACE(source);
            EXPECT_EQ(lines[i].address, a.program[i].address);
            EXPECT_EQ(lines[i].next, a.program[i].next);
            EXPECT_EQ(lines[i].word, a.program[i].word);
        }
    }

    fs::path dir_;
};

std::string errorsOf(const CheckResult& r) {
    std::string out;
    for (const CheckFinding& f : r.findings)
        if (f.isError)
            out += std::to_string(f.line) + ":" + std::to_string(f.column) + " " + f.message + "\n";
    return out;
}

// A statement drawn from the grammar, with the microinstruction it means worked out
// here from the tables of the machine, independently of the checker.
struct Drawn {
    std::string text;
    uint32_t word = 0;
    int32_t next = 0;
    int32_t thenTarget = -1;
};

constexpr int statementsPerSource = 6;

class Grammar {
  public:
    explicit Grammar(uint32_t seed) : random_(seed) {}

    Drawn statement(int32_t index) {
        for (;;) {
            Drawn d = draw(index);
            if (d.text.size() < 49) return d;
        }
    }

  private:
    struct Reg {
        const char* name;
        uint32_t c;
        uint32_t b;
    };
    static constexpr std::array<Reg, 9> writable{{{"MAR", 0x80, 0},
                                                  {"MDR", 0x100, 1},
                                                  {"PC", 0x200, 2},
                                                  {"SP", 0x400, 3},
                                                  {"LV", 0x800, 4},
                                                  {"CPP", 0x1000, 5},
                                                  {"TOS", 0x2000, 6},
                                                  {"OPC", 0x4000, 7},
                                                  {"H", 0x8000, 0}}};
    static constexpr std::array<Reg, 9> readable{{{"MDR", 0, 1},
                                                  {"PC", 0, 2},
                                                  {"SP", 0, 3},
                                                  {"LV", 0, 4},
                                                  {"CPP", 0, 5},
                                                  {"TOS", 0, 6},
                                                  {"OPC", 0, 7},
                                                  {"MBRU", 0, 9},
                                                  {"MBR", 0, 10}}};

    uint32_t pick(uint32_t n) { return static_cast<uint32_t>(random_() % n); }
    std::string label(int32_t i) { return "L" + std::to_string(i); }
    std::string blank() { return pick(4) == 0 ? "" : pick(4) == 0 ? "  " : " "; }

    std::string assignment(uint32_t& word) {
        std::string text;
        const uint32_t count = 1 + pick(3);
        std::vector<std::string> used;
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t k = pick(11);
            const std::string name = k < 9 ? writable[k].name : k == 9 ? "Z" : "N";
            if (std::find(used.begin(), used.end(), name) != used.end()) continue;
            used.push_back(name);
            if (k < 9) word |= writable[k].c;
            text += name + blank() + "=" + blank();
        }
        const Reg& b = readable[pick(readable.size())];
        const std::string bn = b.name;
        const bool hFirst = pick(2);
        auto alu = [&](uint32_t code, uint32_t bus) { word |= (code << 16) | bus; };
        switch (pick(15)) {
        case 0:
            text += "0";
            alu(0x10, 0);
            break;
        case 1:
            text += "1";
            alu(0x11, 0);
            break;
        case 2:
            text += "-" + blank() + "1";
            alu(0x12, 0);
            break;
        case 3:
            text += "-" + blank() + "H";
            alu(0x3B, 0);
            break;
        case 4:
            text += "NOT H";
            alu(0x1A, 0);
            break;
        case 5:
            text += "H";
            alu(0x18, 0);
            break;
        case 6:
            text += bn;
            alu(0x14, b.b);
            break;
        case 7:
            text += hFirst ? "H AND " + bn : bn + " AND H";
            alu(0x0C, b.b);
            break;
        case 8:
            text += hFirst ? "H OR " + bn : bn + " OR H";
            alu(0x1C, b.b);
            break;
        case 9:
            text += (hFirst ? "H" + blank() + "+" + blank() + bn : bn + blank() + "+" + blank() + "H");
            alu(0x3C, b.b);
            break;
        case 10:
            text += (hFirst ? "H + " + bn : bn + " + H") + blank() + "+" + blank() + "1";
            alu(0x3D, b.b);
            break;
        case 11:
            text += "H" + blank() + "+" + blank() + "1";
            alu(0x39, 0);
            break;
        case 12:
            text += bn + blank() + "+" + blank() + "1";
            alu(0x35, b.b);
            break;
        case 13:
            text += bn + blank() + "-" + blank() + "1";
            alu(0x37, b.b);
            break;
        default:
            text += bn + blank() + "-" + blank() + "H";
            alu(0x3F, b.b);
            break;
        }
        const uint32_t shift = pick(6);
        if (shift == 0) {
            text += blank() + "<<" + blank() + "8";
            word |= 0x800000;
        } else if (shift == 1) {
            text += blank() + ">>" + blank() + "1";
            word |= 0x400000;
        }
        return text;
    }

    Drawn draw(int32_t index) {
        Drawn d;
        std::vector<std::string> parts;
        if (pick(5) != 0) parts.push_back(assignment(d.word));
        switch (pick(6)) {
        case 1:
            parts.push_back("RD");
            d.word |= 0x20;
            break;
        case 2:
            parts.push_back("WR");
            d.word |= 0x40;
            break;
        case 3:
            parts.push_back("FETCH");
            d.word |= 0x10;
            break;
        case 4:
            parts.push_back("RD");
            parts.push_back("FETCH");
            d.word |= 0x30;
            break;
        default:
            break;
        }
        std::shuffle(parts.begin(), parts.end(), random_);
        d.next = index + 1;
        switch (pick(6)) {
        case 1:
        case 2: {
            const int32_t target = static_cast<int32_t>(pick(statementsPerSource));
            parts.push_back("GOTO " + label(target));
            d.next = target;
            break;
        }
        case 3:
            parts.push_back("GOTO" + blank() + "(MBR)");
            d.word |= 0x4000000;
            d.next = 0;
            break;
        case 4:
            parts.push_back("GOTO (MBR OR 0x100)");
            d.word |= 0x4000000;
            d.next = 256;
            break;
        case 5: {
            const bool z = pick(2);
            // IFs sharing an ELSE label share the THEN label too, or their jumps collide.
            const auto otherwise = static_cast<int32_t>(pick(statementsPerSource));
            const auto then = (otherwise + 2) % statementsPerSource;
            parts.push_back(std::string("IF (") + (z ? "Z" : "N") + ") GOTO " + label(then) + "; ELSE GOTO " +
                            label(otherwise));
            d.word |= z ? 0x1000000 : 0x2000000;
            d.next = otherwise;
            d.thenTarget = then;
            break;
        }
        default:
            break;
        }
        // A jump stands anywhere among the other parts.
        if (parts.size() > 1 && pick(3) == 0)
            std::swap(parts.back(), parts[pick(static_cast<uint32_t>(parts.size()))]);
        for (size_t i = 0; i < parts.size(); ++i)
            d.text += (i ? ";" + blank() : "") + parts[i];
        if (pick(2) || d.text.empty()) d.text += ";";
        for (char& c : d.text)
            if (pick(3) == 0 && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return d;
    }

    std::mt19937 random_;
};

} // namespace

TEST_F(Assembled, ExamplesAreAssembledAsTheCheckerMeansThem) {
    for (const auto& entry : fs::directory_iterator(TARVENO_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".mal") continue;
        SCOPED_TRACE(entry.path().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const CheckAnalysis a = analyzeMalSource(text);
        ASSERT_EQ(a.result.errors, 0) << errorsOf(a.result);
        expectSameProgram(text, a);
    }
}

// Statements drawn from the grammar: the checker refuses one only when the
// micro-assembler would encode it as something else, and when it passes a source, the
// micro-assembler's words are the words the statements mean.
TEST_F(Assembled, GrammarStatementsPassOnlyWhenAssembledAsMeant) {
    int clean = 0, refused = 0;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        Grammar grammar(seed);
        std::string source;
        std::vector<Drawn> drawn;
        for (int32_t i = 0; i < statementsPerSource; ++i) {
            drawn.push_back(grammar.statement(i));
            source += "L" + std::to_string(i) + " " + drawn.back().text + "\n";
        }
        const CheckAnalysis a = analyzeMalSource(source);
        for (const CheckFinding& f : a.result.findings) {
            if (f.isError) {
                EXPECT_NE(f.message.find("assembles as"), std::string::npos) << source << f.message;
            }
        }
        if (a.result.errors > 0) {
            ++refused;
            continue;
        }
        ++clean;
        const std::vector<Written> lines = assemble(source);
        std::map<int32_t, Written> first; // the loader keeps the first line of an address
        for (const Written& w : lines)
            first.try_emplace(w.address, w);
        for (int32_t i = 0; i < statementsPerSource; ++i) {
            SCOPED_TRACE(source);
            const Drawn& d = drawn[static_cast<size_t>(i)];
            ASSERT_TRUE(first.count(i));
            EXPECT_EQ(first[i].word, d.word) << d.text;
            EXPECT_EQ(first[i].next, d.next) << d.text;
            if (d.thenTarget >= 0) {
                ASSERT_TRUE(first.count(d.next + 256));
                EXPECT_EQ(first[d.next + 256].next, d.thenTarget);
                EXPECT_EQ(first[d.next + 256].word, 0u);
            }
        }
        expectSameProgram(source, a);
    }
    std::cout << "grammar sources: " << clean << " clean, " << refused << " refused\n";
    EXPECT_GT(clean, 150);
}

// Grammar statements with one token mutated (dropped, doubled, swapped or replaced):
// whatever the checker lets through is assembled exactly as the checker means it.
TEST_F(Assembled, MutatedStatementsPassOnlyWhenAssembledAsMeant) {
    const std::vector<std::string> vocabulary = {
        "H",     "TOS", "MDR", "MBR", "MBRU", "MAR",  "SP",  "Z",  "N",    "=", "+",  "-",
        "1",     "0",   "8",   "2",   "AND",  "OR",   "NOT", "<",  ">",    ";", "RD", "WR",
        "FETCH", "IF",  "(",   ")",   "GOTO", "ELSE", "L0",  "L9", "X100", "&", ",",  "SHL"};
    std::mt19937 random(2024);
    int clean = 0, rounds = 0;
    for (uint32_t seed = 1; seed <= 4000; ++seed) {
        Grammar grammar(seed);
        std::string source;
        for (int32_t i = 0; i < statementsPerSource; ++i) {
            std::string text = grammar.statement(i).text;
            // Tokens: runs of letters and digits, single other characters.
            std::vector<std::string> tokens;
            for (size_t k = 0; k < text.size();) {
                size_t end = k + 1;
                if (std::isalnum(static_cast<unsigned char>(text[k])))
                    while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end])))
                        ++end;
                if (text[k] != ' ') tokens.push_back(text.substr(k, end - k));
                k = end;
            }
            if (i == static_cast<int32_t>(seed % statementsPerSource) && !tokens.empty()) {
                const size_t at = random() % tokens.size();
                switch (random() % 4) {
                case 0:
                    tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(at));
                    break;
                case 1:
                    tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(at), tokens[at]);
                    break;
                case 2:
                    if (at + 1 < tokens.size()) std::swap(tokens[at], tokens[at + 1]);
                    break;
                default:
                    tokens[at] = vocabulary[random() % vocabulary.size()];
                    break;
                }
            }
            source += "L" + std::to_string(i);
            for (const std::string& t : tokens)
                source += " " + t;
            source += "\n";
        }
        ++rounds;
        const CheckAnalysis a = analyzeMalSource(source);
        if (a.result.errors > 0) continue;
        ++clean;
        expectSameProgram(source, a);
    }
    std::cout << "mutated sources passed: " << clean << " of " << rounds << "\n";
    EXPECT_GT(clean, 150);
}
