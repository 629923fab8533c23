// What the checker passes, the micro-assembler assembles into the microinstructions
// the source means: checked against the microprogram file it really writes.

#include "checker/MalChecker.h"
#include "common/RunProgram.h"
#include "mal/MicroAssembler.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <sstream>

using namespace tarveno;

namespace {

struct Written {
    int32_t address;
    int32_t next;
    uint32_t word;
};

class Assembled : public ::testing::Test {
  protected:
    // The lines of the microprogram file the micro-assembler writes for source.
    std::vector<Written> assemble(const std::string& source) {
        MicroAssembler(dir_.write("prog.mal", source), (dir_ / "prog.bin").string()).assemble();
        std::istringstream in(testutil::readFile(dir_ / "prog.bin"));
        std::vector<Written> lines;
        for (std::string line; std::getline(in, line);) {
            std::istringstream fields(line);
            Written w{};
            fields >> w.address >> w.next >> w.word;
            lines.push_back(w);
        }
        return lines;
    }

    // The checker passes the source, and its intended program equals the file, line for line.
    void expectCleanAndSameProgram(const std::string& source, const CheckAnalysis& a) {
        SCOPED_TRACE(source);
        ASSERT_EQ(a.result.errors, 0) << formatReport(a.result, "x");
        const std::vector<Written> lines = assemble(source);
        ASSERT_EQ(lines.size(), a.program.size());
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(std::tie(lines[i].address, lines[i].next, lines[i].word),
                      std::tie(a.program[i].address, a.program[i].next, a.program[i].word))
                << i;
    }

    testutil::TempDir dir_;
};

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
    uint32_t pick(size_t n) { return static_cast<uint32_t>(random_() % n); }
    std::string blank() { return pick(4) == 0 ? "" : pick(4) == 0 ? "  " : " "; }

    // Words separated by a blank, operators by zero or more; "B" stands for the
    // B-bus register drawn.
    std::string render(const std::string& form, const std::string& b) {
        std::istringstream in(form);
        std::string out, word;
        while (in >> word) {
            const bool wordy = std::isalnum(static_cast<unsigned char>(word[0]));
            if (!out.empty()) {
                if (wordy && std::isalnum(static_cast<unsigned char>(out.back()))) out += ' ';
                out += blank();
            }
            out += word == "B" ? b : word;
        }
        return out;
    }

    std::string assignment(uint32_t& word) {
        static const std::array<std::string, 11> destinations{"MAR", "MDR", "PC", "SP", "LV", "CPP",
                                                              "TOS", "OPC", "H",  "Z",  "N"};
        // B-bus sources and their codes.
        static const std::array<std::string, 9> sources{"MDR", "PC",  "SP",   "LV", "CPP",
                                                        "TOS", "OPC", "MBRU", "MBR"};
        static const std::array<uint32_t, 9> busCodes{1, 2, 3, 4, 5, 6, 7, 9, 10};
        // Expression forms and their ALU codes; the flag tells whether B is on the bus.
        static const std::vector<std::tuple<std::string, uint32_t, bool>> forms{
            {"0", 0x10, false},     {"1", 0x11, false},        {"- 1", 0x12, false},
            {"- H", 0x3B, false},   {"NOT H", 0x1A, false},    {"H", 0x18, false},
            {"B", 0x14, true},      {"H AND B", 0x0C, true},   {"B AND H", 0x0C, true},
            {"H OR B", 0x1C, true}, {"B OR H", 0x1C, true},    {"H + B", 0x3C, true},
            {"B + H", 0x3C, true},  {"H + B + 1", 0x3D, true}, {"B + H + 1", 0x3D, true},
            {"H + 1", 0x39, false}, {"B + 1", 0x35, true},     {"B - 1", 0x37, true},
            {"B - H", 0x3F, true}};
        std::string text;
        std::vector<uint32_t> used;
        for (uint32_t i = 0, n = 1 + pick(3); i < n; ++i) {
            const uint32_t k = pick(destinations.size());
            if (std::find(used.begin(), used.end(), k) != used.end()) continue;
            used.push_back(k);
            if (k < 9) word |= 0x80u << k;
            text += destinations[k] + blank() + "=" + blank();
        }
        const uint32_t source = pick(sources.size());
        const std::string& b = sources[source];
        const auto& [form, code, usesB] = forms[pick(forms.size())];
        text += render(form, b);
        word |= code << 16 | (usesB ? busCodes[source] : 0);
        const uint32_t shift = pick(6);
        if (shift < 2) {
            text += blank() + render(shift ? ">> 1" : "<< 8", b);
            word |= shift ? 0x400000 : 0x800000;
        }
        return text;
    }

