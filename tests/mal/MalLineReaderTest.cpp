#include "mal/MalLineReader.h"
#include "common/RunProgram.h"

#include <gtest/gtest.h>

using namespace tarveno;

TEST(MalLineReader, LabelsStatementsLinesAndComments) {
    using Stmts = std::vector<std::pair<std::string, std::string>>; // label, statement
    const std::string none = "(none)";
    const std::vector<std::pair<std::string, Stmts>> cases = {
        {"main1 h = mbr // copy\n", {{"MAIN1", "H = MBR;"}}},
        {"   h = h + 1\n", {{none, "H = H + 1;"}}},
        {"fetch; goto main1\n", {{"FETCH", "GOTO MAIN1;"}}},
        {"   loop h = 0\n", {{"LOOP", "LOOP H = 0;"}}},
        {"mar=sp;rd\n", {{none, "MAR=SP;RD;"}}},
        {"if (z) goto a; else goto b;\n", {{none, "IF (Z) GOTO A; ELSE GOTO B;"}}},
        {"x\tz = tos\r\n", {{"X", "Z = TOS;"}}},
        {"alone\nh = 0\n", {{"ALONE", ""}, {none, "H = 0;"}}}, // a label alone labels an empty statement
        {"= h\n", {{none, "= H;"}}},                           // a line opening with an operator has no label
        {"\n   \n// only comments\n\t/* also */\n", {}},
        {"", {}},
        {"h = 0;\n", {{none, "H = 0;"}}},
        // The last line needs no line feed; a last comment line without one is no statement.
        {"h = 0\ntos = 1", {{none, "H = 0;"}, {none, "TOS = 1;"}}},
        {"h = 0\n// end", {{none, "H = 0;"}}},
        {"h = 0\r\n\r\ntos = 1   \r\n", {{none, "H = 0;"}, {none, "TOS = 1;"}}},
        // A NUL ends the line's text; other bytes pass through.
        {std::string("h = 0\0junk\nl\xE8 h\n", 16), {{none, "H = 0;"}, {"L\xE8", "H;"}}},
    };
    testutil::TempDir dir;
    for (const auto& [bytes, expected] : cases) {
        MalLineReader r;
        r.setName(dir.write("src.mal", bytes));
        r.open();
        Stmts read;
        while (r.next()) {
            read.emplace_back(r.label.value_or(none), r.statement);
            if (read.size() > 100) break; // a reader that never ends must fail, not hang
        }
        EXPECT_EQ(read, expected) << bytes;
    }
}
