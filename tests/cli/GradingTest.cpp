// Black-box tests of mic1 test: suites in, verdicts, JSON and JUnit XML out.

#include "common/RunProgram.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

using testutil::readFile;
using testutil::run;
using testutil::TempDir;

namespace {

const std::string mic1 = MIC1_PATH;
const std::string interpreter = std::string(TARVENO_EXAMPLES_DIR) + "/ijvm.mal";

// examples/ijvm.mal with each statement text first replaced by second, and extra statements
// after its last one; answers the file written.
std::string variant(const TempDir& dir, const std::string& name,
                    const std::vector<std::pair<std::string, std::string>>& edits,
                    const std::string& extra = "") {
    std::string text = readFile(interpreter);
    for (const auto& [from, to] : edits) {
        const size_t at = text.find(from);
        if (at == std::string::npos) throw std::runtime_error("no " + from + " in ijvm.mal");
        text.replace(at, from.size(), to);
    }
    return dir.write(name, text + extra);
}

// An inline program of one test: main's body, its lines separated by ';'.
std::string test(const std::string& name, const std::string& body, const std::string& rest) {
    std::string source = ".main;" + body + ";.end-main";
    std::replace(source.begin(), source.end(), ';', '\n');
    return "[[test]]\nname = \"" + name + "\"\nsource = \"\"\"\n" + source + "\n\"\"\"\n" + rest + "\n";
}

// A small XML reader that refuses what is not well-formed: unknown or raw '&', raw '<'
// in text or attributes, unquoted attributes, tags that do not match.
struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::vector<std::unique_ptr<Element>> children;
    std::string text;

    std::vector<const Element*> all(const std::string& tag) const {
        std::vector<const Element*> out;
        for (const auto& c : children)
            if (c->name == tag) out.push_back(c.get());
        return out;
    }
};

std::string unescape(const std::string& s) {
    static const std::regex reference("&(amp|lt|gt|quot|apos|#[0-9]+);");
    if (std::regex_replace(s, reference, "").find_first_of("&<") != std::string::npos)
        throw std::runtime_error("raw & or < in \"" + s + "\"");
    std::string out = std::regex_replace(s, std::regex("&lt;"), "<");
    out = std::regex_replace(out, std::regex("&gt;"), ">");
    out = std::regex_replace(out, std::regex("&quot;"), "\"");
    out = std::regex_replace(out, std::regex("&apos;"), "'");
    out = std::regex_replace(out, std::regex("&#10;"), "\n");
    return std::regex_replace(out, std::regex("&amp;"), "&");
}

std::unique_ptr<Element> parseXml(const std::string& xml) {
    static const std::regex prolog(R"(^<\?xml version="1\.0" encoding="UTF-8"\?>\n)");
    static const std::regex tag(R"(<(/?)([A-Za-z_][\w.-]*)((?:\s+[\w.-]+="[^"]*")*)\s*(/?)>)");
    static const std::regex attribute(R"(([\w.-]+)="([^"]*)\")");
    if (!std::regex_search(xml, prolog)) throw std::runtime_error("no XML declaration");
    std::vector<std::unique_ptr<Element>> open;
    std::unique_ptr<Element> root;
    size_t at = xml.find('\n') + 1;
    for (std::smatch m; at < xml.size(); at += static_cast<size_t>(m.position(0) + m.length(0))) {
        const std::string rest = xml.substr(at);
        if (!std::regex_search(rest, m, tag)) {
            if (!open.empty() || rest.find_first_not_of(" \n") != std::string::npos)
                throw std::runtime_error("text after the last tag: " + rest);
            break;
        }
        const std::string text = unescape(rest.substr(0, static_cast<size_t>(m.position(0))));
        if (!open.empty()) open.back()->text += text;
        if (m[1] == "/") {
            if (open.empty() || open.back()->name != m[2])
                throw std::runtime_error("unmatched </" + m[2].str());
            auto done = std::move(open.back());
            open.pop_back();
            (open.empty() ? root : open.back()->children.emplace_back()) = std::move(done);
            continue;
        }
        auto e = std::make_unique<Element>();
        e->name = m[2];
        const std::string attrs = m[3];
        for (std::sregex_iterator a(attrs.begin(), attrs.end(), attribute), end; a != end; ++a)
            e->attributes[(*a)[1]] = unescape((*a)[2]);
        if (m[4] == "/")
            (open.empty() ? root : open.back()->children.emplace_back()) = std::move(e);
        else
            open.push_back(std::move(e));
    }
    if (!open.empty() || !root) throw std::runtime_error("unclosed elements");
    return root;
}

} // namespace