    Drawn draw(int32_t index) {
        static const std::array<std::pair<std::vector<std::string>, uint32_t>, 6> memory{
            {{{}, 0}, {{}, 0}, {{"RD"}, 0x20}, {{"WR"}, 0x40}, {{"FETCH"}, 0x10}, {{"RD", "FETCH"}, 0x30}}};
        Drawn d;
        std::vector<std::string> parts;
        if (pick(5) != 0) parts.push_back(assignment(d.word));
        const auto& [words, bits] = memory[pick(memory.size())];
        parts.insert(parts.end(), words.begin(), words.end());
        d.word |= bits;
        std::shuffle(parts.begin(), parts.end(), random_);
        d.next = index + 1;
        const auto target = static_cast<int32_t>(pick(statementsPerSource));
        const uint32_t jump = pick(6);
        if (jump == 1 || jump == 2) {
            parts.push_back("GOTO L" + std::to_string(target));
            d.next = target;
        } else if (jump == 3 || jump == 4) {
            parts.push_back(render(target % 2 ? "GOTO ( MBR )" : "GOTO ( MBR OR 0x100 )", ""));
            d.word |= 0x4000000;
            d.next = target % 2 ? 0 : 256;
        } else if (jump == 5) {
            // IFs sharing an ELSE label share the THEN label too, or their jumps collide.
            const bool z = pick(2);
            d.thenTarget = (target + 2) % statementsPerSource;
            parts.push_back(std::string("IF (") + (z ? "Z" : "N") + ") GOTO L" +
                            std::to_string(d.thenTarget) + "; ELSE GOTO L" + std::to_string(target));
            d.word |= z ? 0x1000000 : 0x2000000;
            d.next = target;
        }
        // A jump stands anywhere among the other parts.
        if (parts.size() > 1 && pick(3) == 0) std::swap(parts.back(), parts[pick(parts.size())]);
        for (size_t i = 0; i < parts.size(); ++i)
            d.text.append(i ? ";" : "").append(i ? blank() : "").append(parts[i]);
        if (pick(2) || d.text.empty()) d.text += ";";
        for (char& c : d.text)
            if (pick(3) == 0 && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return d;
    }

    std::mt19937 random_;
};

} // namespace

// The examples, and the encoder's worked statements and edge cases as one source, pass
// without errors and are assembled as the checker means them.
TEST_F(Assembled, ExamplesAndWorkedStatementsAreAssembledAsTheCheckerMeansThem) {
    const std::string worked =
        "  h = mbr << 8; goto s5\n  mar = sp = sp + 1; rd; goto s7\n"
        "  pc = pc + 1; fetch; goto (mbr)\n  z = tos; if (z) goto t1; else goto s9\n"
        "  h = h + 1; goto s3 // comment\ns5 h = mbru\n   tos = 0\ns7 tos = 1\n"
        "t1 mdr = -1\ns9 h = -h\n\tsp = sp - 1\n  MDR = TOS - H; WR\n  h = h + mdr + 1\n"
        "  h = mbr >> 1\ns3 goto (mbr or 0x100)\n  h = h and tos; goto s3\n"
        "  opc = h or lv\n  cpp = not h\n  lv = lv + h\r\n";
    const CheckAnalysis a = analyzeMalSource(worked);
    EXPECT_EQ(a.result.warnings, 1);  // no statement at 112
    EXPECT_EQ(a.program.size(), 20u); // the IF's generated jump too
    expectCleanAndSameProgram(worked, a);
    for (const auto& entry : std::filesystem::directory_iterator(TARVENO_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".mal") continue;
        SCOPED_TRACE(entry.path().string());
        const std::string text = testutil::readFile(entry.path());
        const CheckAnalysis e = analyzeMalSource(text);
        // A warning an example keeps must be explained in its comments.
        EXPECT_TRUE(e.result.warnings == 0 || text.find("warning") != std::string::npos);
        expectCleanAndSameProgram(text, e);
    }
}

