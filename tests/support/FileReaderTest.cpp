#include "support/FileReader.h"
#include "common/RunProgram.h"
#include "support/FatalError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <vector>

using namespace tarveno;

TEST(FileReader, Words) {
    using Words = std::vector<std::string>;
    const std::string first(100, 'a');
    const std::vector<std::pair<std::string, Words>> cases = {
        {"a,b\tc\r\nd\n", {"a", "b", "c", "d"}},
        {"", {}},
        {" ,\r\n\t// only a comment\n/* and a block */\n", {}},
        {"BIPUSH 5", {"BIPUSH", "5"}}, // no delimiter after the last word: a word all the same
        {"x", {"x"}},
        {first + "X" + "bcd\n", {first, "bcd"}},            // long words are split and lose one character
        {std::string("ab\0cd\xFF\n", 7), {"ab", "cd\xFF"}}, // NUL ends a word, 255 is a character
        {"// c1\nA\n//c2\r\nB //c3 x y\nC", {"A", "B", "C"}},
        {"/* block\n comment */ BIPUSH\n", {"BIPUSH"}},
        {"/*/ BIPUSH\n", {"BIPUSH"}},
        {"/***/X\n", {"X"}},
        {"/*c*/Y", {"Y"}},            // a comment word at the end of the input ends at its */
        {"x//y z\n", {"x//y", "z"}},  // only a word that begins with the slashes opens a comment
        {"A /* never closed", {"A"}}, // an unterminated comment ends the input quietly
        // A block comment longer than 300 characters resumes reading inside it: 301
        // characters from the slash are consumed.
        {"/*" + std::string(310, 'k') + " tail */ END\n", {std::string(11, 'k'), "tail", "*/", "END"}},
    };
    testutil::TempDir dir;
    for (const auto& [bytes, expected] : cases) {
        FileReader r(dir.write("words", bytes));
        r.open();
        Words words;
        while (const std::string* w = r.nextWord()) {
            words.push_back(*w);
            if (words.size() > 100) break; // a reader that never ends must fail, not hang
        }
        EXPECT_EQ(words, expected) << bytes;
    }
}

// The word a reader call answers, or "(none)".
static std::string text(const std::string* w) {
    return w ? *w : "(none)";
}

TEST(FileReader, MarksAndPositions) {
    testutil::TempDir dir;
    FileReader r(dir.write("mark", "  IADD\r\n  ISUB"));
    r.open();
    EXPECT_EQ(text(r.nextWord()), "IADD");
    EXPECT_EQ(r.mark, 2);
    EXPECT_EQ(r.position() - r.mark - 1, 4);
    EXPECT_EQ(text(r.nextWord()), "ISUB");
    EXPECT_EQ(r.mark, 10);
    // The end of the input counts as the delimiter the last word lacks.
    EXPECT_TRUE(r.atEnd());
    EXPECT_EQ(r.position() - r.mark - 1, 4);
    EXPECT_EQ(r.nextWord(), nullptr);
    // After the end, a seek needs the state cleared first, as with file streams.
    r.seek(2);
    EXPECT_EQ(r.nextWord(), nullptr);
    r.clearState();
    r.seek(2);
    EXPECT_EQ(text(r.nextWord()), "IADD");
    // A position past the end can be set, and reading there meets the end; a negative
    // one fails and leaves the position alone.
    r.seek(100);
    EXPECT_EQ(r.position(), 100);
    EXPECT_EQ(r.nextWord(), nullptr);
    EXPECT_EQ(r.position(), 101);
    r.clearState();
    r.seek(-5);
    r.clearState();
    EXPECT_EQ(std::tuple(r.position(), r.size()), std::tuple(100, 14));
}

TEST(FileReader, ReadTokenAndSkipPast) {
    testutil::TempDir dir;
    FileReader r(dir.write("tok", "main(a, b)\nabcab*x*/rest\n"));
    r.open();
    EXPECT_EQ(text(r.readToken(100, "(")), "main");
    EXPECT_EQ(r.lastDelimiter(), '(');
    EXPECT_EQ(text(r.readToken(100, ")")), "a, b");
    // The line feed is not a delimiter here: "\nab" is stored, the line feed removed from
    // the token, and the "c" after them lost.
    EXPECT_EQ(text(r.readToken(3, "*")), "ab");
    r.skipPast(300, "*/");
    EXPECT_EQ(text(r.nextWord()), "rest");
}

TEST(FileReader, OpenFailsWithItsMessageAndOpensReadOnly) {
    FileReader missing("/nonexistent/dir/file.jvm");
    EXPECT_EQ(testutil::fatalOf([&] { missing.open(); }).first,
              "Errore nel metodo FileReader::open(): impossibile aprire il file");
    testutil::TempDir dir;
    FileReader folder(dir.path().string());
    EXPECT_THROW(folder.open(), FatalError);

    const std::string path = dir.write("ro", "ONE TWO\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::replace);
    FileReader ro(path);
    EXPECT_TRUE(ro.open());
    EXPECT_EQ(text(ro.nextWord()), "ONE");

    // Files up to 16 MB are read; larger ones, and files that never end, are refused.
    std::string large(FileReader::maxFileBytes, ' ');
    large.replace(large.size() - 4, 4, "END\n");
    FileReader atLimit(dir.write("limit", large));
    atLimit.open();
    EXPECT_EQ(std::tuple(text(atLimit.nextWord()), atLimit.size()),
              std::tuple("END", static_cast<int32_t>(FileReader::maxFileBytes)));
    large += ' ';
    std::vector<std::string> tooLarge{dir.write("over", large)};
    if (std::filesystem::exists("/dev/zero")) tooLarge.push_back("/dev/zero");
    for (const std::string& name : tooLarge) {
        FileReader r(name);
        EXPECT_EQ(testutil::fatalOf([&] { r.open(); }).first,
                  "cannot read " + name +
                      ": it holds more than 16 MB (16777216 bytes), far more than any program");
        EXPECT_EQ(r.nextWord(), nullptr); // nothing was kept open
    }
}