TEST(Mic1Test, ExampleSuitesPassAndFailTheMutantsOfTheirInterpreter) {
    const std::string dir = std::string(TARVENO_EXAMPLES_DIR) + "/tests/";
    const auto one =
        run(mic1, {"test", interpreter, dir + "programs.toml", dir + "branches.toml", "--jobs", "1"});
    EXPECT_EQ(one.status, 0) << one.out << one.err;
    EXPECT_EQ(one.out.substr(0, one.out.find('\n')),
              "PASS  programs: arithmetic: (32 + 10 - -2) AND 15  86 microinstructions");
    EXPECT_NE(one.out.find("\nmicroinstructions: 1899142 in all\n"
                           "score 17/17 (100.0%): 17 of 17 tests passed, 0 failed, 0 errors\n"),
              std::string::npos)
        << one.out;
    const auto two =
        run(mic1, {"test", interpreter, dir + "programs.toml", dir + "branches.toml", "--jobs", "2"});
    EXPECT_EQ(two.out, one.out);

    // Each mistake an interpreter can make in a group of instructions fails some test.
    TempDir tmp;
    std::vector<std::string> suites;
    for (const char* name : {"arithmetic", "branches", "methods", "programs"})
        suites.push_back(dir + name + ".toml");
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"MDR = TOS = MDR + H; WR", "MDR = TOS = MDR OR H; WR"},          // IADD computes OR
             {"ZERO    MAR = SP = SP + 1; WR;", "ZERO    MAR = SP = SP + 1;"}, // variables not zeroed
             {"DUP2    MDR = TOS; WR;", "DUP2    MDR = TOS;"},                 // DUP's copy not written
             {"MAR = SP = SP - 1; RD                    // 350",
              "MAR = SP - 1; RD     // 350"},                     // OUT does not pop
             {"ILOAD2  MAR = MBRU + H", "ILOAD2  MAR = MBR + H"}, // a signed index
             {"WILOAD2 H = MBRU << 8", "WILOAD2 H = 0"},          // no high byte
             {"LDCW2   H = MBRU << 8", "LDCW2   H = 0"},
             {"H = MBRU << 8; FETCH                     // 324",
              "H = 0; FETCH     // 324"},                                    // 8-bit variable count
             {"NOP     GOTO MAIN", "NOP     PC = PC + 1; FETCH; GOTO MAIN"}, // NOP skips a byte
         }) {
        std::vector<std::string> args{"test", variant(tmp, "m.mal", {{from, to}})};
        args.insert(args.end(), suites.begin(), suites.end());
        const auto r = run(mic1, args);
        EXPECT_EQ(r.status, 4) << to << r.out << r.err;
    }

    // Costs per IJVM instruction are those of the reference's count of the instructions.
    const auto r =
        run(mic1, {"test", variant(tmp, "m.mal", {{"MDR = TOS = MDR + H", "MDR = TOS = MDR OR H"}}),
                   dir + "arithmetic.toml", "--reference", interpreter});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.out.find("FAIL  arithmetic: IADD and ISUB  93 microinstructions, 6.64 per IJVM instruction, "
                         "1.00x the reference\n"
                         "      output[0]: expected 42, got 22\n"
                         "      last IJVM instruction: HALT at " +
                         dir + "arithmetic.toml:25:9\n"),
              std::string::npos)
        << r.out;
}

