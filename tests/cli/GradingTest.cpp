// Black-box tests of mic1 test: suites in, verdicts, JSON and JUnit XML out.

#include "common/RunProgram.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <map>
#include <memory>
#include <regex>

using testutil::readFile;
using testutil::run;
using testutil::TempDir;

namespace {

const std::string mic1 = MIC1_PATH;
const std::string interpreter = std::string(TARVENO_EXAMPLES_DIR) + "/ijvm.mal";

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

TEST(Mic1Test, ExampleSuitesPassAndTheOrderDoesNotDependOnTheJobs) {
    const std::string dir = std::string(TARVENO_EXAMPLES_DIR) + "/tests/";
    const auto one =
        run(mic1, {"test", interpreter, dir + "programs.toml", dir + "branches.toml", "--jobs", "1"});
    EXPECT_EQ(one.status, 0) << one.out << one.err;
    EXPECT_EQ(
        one.out.substr(0, one.out.find('\n')),
        "PASS  programs: arithmetic: (32 + 10 - -2) AND 15  86 microinstructions, 7.82 per IJVM instruction");
    EXPECT_NE(one.out.find("\nscore 17/17 (100.0%): 17 of 17 tests passed, 0 failed, 0 errors\n"),
              std::string::npos);
    const auto two =
        run(mic1, {"test", interpreter, dir + "programs.toml", dir + "branches.toml", "--jobs", "2"});
    EXPECT_EQ(two.out, one.out);

    // An interpreter whose IADD computes OR fails where a sum differs from the OR.
    TempDir tmp;
    std::string broken = readFile(interpreter);
    broken.replace(broken.find("MDR = TOS = MDR + H; WR"), 23, "MDR = TOS = MDR OR H; WR");
    const auto r = run(mic1, {"test", tmp.write("ijvm.mal", broken), dir + "arithmetic.toml"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.out.find("FAIL  arithmetic: IADD and ISUB  93 microinstructions, 6.64 per IJVM instruction\n"
                         "      output[0]: expected 42, got 22\n"
                         "      last IJVM instruction: HALT at " +
                         dir + "arithmetic.toml:25:9\n"),
              std::string::npos)
        << r.out;
}

TEST(Mic1Test, FailuresBoundsFaultsAndErrorsAreReportedAndNeverCrashTheRun) {
    TempDir dir;
    dir.write("loop.jvm", ".main\nloop: GOTO loop\n.end-main\n");
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
            "[[test]]\nname = \"endless\"\nprogram = \"loop.jvm\"\noutput = []\nmax_steps = 1000\n" +
            // Recursion without end: each call's frame takes main memory.
            "[[test]]\nname = \"deep\"\nmax_memory_mb = 1\noutput = []\nsource = '''\n.main\n"
            "BIPUSH 0\nINVOKEVIRTUAL f\n.end-main\n.method f()\nBIPUSH 0\nINVOKEVIRTUAL f\nIRETURN\n"
            ".end-method\n'''\n" +
            // Characters XML 1.0 does not allow; an escape in a """ string.
            test("\\\"quoted\\\" & <odd> \\uFFFE", "BIPUSH 1;NO\\u0001SUCH;HALT", "output = [1]"));
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
             lead + "output: expected 1 values, got 2; the first extra is output[1] = 7\n",
             lead + "stack top: expected -1, got 4\n", "FAIL  mixed <&>: endless  1000 microinstructions, ",
             lead + "stopped by its bound of 1000 microinstructions (max_steps) before the halt address" +
                 lead + "last IJVM instruction: GOTO at " + (dir / "loop.jvm").string() + ":2:7\n",
             // The bound is looked at every few thousand steps: in BIPUSH or in the call.
             lead + "main memory passed its bound of 1 MB (max_memory_mb)" + lead + "last IJVM instruction: ",
             "ERROR mixed <&>: \"quoted\" & <odd> \xEF\xBF\xBE  the program does not assemble: 1 error" +
                 lead + suite + ":77: program line 3, column 1: error: ",
             "\nscore 2/15 (13.3%): 1 of 8 tests passed, 6 failed, 1 error\n"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n---\n" << r.out;

    std::unique_ptr<Element> xml;
    const std::string report = readFile(junit);
    ASSERT_NO_THROW(xml = parseXml(report)) << report;
    EXPECT_EQ(report.find("\xEF\xBF\xBE"), std::string::npos) << report;
    EXPECT_EQ(report.find('\x01'), std::string::npos) << report;
    EXPECT_NE(report.find("NO\\u0001SUCH"), std::string::npos) << report;
    EXPECT_EQ(xml->name, "testsuites");
    const auto suites = xml->all("testsuite");
    ASSERT_EQ(suites.size(), 1u);
    for (const char* attribute : {"name", "tests", "failures", "errors", "time"})
        EXPECT_TRUE(suites[0]->attributes.count(attribute)) << attribute;
    EXPECT_EQ(suites[0]->attributes.at("name"), "mixed <&>");
    EXPECT_EQ(std::tuple(suites[0]->attributes.at("tests"), suites[0]->attributes.at("failures"),
                         suites[0]->attributes.at("errors")),
              std::tuple("8", "6", "1"));
    const auto cases = suites[0]->all("testcase");
    ASSERT_EQ(cases.size(), 8u);
    std::vector<std::string> kinds;
    for (const Element* c : cases) {
        EXPECT_EQ(c->attributes.at("classname"), "mixed <&>");
        EXPECT_TRUE(c->attributes.count("name") && c->attributes.count("time"));
        kinds.push_back(c->children.empty() ? "pass" : c->children[0]->name);
        for (const auto& verdict : c->children) {
            EXPECT_FALSE(verdict->attributes.at("message").empty());
            EXPECT_EQ(verdict->text.rfind(verdict->attributes.at("message"), 0), 0u) << verdict->text;
        }
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"pass", "failure", "failure", "failure", "failure", "failure",
                                               "failure", "error"}));
    EXPECT_EQ(cases[7]->attributes.at("name"), "\"quoted\" & <odd> \\uFFFE");
    EXPECT_NE(cases[1]->children[0]->text.find("\nlast IJVM instruction: HALT"), std::string::npos);

    const auto j = run(mic1, {"test", interpreter, suite, "--json"});
    EXPECT_EQ(j.status, 4);
    const auto json = nlohmann::json::parse(j.out);
    EXPECT_EQ(std::tuple(json["tests"], json["passed"], json["failed"], json["errors"], json["score"],
                         json["max_score"]),
              std::tuple(8, 1, 6, 1, 2.0, 15.0));
    const auto& first = json["suites"][0]["tests"][0];
    // The first fetch, the opening call and 5 instructions return to 0; HALT does not.
    EXPECT_EQ(std::tuple(first["name"], first["result"], first["steps"], first["ijvm_instructions"]),
              std::tuple("passes", "pass", 60, 7));
    EXPECT_EQ(json["suites"][0]["tests"][7]["result"], "error");
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
    EXPECT_TRUE(cases[0]->children.empty());
    EXPECT_EQ(cases[1]->children.at(0)->attributes.at("message").rfind("interrupted after ", 0), 0u);
    EXPECT_EQ(cases[2]->children.at(0)->attributes.at("message"), "not run: mic1 was interrupted");
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

    // A microprogram that does not assemble: every test is an error, and its report says why.
    const auto r =
        run(mic1, {"test", dir.write("bad.mal", "main goto nowhere\n"), dir.write("ok.toml", good)});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(
        r.out.find("ERROR ok: good  the microprogram " + (dir / "bad.mal").string() + " does not assemble"),
        std::string::npos)
        << r.out << r.err;
    EXPECT_NE(r.err.find("bad.mal"), std::string::npos) << r.err;
}
