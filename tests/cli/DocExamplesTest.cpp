// Every example of the MAL and IJVM references and of the tutorial runs as its text says: a
// MAL example leaves the registers its "// after N steps:" line names, an IJVM example prints
// its "// prints:" line on examples/ijvm.mal, and the tutorial's INEG, added to a copy of the
// interpreter as the tutorial shows, runs and is named in the trace.

#include "common/RunProgram.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

using testutil::readFile;
using testutil::run;
using testutil::TempDir;
using testutil::writeFile;

namespace {

struct Example {
    std::string language; // mal or ijvm
    std::string text;
};

std::vector<Example> examplesOf(const std::string& page) {
    std::vector<Example> found;
    const std::string text = readFile(std::string(TARVENO_DOCS_DIR) + "/" + page);
    const std::regex block("```(mal|ijvm)\n([^`]*)```");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), block); it != std::sregex_iterator(); ++it)
        found.push_back({(*it)[1], (*it)[2]});
    return found;
}

// What follows "// KEY: " in an example, or "".
std::string line(const std::string& text, const std::string& key) {
    std::smatch m;
    return std::regex_search(text, m, std::regex("// " + key + ": ([^\n]*)")) ? m[1].str() : std::string();
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> w;
    for (std::string s; in >> s;)
        w.push_back(s);
    return w;
}

std::string withoutBlanks(std::string text) {
    std::erase(text, ' ');
    return text;
}

// Runs an example: the words its text expects that the run's output lacks (an IJVM
// example's output as one word).
std::vector<std::string> missing(const Example& e, const std::string& interpreter, TempDir& dir) {
    const std::string file = (dir / (e.language == "mal" ? "example.mal" : "example.jvm")).string();
    writeFile(file, e.text);
    std::vector<std::string> args = {"run"};
    std::vector<std::string> expected;
    if (e.language == "mal") {
        std::smatch m;
        if (!std::regex_search(e.text, m, std::regex("// after (\\d+) steps?: ([^\n]*)")))
            return {"an // after N steps: line"};
        args.insert(args.end(), {file, "--mode", "mic", "--steps", m[1].str()});
        expected = words(m[2].str());
    } else {
        const std::string prints = line(e.text, "prints");
        if (prints.empty()) return {"a // prints: line"};
        args.insert(args.end(), {interpreter, "--ijvm", file});
        std::string output = "OUTPUT=";
        output += withoutBlanks(prints);
        expected = {output};
    }
    for (const std::string& w : words(line(e.text, "with")))
        args.push_back(w);
    const testutil::Result r = run(MIC1_PATH, args);
    const std::vector<std::string> shown = words(r.out);
    std::vector<std::string> lacking;
    for (const std::string& w : expected)
        if (std::find(shown.begin(), shown.end(), w) == shown.end()) lacking.push_back(w);
    if (r.status != 0) lacking.push_back(std::to_string(r.status) + " for the exit status: " + r.err);
    return lacking;
}

} // namespace

TEST(DocExamples, EveryReferenceExampleRunsAsItsTextSays) {
    const std::string interpreter = std::string(TARVENO_EXAMPLES_DIR) + "/ijvm.mal";
    for (const char* page : {"mal-reference.md", "ijvm-reference.md"}) {
        const std::vector<Example> examples = examplesOf(page);
        EXPECT_GE(examples.size(), 6u) << page;
        for (size_t i = 0; i < examples.size(); ++i) {
            TempDir dir;
            EXPECT_EQ(missing(examples[i], interpreter, dir), std::vector<std::string>{})
                << page << ", example " << i + 1 << ":\n"
                << examples[i].text;
        }
    }
}

TEST(DocExamples, TheTutorialsNewInstructionRunsAndIsNamedInTheTrace) {
    const std::vector<Example> examples = examplesOf("tutorial.md");
    ASSERT_EQ(examples.size(), 3u);
    // The dispatch replaces the statement at address 116; the rest of the handler goes at
    // the end of the file.
    std::string copy = readFile(std::string(TARVENO_EXAMPLES_DIR) + "/ijvm.mal");
    const std::string free116 = "        GOTO HALT                                // 116 = 0x74\n";
    const size_t at = copy.find(free116);
    ASSERT_NE(at, std::string::npos);
    auto statements = [](const std::string& text) { return text.substr(text.find('\n') + 1); };
    copy.replace(at, free116.size(), statements(examples[0].text));
    copy += '\n';
    copy += statements(examples[1].text);
    TempDir dir;
    const std::string interpreter = (dir / "my-ijvm.mal").string();
    writeFile(interpreter, copy);
    EXPECT_EQ(missing(examples[2], interpreter, dir), std::vector<std::string>{});
    const std::string program = (dir / "example.jvm").string();
    const testutil::Result trace =
        run(MIC1_PATH, {"run", interpreter, "--ijvm", program, "--mode", "ijvm", "--steps", "5", "--trace"});
    EXPECT_NE(trace.out.find("\tINEG\ttos=-5"), std::string::npos) << trace.out;
}