TEST(Mic1Test, FailuresBoundsAndFaultsAreReportedAndNeverCrashTheRun) {
    TempDir dir;
    // A control character in a file's name reaches the reports through the places they give.
    const std::string loop = dir.write("lo\x01op.jvm", ".main\nloop: GOTO loop\n.end-main\n");
    const std::string suite = dir.write(
        "s.toml",
        "name = \"mixed <&>\"\n[defaults]\nweight = 2\n" +
            test("passes", "BIPUSH 1;OUT;BIPUSH 2;OUT;BIPUSH 5;HALT", "output = [1, 2]\nstack_top = 5") +
            // A one-line source: its places are the program's lines, after the suite's.
            "[[test]]\nname = \"wrong value\"\nsource = \".main\\nBIPUSH 1\\nOUT\\nBIPUSH 3\\nOUT\\nHALT\\n"
            ".end-main\"\noutput = [1, 2]\nweight = 1\n" +
            test("too few", "BIPUSH 1;OUT;HALT", "output = [1, 2]") +
            test("too many", "BIPUSH 1;OUT;BIPUSH 7;OUT;HALT", "output = [1]") +
            test("wrong top", "BIPUSH 4;HALT", "output = []\nstack_top = 0xFFFFFFFF") +
            "[[test]]\nname = \"endless\"\nprogram = \"lo\\u0001op.jvm\"\noutput = []\nmax_steps = 1000\n" +
            // Recursion without end: each call's frame takes main memory.
            "[[test]]\nname = \"deep\"\nmax_memory_mb = 1\noutput = []\nsource = '''\n.main\n"
            "BIPUSH 0\nINVOKEVIRTUAL f\n.end-main\n.method f()\nBIPUSH 0\nINVOKEVIRTUAL f\nIRETURN\n"
            ".end-method\n'''\n" +
            // Characters XML 1.0 does not allow; an escape in a """ string.
            test("\\\"quoted\\\" & <odd> \\uFFFE", "BIPUSH 1;OUT;HALT", "output = [1, 2]") +
            test("secret", "BIPUSH 9;OUT;HALT", "output = [8]\nhidden = true"));
    const std::string junit = (dir / "junit.xml").string();
    const auto r = run(mic1, {"test", interpreter, suite, "--junit", junit});
    EXPECT_EQ(r.status, 4) << r.err;
    const std::string lead = "\n      ";
    for (const std::string& expected : std::vector<std::string>{
             "PASS  mixed <&>: passes  ", "FAIL  mixed <&>: wrong value  ",
             lead + "output[1]: expected 2, got 3" + lead + "last IJVM instruction: HALT at " + suite +
                 ":20: program line 6, column 1\n",
             lead + "output: expected 2 values, got 1; the first missing is output[1] = 2" + lead +
                 "last IJVM instruction: HALT at " + suite + ":29:1\n",
             lead + "output: expected 1 value, got 2; the first extra is output[1] = 7\n",
             lead + "stack top: expected -1, got 4\n", "FAIL  mixed <&>: endless  1000 microinstructions\n",
             lead + "stopped by its bound of 1000 microinstructions (max_steps) before the halt address" +
                 lead + "last IJVM instruction: GOTO at " + loop + ":2:7\n",
             // The bound is looked at every few thousand steps: in BIPUSH or in the call.
             lead + "main memory passed its bound of 1 MB (max_memory_mb)" + lead + "last IJVM instruction: ",
             "FAIL  mixed <&>: \"quoted\" & <odd> \xEF\xBF\xBE  ",
             "FAIL  mixed <&>: secret  43 microinstructions" + lead +
                 "hidden test failed\nmicroinstructions: ",
             "\nscore 2/17 (11.8%): 1 of 9 tests passed, 8 failed, 0 errors\n"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n---\n" << r.out;
    EXPECT_EQ(r.out.find("expected 8"), std::string::npos) << r.out;

    std::unique_ptr<Element> xml;
    const std::string report = readFile(junit);
    ASSERT_NO_THROW(xml = parseXml(report)) << report;
    EXPECT_EQ(report.find("\xEF\xBF\xBE"), std::string::npos) << report;
    EXPECT_EQ(report.find('\x01'), std::string::npos) << report;
    EXPECT_NE(report.find("lo\\u0001op.jvm:2:7"), std::string::npos) << report;
    EXPECT_EQ(report.find("expected 8"), std::string::npos) << report;
    EXPECT_EQ(xml->name, "testsuites");
    EXPECT_EQ(xml->attributes.at("name"), "mic1 test");
    const auto suites = xml->all("testsuite");
    ASSERT_EQ(suites.size(), 1u);
    for (const char* attribute : {"name", "tests", "failures", "errors", "skipped", "time"})
        EXPECT_TRUE(suites[0]->attributes.count(attribute)) << attribute;
    EXPECT_EQ(suites[0]->attributes.at("name"), "mixed <&>");
    EXPECT_EQ(std::tuple(suites[0]->attributes.at("tests"), suites[0]->attributes.at("failures"),
                         suites[0]->attributes.at("errors")),
              std::tuple("9", "8", "0"));
    const auto cases = suites[0]->all("testcase");
    ASSERT_EQ(cases.size(), 9u);
    std::vector<std::string> kinds;
    for (const Element* c : cases) {
        EXPECT_EQ(c->attributes.at("classname"), "mixed <&>");
        EXPECT_TRUE(c->attributes.count("name") && c->attributes.count("time"));
        // The microinstructions of each test, for a CI server to chart.
        const auto properties = c->all("properties").at(0)->all("property");
        EXPECT_EQ(properties.at(0)->attributes.at("name"), "microinstructions");
        EXPECT_EQ(properties.size(), 1u);
        kinds.push_back(c->all("failure").empty() ? "pass" : "failure");
        for (const Element* verdict : c->all("failure")) {
            EXPECT_FALSE(verdict->attributes.at("message").empty());
            EXPECT_EQ(verdict->text.rfind(verdict->attributes.at("message"), 0), 0u) << verdict->text;
        }
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"pass", "failure", "failure", "failure", "failure", "failure",
                                               "failure", "failure", "failure"}));
    EXPECT_EQ(cases[7]->attributes.at("name"), "\"quoted\" & <odd> \\uFFFE");
    EXPECT_NE(cases[1]->all("failure")[0]->text.find("\nlast IJVM instruction: HALT"), std::string::npos);
    EXPECT_EQ(cases[8]->all("failure")[0]->text, "hidden test failed");

    const auto j = run(mic1, {"test", interpreter, suite, "--json"});
    EXPECT_EQ(j.status, 4);
    const auto json = nlohmann::json::parse(j.out);
    EXPECT_EQ(std::tuple(json["tests"], json["passed"], json["failed"], json["errors"], json["score"],
                         json["max_score"]),
              std::tuple(9, 1, 8, 0, 2.0, 17.0));
    const auto& first = json["suites"][0]["tests"][0];
    // Without a reference the test's IJVM instructions are not known; the interpreter's returns
    // to address 0 (the first fetch, the opening call and 5 instructions) are.
    EXPECT_EQ(std::tuple(first["name"], first["result"], first["steps"], first["returns_to_address_0"]),
              std::tuple("passes", "pass", 60, 7));
    EXPECT_TRUE(first["ijvm_instructions"].is_null() && first["per_instruction"].is_null());
    EXPECT_EQ(json["suites"][0]["tests"][8]["reason"], "hidden test failed");
    EXPECT_TRUE(json["suites"][0]["tests"][8]["details"].empty());
    // A test's program travels with it, to be run again and stepped; a hidden test's does not.
    const auto& tests = json["suites"][0]["tests"];
    EXPECT_TRUE(first["source"].is_string() && first["program"].is_null());
    EXPECT_EQ(std::tuple(tests[5]["name"], tests[5]["source"].is_null()), std::tuple("endless", true));
    EXPECT_TRUE(std::filesystem::path(tests[5]["program"].get<std::string>()).is_absolute());
    EXPECT_TRUE(tests[8]["source"].is_null() && tests[8]["program"].is_null() && tests[8]["stdin"].is_null());

    // The memory of all the tests that run at once bounds each one's too.
    const auto m =
        run(mic1, {"test", interpreter,
                   dir.write("deep.toml", test("deep", "BIPUSH 0;INVOKEVIRTUAL main", "output = []")),
                   "--max-memory", "1"});
    EXPECT_NE(m.out.find("main memory passed its bound of 1 MB (--max-memory)"), std::string::npos) << m.out;
}

