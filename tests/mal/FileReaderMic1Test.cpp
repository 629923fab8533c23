#include "mal/FileReaderMic1.h"

#include "support/FatalError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

using namespace tarveno;

namespace {

// Files are named after the running test, so that tests run in parallel never share one.
std::string testName() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

std::string writeFile(const std::string& name, const std::string& bytes) {
    const auto path = std::filesystem::temp_directory_path() / ("tarveno_frm_" + testName() + "_" + name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

struct Stmt {
    std::string label;
    std::string statement;
    bool operator==(const Stmt&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Stmt& s) {
    return os << "[" << s.label << "|" << s.statement << "]";
}

std::vector<Stmt> read(const std::string& bytes) {
    FileReaderMic1 r;
    r.setName(writeFile("read", bytes));
    r.open();
    std::vector<Stmt> out;
    while (const std::string* l = r.next()) {
        out.push_back({*l, r.statement});
        if (out.size() > 100000) break;
    }
    return out;
}

using Stmts = std::vector<Stmt>;
const std::string none(FileReaderMic1::noLabel);

} // namespace

TEST(FileReaderMic1, LabelsAndStatements) {
    EXPECT_EQ(read("main1 h = mbr // copy\n"), (Stmts{{"MAIN1", "H = MBR;"}}));
    EXPECT_EQ(read("   h = h + 1\n"), (Stmts{{none, "H = H + 1;"}}));
    EXPECT_EQ(read("fetch; goto main1\n"), (Stmts{{"FETCH", "GOTO MAIN1;"}}));
    EXPECT_EQ(read("   loop h = 0\n"), (Stmts{{"LOOP", "LOOP H = 0;"}}));
    EXPECT_EQ(read("mar=sp;rd\n"), (Stmts{{none, "MAR=SP;RD;"}}));
    EXPECT_EQ(read("if (z) goto a; else goto b;\n"), (Stmts{{none, "IF (Z) GOTO A; ELSE GOTO B;"}}));
    EXPECT_EQ(read("x\tz = tos\r\n"), (Stmts{{"X", "Z = TOS;"}}));
    // A label alone labels an empty statement.
    EXPECT_EQ(read("alone\nh = 0\n"), (Stmts{{"ALONE", ""}, {none, "H = 0;"}}));
    // A line opening with an operator has no label.
    EXPECT_EQ(read("= h\n"), (Stmts{{none, "= H;"}}));
}

TEST(FileReaderMic1, LinesAndComments) {
    EXPECT_EQ(read("\n   \n// only comments\n\t/* also */\n"), Stmts{});
    EXPECT_EQ(read(""), Stmts{});
    EXPECT_EQ(read("h = 0;\n"), (Stmts{{none, "H = 0;"}}));
    // The last line needs no line feed; a last comment line without one is no statement.
    EXPECT_EQ(read("h = 0\ntos = 1"), (Stmts{{none, "H = 0;"}, {none, "TOS = 1;"}}));
    EXPECT_EQ(read("h = 0\n// end"), (Stmts{{none, "H = 0;"}}));
    EXPECT_EQ(read("h = 0\r\n\r\ntos = 1   \r\n"), (Stmts{{none, "H = 0;"}, {none, "TOS = 1;"}}));
    // A NUL ends the line's text; other bytes pass through.
    EXPECT_EQ(read(std::string("h = 0\0junk\nl\xE8 h\n", 16)), (Stmts{{none, "H = 0;"}, {"L\xE8", "H;"}}));
}