// Statements drawn from the grammar: the checker refuses one only when the
// micro-assembler would encode it as something else, and when it passes a source, the
// micro-assembler's words are the words the statements mean.
TEST_F(Assembled, GrammarStatementsPassOnlyWhenAssembledAsMeant) {
    int clean = 0, refused = 0;
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        Grammar grammar(seed);
        std::string source;
        std::vector<Drawn> drawn;
        for (int32_t i = 0; i < statementsPerSource; ++i) {
            drawn.push_back(grammar.statement(i));
            source.append("L").append(std::to_string(i)).append(" ").append(drawn.back().text).append("\n");
        }
        const CheckAnalysis a = analyzeMalSource(source);
        for (const CheckFinding& f : a.result.findings)
            EXPECT_TRUE(!f.isError || f.message.find("assembles as") != std::string::npos)
                << source << f.message;
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
            EXPECT_EQ(std::tie(first[i].word, first[i].next), std::tie(d.word, d.next)) << d.text;
            if (d.thenTarget >= 0) {
                ASSERT_TRUE(first.count(d.next + 256));
                EXPECT_EQ(std::tuple(first[d.next + 256].next, first[d.next + 256].word),
                          std::tuple(d.thenTarget, 0u));
            }
        }
        expectCleanAndSameProgram(source, a);
    }
    std::cout << "grammar sources: " << clean << " clean, " << refused << " refused\n";
    EXPECT_GT(clean, 75);
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
    for (uint32_t seed = 1; seed <= 2000; ++seed) {
        Grammar grammar(seed);
        std::string source;
        for (int32_t i = 0; i < statementsPerSource; ++i) {
            std::string text = grammar.statement(i).text;
            // Tokens: runs of letters and digits, single other characters.
            auto alnum = [&](size_t k) { return std::isalnum(static_cast<unsigned char>(text[k])); };
            std::vector<std::string> tokens;
            for (size_t k = 0, end; k < text.size(); k = end) {
                for (end = k + 1; alnum(k) && end < text.size() && alnum(end);)
                    ++end;
                if (text[k] != ' ') tokens.push_back(text.substr(k, end - k));
            }
            if (i == static_cast<int32_t>(seed % statementsPerSource) && !tokens.empty()) {
                const size_t at = random() % tokens.size();
                const auto pos = tokens.begin() + static_cast<std::ptrdiff_t>(at);
                const uint32_t kind = random() % 4;
                if (kind == 0)
                    tokens.erase(pos);
                else if (kind == 1)
                    tokens.insert(pos, tokens[at]);
                else if (kind == 2 && at + 1 < tokens.size())
                    std::swap(tokens[at], tokens[at + 1]);
                else if (kind == 3)
                    tokens[at] = vocabulary[random() % vocabulary.size()];
            }
            source.append("L").append(std::to_string(i));
            for (const std::string& t : tokens)
                source += " " + t;
            source += "\n";
        }
        ++rounds;
        const CheckAnalysis a = analyzeMalSource(source);
        if (a.result.errors > 0) continue;
        ++clean;
        expectCleanAndSameProgram(source, a);
    }
    std::cout << "mutated sources passed: " << clean << " of " << rounds << "\n";
    EXPECT_GT(clean, 75);
}