TEST(Mic1Test, TheJUnitReportIsReplacedWholeAtTheEndEvenWhenTheRunIsInterrupted) {
    TempDir dir;
    const std::string suite =
        dir.write("s.toml", test("quick", "BIPUSH 1;OUT;HALT", "output = [1]") +
                                test("endless", "loop: GOTO loop", "output = []\nmax_steps = 3000000000") +
                                test("later", "HALT", "output = []"));
    const std::string junit = dir.write("junit.xml", "the last run's report");
    std::string during;
    const auto r = run(mic1, {"test", interpreter, suite, "--junit", junit, "--jobs", "1"},
                       [&](pid_t pid, const std::string& out) {
                           // Once the first test passed, the endless one runs.
                           for (int i = 0; i < 3000 && readFile(out).find("PASS") == std::string::npos; ++i)
                               ::usleep(10'000);
                           during = readFile(junit);
                           ::kill(pid, SIGTERM);
                       });
    EXPECT_EQ(during, "the last run's report");
    EXPECT_EQ(r.status, 143) << r.out << r.err;
    EXPECT_NE(r.out.find("score 1/3 (33.3%): 1 of 3 tests passed, 0 failed, 2 errors\n"), std::string::npos)
        << r.out;
    std::unique_ptr<Element> xml;
    ASSERT_NO_THROW(xml = parseXml(readFile(junit))) << readFile(junit);
    const auto cases = xml->all("testsuite").at(0)->all("testcase");
    ASSERT_EQ(cases.size(), 3u);
    EXPECT_TRUE(cases[0]->all("error").empty());
    EXPECT_EQ(cases[1]->all("error").at(0)->attributes.at("message").rfind("interrupted after ", 0), 0u);
    EXPECT_EQ(cases[2]->all("error").at(0)->attributes.at("message"), "not run: mic1 was interrupted");
}

TEST(Mic1Test, MalformedSuitesAreRefusedWithTheirPlaceBeforeAnyTestRuns) {
    TempDir dir;
    const std::string good = test("good", "HALT", "output = []");
    const std::vector<std::pair<std::string, std::string>> cases{
        {good + "[[test]\nname = \"x\"", ":9:8: error: "},
        {good + "[[test]]\nname = \"no output\"\nsource = \"HALT\"\n",
         ":9:1: error: the test misses `output`"},
        {good + "[[test]]\nsource = \"HALT\"\noutput = []\n", ":9:1: error: the test misses `name`"},
        {"[defaults]\nstdin = \"five\"\n" + good, ":2:9: error: `stdin` must be an integer, not a string"},
        {good + "[[test]]\nname = \"x\"\nexpected = [1]\n", ":11:1: error: unknown key `expected`"},
        {good + "[[test]]\nname = \"x\"\nprogram = \"nope.jvm\"\noutput = []\n",
         ":11:11: error: cannot read " + (dir / "nope.jvm").string() + ": No such file or directory"},
        {good + "[[test]]\nname = \"x\"\nprogram = \".\"\noutput = []\n", "it is a folder"},
        {good + test("good", "HALT", "output = []"), ":9:1: error: a test named \"good\" stands at line 1"},
        {good + "[[test]]\nname = \"x\"\nsource = \"HALT\"\noutput = [1, 4294967296]\n",
         ":12:14: error: `output` holds 4294967296, which is no 32-bit word"},
        {"[defaults]\nmax_steps = 0\n" + good, ":2:13: error: `max_steps` must be at least 1"},
        {"[defaults]\nmax_memory_mb = 4097\n" + good, ":2:17: error: `max_memory_mb` must be at most 4096"},
        {"[defaults]\nhidden = 1\n" + good, ":2:10: error: `hidden` must be true or false"},
        {good + "[[test]]\nname = \"x\"\nsource = \"HALT\"\noutput = []\nbudget = 0.5\n",
         ":13:10: error: `budget` must be a number from 1 to 1000000"},
        // The IJVM programs are assembled as the suites are read.
        {good + test("typo", "BIPUSH 1;OTU;HALT", "output = [1]"),
         ":14:1: error: Errore nel metodo main in prossimit\xC3\xA0 dell'istruzione 1: OTU non "
         "esiste.\nOTU\n^"},
        {"name = \"empty\"\n", ":1:1: error: the suite has no [[test]]"},
        {"test = 3\n", "`test` must be an array of tables"},
        {"[defaults]\nweight = 1e308\n" + good + test("more", "HALT", "output = []"),
         ":2:10: error: `weight` makes the suite's weights add up to more than 1000000000"},
        // Text the TOML reader would meet with undefined behaviour.
        {"[{t]]", ":1:2: error: a table header must begin with the table's name"},
        {good + "[[test]]\nname = \"x\"\noutput = [1, }\n",
         ":11:14: error: `}` stands where an array's value"},
        {good + "\xC3\xA9 = 1\n",
         ":9:1: error: a character other than ASCII stands outside a string or comment"},
        {good + "[[test]]\nname = \"x\"\nsource = \"\"\"\\\n \xD0\x96\"\"\"\n",
         ":12:2: error: in a \"\"\" string, the character after a backslash"},
    };
    for (const auto& [text, message] : cases) {
        const std::string suite = dir.write("bad.toml", text);
        const auto r = run(mic1, {"test", interpreter, dir.write("good.toml", good), suite});
        EXPECT_EQ(r.status, 2) << text;
        EXPECT_EQ(r.out, "") << text;
        EXPECT_EQ(r.err.rfind(suite + ":", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    // Such characters in strings and comments, and a byte-order mark, are welcome.
    EXPECT_EQ(run(mic1, {"test", interpreter,
                         dir.write("utf8.toml",
                                   "\xEF\xBB\xBF# \xC3\xA9\n" + test("\xC3\xA9", "HALT", "output = []"))})
                  .status,
              0);
    EXPECT_EQ(run(mic1, {"test", interpreter}).status, 2);
    EXPECT_EQ(run(mic1, {"test", interpreter, dir.write("ok.toml", good), "--jobs", "0"}).status, 2);
    EXPECT_EQ(run(mic1, {"test", (dir / "none.mal").string(), dir.write("ok.toml", good)}).status, 1);

    // Every bad suite is reported, each with its first mistake, and every diagnostic of the
    // programs of the good ones; a program file's name the place where a suite names it.
    const std::string program = dir.write("p.jvm", ".main\nOTU\nBIPUSH\n.end-main\n");
    const auto r =
        run(mic1, {"test", interpreter, dir.write("a.toml", "name = 3\n" + good),
                   dir.write("b.toml", "[[test]]\nname = \"p\"\nprogram = \"p.jvm\"\noutput = []\n"),
                   dir.write("c.toml", good + "weight = -1\n")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    for (const std::string& expected :
         {(dir / "a.toml").string() + ":1:8: error: `name` must be", program + ":2:1: error: ",
          program + ":4:1: error: ", (dir / "b.toml").string() + ":3:11: note: the program of the test",
          (dir / "c.toml").string() + ":9:10: error: `weight` must be"})
        EXPECT_NE(r.err.find(expected), std::string::npos) << expected << "\n---\n" << r.err;
}

TEST(Mic1Test, AReferenceGivesOutputsHonestCostsAndBudgets) {
    TempDir dir;
    // NOP in three microinstructions, and NOP dispatching the next opcode itself, in one.
    const std::string slow = variant(dir, "slow.mal", {{"NOP     GOTO MAIN ", "NOP     GOTO NOP2  "}},
                                     "NOP2    H = H\n        GOTO MAIN\n");
    const std::string fast =
        variant(dir, "fast.mal", {{"NOP     GOTO MAIN ", "NOP     H = PC = PC + 1; FETCH; GOTO (MBR) "}});
    const std::string nops = "BIPUSH 1;" + testutil::repeat("NOP;", 20) + "OUT;HALT";
    const std::string suite = dir.write("s.toml", test("nops", nops, "output = [1]\nbudget = 1.1") +
                                                      test("sum", "BIPUSH 6;BIPUSH 7;IADD;OUT;HALT", ""));

    // Without a reference, a test must say what it prints.
    auto r = run(mic1, {"test", interpreter, suite});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(suite + ":32:1: error: the test misses `output`"), std::string::npos) << r.err;

    r = run(mic1, {"test", slow, suite, "--reference", interpreter});
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(
        r.out.find("FAIL  s: nops  123 microinstructions, 5.12 per IJVM instruction, 1.48x the reference\n"
                   "      too slow: 123 microinstructions, budget 91\n"),
        std::string::npos)
        << r.out;
    // The sum's output is the reference's.
    EXPECT_NE(r.out.find("PASS  s: sum  "), std::string::npos);
    EXPECT_NE(r.out.find("microinstructions: 174 in all, 1.30x the reference\n"
                         "score 1/2 (50.0%): 1 of 2 tests passed, 1 failed (1 too slow), 0 errors\n"),
              std::string::npos)
        << r.out;

    // The IJVM instructions are the program's: an interpreter that returns to its main loop
    // less often costs less per instruction, not more.
    const auto costs = [&](const std::string& program) {
        const auto j = nlohmann::json::parse(
            run(mic1, {"test", program, suite, "--reference", interpreter, "--json"}).out);
        const auto& t = j["suites"][0]["tests"][0];
        return std::tuple(t["ijvm_instructions"].get<int>(), t["per_instruction"].get<double>(),
                          t["ratio_to_reference"].get<double>(), t["returns_to_address_0"].get<int>());
    };
    const auto [instructions, per, ratio, returns] = costs(interpreter);
    const auto [fastInstructions, fastPer, fastRatio, fastReturns] = costs(fast);
    EXPECT_EQ(std::tuple(instructions, ratio), std::tuple(fastInstructions, 1.0));
    EXPECT_LT(fastPer, per);
    EXPECT_LT(fastRatio, 1.0);
    EXPECT_LT(fastReturns, returns);

    // A test the reference does not pass is a mistake of the suite.
    const std::string wrong =
        dir.write("wrong.toml", test("sum", "BIPUSH 6;BIPUSH 7;IADD;OUT;HALT", "output = [14]"));
    r = run(mic1, {"test", interpreter, wrong, "--reference", interpreter});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(
        r.err,
        wrong + ":12:10: error: the reference " + interpreter +
            " does not pass the test \"sum\": output[0]: expected 14, got 13\noutput = [14]\n         ^\n");
}

TEST(Mic1Test, AMicroprogramThatDoesNotAssembleIsOneResult) {
    TempDir dir;
    const std::string suite =
        dir.write("s.toml", test("one", "HALT", "output = []") + test("two", "HALT", "output = []"));
    const std::string bad = dir.write("bad.mal", "main goto nowhere\n");
    const std::string junit = (dir / "junit.xml").string();
    const auto r = run(mic1, {"test", bad, suite, "--junit", junit});
    EXPECT_EQ(r.status, 5) << r.err;
    EXPECT_EQ(r.out,
              "ERROR assemble: the microprogram " + bad + " does not assemble\n" + bad +
                  ":1:1: warning: the microprogram has 1 statement, so none is at address 112, where Run "
                  "stops: Run will not end by itself\nmain goto nowhere\n^\n" +
                  bad + ":1:11: error: undefined label NOWHERE\nmain goto nowhere\n          ^\n" +
                  "score 0/2 (0.0%): the microprogram does not assemble; its 2 tests did not run\n");

    std::unique_ptr<Element> xml;
    ASSERT_NO_THROW(xml = parseXml(readFile(junit))) << readFile(junit);
    EXPECT_EQ(
        std::tuple(xml->attributes.at("tests"), xml->attributes.at("errors"), xml->attributes.at("skipped")),
        std::tuple("3", "1", "2"));
    const auto suites = xml->all("testsuite");
    ASSERT_EQ(suites.size(), 2u);
    const Element* assemble = suites[0]->all("testcase").at(0);
    EXPECT_EQ(assemble->attributes.at("name"), "assemble");
    EXPECT_NE(
        assemble->all("error").at(0)->text.find(":1:11: error: undefined label NOWHERE\nmain goto nowhere\n"),
        std::string::npos);
    for (const Element* c : suites[1]->all("testcase"))
        EXPECT_EQ(c->all("skipped").size(), 1u);

    const auto j = run(mic1, {"test", bad, suite, "--json"});
    EXPECT_EQ(j.status, 5);
    const auto json = nlohmann::json::parse(j.out);
    EXPECT_EQ(json["assembly"]["ok"], false);
    EXPECT_EQ(json["assembly"]["diagnostics"].size(), 2u);
    EXPECT_EQ(json["suites"][0]["tests"][1]["result"], "skipped");
}

TEST(Mic1Test, NamesTellSubmissionsAndSuitesApart) {
    TempDir dir;
    std::filesystem::create_directories(dir / "a");
    std::filesystem::create_directories(dir / "b");
    const std::string good = test("t", "HALT", "output = []");
    const std::string a = dir.write("a/basic.toml", good), b = dir.write("b/basic.toml", good);
    const std::string junit = (dir / "junit.xml").string();
    // The same file twice runs once.
    const auto r = run(mic1, {"test", interpreter, a, b, a, "--name", "alice", "--junit", junit});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, a + ": note: named more than once; its tests run once\n");
    EXPECT_NE(r.out.find("PASS  basic (" + a + "): t  "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PASS  basic (" + b + "): t  "), std::string::npos) << r.out;
    std::unique_ptr<Element> xml;
    ASSERT_NO_THROW(xml = parseXml(readFile(junit)));
    EXPECT_EQ(xml->attributes.at("name"), "alice");
    const auto suites = xml->all("testsuite");
    ASSERT_EQ(suites.size(), 2u);
    EXPECT_EQ(suites[1]->all("testcase").at(0)->attributes.at("classname"), "alice.basic (" + b + ")");
}

TEST(Mic1Grade, AClassIsGradedIntoAGradebookAndAReportPerStudent) {
    TempDir dir;
    const auto subs = dir / "subs";
    std::filesystem::create_directories(subs / "bob");
    std::filesystem::create_directories(subs / "frank");
    std::filesystem::copy_file(interpreter, subs / "alice.mal");
    variant(dir, "subs/bob/ijvm.mal", {{"MDR = TOS = MDR + H", "MDR = TOS = MDR OR H"}});
    dir.write("subs/bob/notes.txt", "my work");
    dir.write("subs/carol.mal", "main goto nowhere\n");
    variant(dir, "subs/dave.mal", {{"NOP     GOTO MAIN ", "NOP     GOTO NOP  "}}); // endless
    variant(dir, "subs/erin.mal",
            {{"NOP     GOTO MAIN ", "NOP     MAR = SP = SP + 1; WR; GOTO NOP "}}); // memory
    dir.write("subs/frank/a.mal", "");
    dir.write("subs/frank/b.mal", "");
    variant(dir, "subs/grace.mal", {{"NOP     GOTO MAIN ", "NOP     GOTO NOP2  "}},
            "NOP2    H = H\n        GOTO MAIN\n");
    const std::string suite = dir.write(
        "s.toml", "[defaults]\nmax_steps = 1000000\nmax_memory_mb = 1\n" +
                      test("sum", "BIPUSH 20;BIPUSH 22;IADD;OUT;HALT", "output = [42]") +
                      test("nops", "BIPUSH 1;NOP;NOP;NOP;NOP;OUT;HALT", "output = [1]\nbudget = 1.05") +
                      test("secret", "BIPUSH 2;BIPUSH 3;IADD;OUT;HALT", "hidden = true"));
    // The reports may go into the folder of the submissions, from an earlier run too.
    const auto out = subs / "grades";
    std::filesystem::create_directories(out);
    const auto r =
        run(mic1, {"grade", interpreter, suite, "--submissions", subs.string(), "--out", out.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const std::string& line : std::vector<std::string>{
             "alice: score 3/3 (100.0%): 3 of 3 tests passed, 0 failed, 0 errors; 1.00x the reference\n",
             "bob: score 1/3 (33.3%): 1 of 3 tests passed, 2 failed, 0 errors; 1.00x the reference\n",
             "carol: score 0/3 (0.0%): the microprogram does not assemble; its 3 tests did not run\n",
             "graded 7 submissions: " + (out / "gradebook.csv").string() + "\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "---\n" << r.out;

    // Rows in the students' order, whatever order they finished in.
    std::vector<std::string> rows;
    std::istringstream gradebook(readFile(out / "gradebook.csv"));
    for (std::string row; std::getline(gradebook, row);)
        rows.push_back(
            row.substr(0, row.find(",yes,") != std::string::npos ? row.find(",yes,") + 4 : row.size()));
    EXPECT_EQ(
        rows,
        (std::vector<std::string>{
            "student,score,max,percent,passed,failed,errors,assembles,microinstructions,ratio_to_reference",
            "alice,3,3,100.0,3,0,0,yes", "bob,1,3,33.3,1,2,0,yes", "carol,0,3,0.0,0,0,0,no,,",
            "dave,2,3,66.7,2,1,0,yes", "erin,2,3,66.7,2,1,0,yes", "frank,0,3,0.0,0,0,0,no,,",
            "grace,2,3,66.7,2,1,0,yes"}));

    const std::string bob = readFile(out / "bob.md");
    EXPECT_NE(bob.find("output[0]: expected 42, got 22"), std::string::npos) << bob;
    EXPECT_NE(bob.find("### s: secret\n\n    hidden test failed\n"), std::string::npos) << bob;
    EXPECT_EQ(bob.find("expected 5"), std::string::npos) << bob;
    EXPECT_NE(readFile(out / "dave.md").find("stopped by its bound of 1000000"), std::string::npos);
    EXPECT_NE(readFile(out / "erin.md").find("main memory passed its bound of 1 MB"), std::string::npos);
    EXPECT_NE(readFile(out / "frank.md").find("several microprograms"), std::string::npos);
    EXPECT_NE(readFile(out / "grace.md").find("too slow: "), std::string::npos);
    EXPECT_NE(readFile(out / "carol.md").find(":1:11: error: undefined label NOWHERE"), std::string::npos);
    std::unique_ptr<Element> xml;
    ASSERT_NO_THROW(xml = parseXml(readFile(out / "junit" / "bob.xml")));
    EXPECT_EQ(xml->attributes.at("name"), "bob");
    EXPECT_EQ(xml->all("testsuite").at(0)->all("testcase").at(0)->attributes.at("classname"), "bob.s");
}
