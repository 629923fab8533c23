// quorc as the window and scripts run it: a program with two file arguments, started
// without a shell.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string report; // empty when no report file was written
    bool reportExists = false;
    std::string output; // standard output and error
};

class Quorc : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quorc_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path write(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }

    Outcome run(const std::vector<std::string>& args) {
        const fs::path report = dir_ / "report";
        const fs::path output = dir_ / "output";
        fs::remove(report);
        std::vector<char*> argv{const_cast<char*>(QUORC_PATH)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::execv(QUORC_PATH, argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        Outcome r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.reportExists = fs::exists(report);
        std::ifstream in(report, std::ios::binary);
        r.report.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::ifstream out(output, std::ios::binary);
        r.output.assign(std::istreambuf_iterator<char>(out), std::istreambuf_iterator<char>());
        return r;
    }

    Outcome check(const fs::path& source) { return run({source.string(), (dir_ / "report").string()}); }

    fs::path dir_;
};

std::string statements(int n) {
    std::string s = "// a long microprogram\n";
    for (int i = 0; i < n; ++i) {
        s.append("l").append(std::to_string(i)).append(" mar = sp = sp + 1; rd; goto l");
        s.append(std::to_string((i + 1) % n)).append("\n");
    }
    return s;
}

} // namespace

TEST_F(Quorc, ReportAndExitStatus) {
    Outcome r = check(write("good.mal", statements(113)));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.report, "OK: no errors, warnings: 0\n");
    EXPECT_EQ(r.output, ""); // writes the report and nothing else

    const fs::path bad = write("bad name.mal", "main1 h = h + 1\n      goto main2\n");
    r = check(bad);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.report,
              "Errors: 1, warnings: 1\n" + bad.string() +
                  ":2:1: warning: the microprogram has 2 statements, so none is at address 112, where "
                  "Run stops: Run will not end by itself\n"
                  "      goto main2\n^\n" +
                  bad.string() + ":2:12: error: undefined label MAIN2; did you mean MAIN1?\n" +
                  "      goto main2\n           ^\n");
    EXPECT_EQ(r.output, "");

    r = check(dir_ / "missing.mal");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.report.substr(0, 1), "E");
    EXPECT_NE(r.report.find("does not exist"), std::string::npos);

    // Usage: nothing written.
    r = run({});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(r.reportExists);
    r = run({bad.string()});
    EXPECT_EQ(r.status, 2);
    r = run({bad.string(), (dir_ / "report").string(), "extra"});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(r.reportExists);

    // A report that cannot be written.
    r = run({bad.string(), (dir_ / "no such folder" / "report").string()});
    EXPECT_EQ(r.status, 1);
}

// Any bytes give a report beginning with "E" or "OK", never a crash or a hang.
TEST_F(Quorc, BadInputGivesAReport) {
    std::mt19937 random(7);
    std::string garbage;
    for (int i = 0; i < 200000; ++i)
        garbage.push_back(static_cast<char>(random()));
    std::string nuls(1000, '\0');
    std::string hugeLine = "  h = 0 " + std::string(1 << 20, 'h') + "\n  h = 1\n";
    std::string longComment = "  h = 0 // " + std::string(1 << 20, '/') + "\n";
    std::string crlf;
    for (char c : statements(200)) {
        if (c == '\n') crlf.push_back('\r');
        crlf.push_back(c);
    }
    const std::vector<std::pair<std::string, std::string>> inputs = {{"garbage.mal", garbage},
                                                                     {"nuls.mal", nuls},
                                                                     {"huge.mal", hugeLine},
                                                                     {"comment.mal", longComment},
                                                                     {"empty.mal", ""},
                                                                     {"crlf.mal", crlf},
                                                                     {"blank.mal", "\n\n  // nothing\n\t\n"},
                                                                     {"noeol.mal", "  h = 0"}};
    for (const auto& [name, bytes] : inputs) {
        SCOPED_TRACE(name);
        const auto start = std::chrono::steady_clock::now();
        const Outcome r = check(write(name, bytes));
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(r.status == 0 || r.status == 3) << r.status;
        ASSERT_FALSE(r.report.empty());
        EXPECT_EQ(r.report[0] == 'E', r.status == 3);
        EXPECT_EQ(r.report.substr(0, 1) == "O", r.status == 0);
        EXPECT_LT(elapsed, std::chrono::seconds(10));
    }
    EXPECT_EQ(
        check(write("empty.mal", "")).report,
        "OK: no errors, warnings: 1\n" + (dir_ / "empty.mal").string() +
            ":1:1: warning: the microprogram has 0 statements, so none is at address 112, where Run stops: "
            "Run will not end by itself\n");
    EXPECT_EQ(check(write("huge.mal", hugeLine)).status, 3);
    EXPECT_EQ(check(write("comment.mal", longComment)).status, 3); // the line is still too long
    EXPECT_EQ(check(write("crlf.mal", crlf)).status, 0);
    EXPECT_EQ(check(write("nuls.mal", nuls)).status, 3);
}
