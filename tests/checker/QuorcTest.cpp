// quorc as the window and scripts run it: a program with two file arguments, started
// without a shell.

#include "checker/MalChecker.h"
#include "common/RunProgram.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

using testutil::run;

namespace {

const std::string quorc = QUORC_PATH;

std::string statements(int n) {
    std::string s = "// a long microprogram\n";
    for (int i = 0; i < n; ++i)
        s.append("l")
            .append(std::to_string(i))
            .append(" mar = sp = sp + 1; rd; goto l")
            .append(std::to_string((i + 1) % n))
            .append("\n");
    return s;
}

} // namespace

TEST(Quorc, ReportAndExitStatus) {
    testutil::TempDir dir;
    const std::string report = (dir / "report").string();
    auto check = [&](const std::string& source) {
        std::filesystem::remove(report);
        return run(quorc, {source, report});
    };
    testutil::Result r = check(dir.write("good.mal", statements(113)));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(testutil::readFile(report), "OK: no errors, warnings: 0\n");
    EXPECT_EQ(r.out + r.err, ""); // writes the report and nothing else

    const std::string bad = dir.write("bad name.mal", "main1 h = h + 1\n      goto main2\n");
    r = check(bad);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(testutil::readFile(report),
              "Errors: 1, warnings: 1\n" + bad +
                  ":2:1: warning: the microprogram has 2 statements, so none is at address 112, where "
                  "Run stops: Run will not end by itself\n"
                  "      goto main2\n^\n" +
                  bad + ":2:12: error: undefined label MAIN2; did you mean MAIN1?\n" +
                  "      goto main2\n           ^\n");
    EXPECT_EQ(r.out + r.err, "");

    EXPECT_EQ(check((dir / "missing.mal").string()).status, 3);
    EXPECT_EQ(testutil::readFile(report).find("Errors: 1"), 0u);
    EXPECT_NE(testutil::readFile(report).find("does not exist"), std::string::npos);

    // Usage: nothing written. A report that cannot be written.
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {bad}, {bad, report, "extra"}}) {
        std::filesystem::remove(report);
        EXPECT_EQ(run(quorc, args).status, 2);
        EXPECT_FALSE(std::filesystem::exists(report));
    }
    EXPECT_EQ(run(quorc, {bad, (dir / "no such folder" / "report").string()}).status, 1);
}

// Any bytes give a report beginning with "E" (status 3) or "OK" (status 0), never a crash
// or a hang.
TEST(Quorc, BadInputGivesAReport) {
    testutil::TempDir dir;
    std::mt19937 random(7);
    std::string garbage;
    for (int i = 0; i < 200000; ++i)
        garbage.push_back(static_cast<char>(random()));
    std::string crlf;
    for (char c : statements(200))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    struct Input {
        std::string name, bytes;
        int status;
    };
    const std::vector<Input> inputs = {
        {"garbage.mal", garbage, 3},
        {"nuls.mal", std::string(1000, '\0'), 3},
        {"huge.mal", "  h = 0 " + std::string(1 << 20, 'h') + "\n  h = 1\n", 3},
        {"comment.mal", "  h = 0 // " + std::string(1 << 20, '/') + "\n", 3}, // the line is still too long
        {"empty.mal", "", 0},
        {"crlf.mal", crlf, 0},
        {"blank.mal", "\n\n  // nothing\n\t\n", 0},
        {"noeol.mal", "  h = 0", 0},
    };
    for (const Input& in : inputs) {
        SCOPED_TRACE(in.name);
        const auto start = std::chrono::steady_clock::now();
        const std::string path = dir.write(in.name, in.bytes);
        const testutil::Result r = run(quorc, {path, (dir / "report").string()});
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        const std::string report = testutil::readFile(dir / "report");
        EXPECT_EQ(r.status, in.status);
        // Errors give "E..." and status 3; otherwise "OK..." and 0; each finding names the
        // file as given.
        EXPECT_EQ(report.substr(0, 1) == "E" ? 3 : report.substr(0, 2) == "OK" ? 0 : -1, r.status);
        if (report.find('\n') + 1 < report.size()) {
            EXPECT_EQ(report.substr(report.find('\n') + 1, path.size() + 1), path + ":");
        }
    }
}
