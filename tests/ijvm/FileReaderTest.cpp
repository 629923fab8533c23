#include "ijvm/FileReader.h"

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

// A file in the test's temporary folder holding exactly the given bytes.
std::string writeFile(const std::string& name, const std::string& bytes) {
    const auto path = std::filesystem::temp_directory_path() / ("tarveno_fr_" + testName() + "_" + name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

std::vector<std::string> allWords(const std::string& bytes) {
    FileReader r(writeFile("words", bytes));
    r.open();
    std::vector<std::string> words;
    while (const std::string* w = r.nextWord()) {
        words.push_back(*w);
        if (words.size() > 10000) break; // a reader that never ends must fail, not hang
    }
    return words;
}

using Words = std::vector<std::string>;

} // namespace

TEST(FileReader, SplitsAtDelimitersAndKeepsTheLastWord) {
    EXPECT_EQ(allWords("a,b\tc\r\nd\n"), (Words{"a", "b", "c", "d"}));
    EXPECT_EQ(allWords(""), Words{});
    EXPECT_EQ(allWords(" ,\r\n\t// only a comment\n/* and a block */\n"), Words{});
    // No delimiter after the last word: it is a word all the same.
    EXPECT_EQ(allWords("BIPUSH 5"), (Words{"BIPUSH", "5"}));
    EXPECT_EQ(allWords("x"), Words{"x"});
}

TEST(FileReader, LongWordsAreSplitAndLoseOneCharacter) {
    const std::string first(100, 'a');
    EXPECT_EQ(allWords(first + "X" + "bcd\n"), (Words{first, "bcd"}));
    // Any bytes at all: NUL ends a word, 255 is an ordinary character.
    EXPECT_EQ(allWords(std::string("ab\0cd\xFF\n", 7)), (Words{"ab", "cd\xFF"}));
}

TEST(FileReader, SkipsComments) {
    EXPECT_EQ(allWords("// c1\nA\n//c2\r\nB //c3 x y\nC"), (Words{"A", "B", "C"}));
    EXPECT_EQ(allWords("/* block\n comment */ BIPUSH\n"), Words{"BIPUSH"});
    EXPECT_EQ(allWords("/*/ BIPUSH\n"), Words{"BIPUSH"});
    EXPECT_EQ(allWords("/***/X\n"), Words{"X"});
    // A comment word that runs into the end of the input still ends where its */ is.
    EXPECT_EQ(allWords("/*c*/Y"), Words{"Y"});
    // Only a word that begins with the slashes opens a comment.
    EXPECT_EQ(allWords("x//y z\n"), (Words{"x//y", "z"}));
    // A block comment longer than 300 characters resumes reading inside it.
    const auto words = allWords("/*" + std::string(310, 'k') + " tail */ END\n");
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words.back(), "END");
    EXPECT_EQ(words.front(), std::string(11, 'k')); // 301 characters from the slash are consumed
    // An unterminated comment ends the input quietly.
    EXPECT_EQ(allWords("A /* never closed"), Words{"A"});
}

TEST(FileReader, MarksAndPositions) {
    FileReader r(writeFile("mark", "  IADD\r\n  ISUB"));
    r.open();
    const std::string* w = r.nextWord();
    ASSERT_TRUE(w);
    EXPECT_EQ(*w, "IADD");
    EXPECT_EQ(r.mark, 2);
    EXPECT_EQ(r.position() - r.mark - 1, 4);
    w = r.nextWord();
    ASSERT_TRUE(w);
    EXPECT_EQ(*w, "ISUB");
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
    ASSERT_TRUE((w = r.nextWord()));
    EXPECT_EQ(*w, "IADD");
}

TEST(FileReader, ReadTokenAndSkipPast) {
    FileReader r(writeFile("tok", "main(a, b)\nabcab*x*/rest\n"));
    r.open();
    const std::string* w = r.readToken(100, "(");
    ASSERT_TRUE(w);
    EXPECT_EQ(*w, "main");
    EXPECT_EQ(r.lastDelimiter(), '(');
    w = r.readToken(100, ")");
    ASSERT_TRUE(w);
    EXPECT_EQ(*w, "a, b");
    // The line feed is not a delimiter here, so it is removed from the token.
    w = r.readToken(3, "*");
    ASSERT_TRUE(w);
    EXPECT_EQ(*w, "ab"); // "\nab" stored, the line feed removed; the "c" after them lost
    r.skipPast(300, "*/");
    ASSERT_TRUE((w = r.nextWord()));
    EXPECT_EQ(*w, "rest");
}

TEST(FileReader, OpenFailsWithItsMessageAndOpensReadOnly) {
    FileReader missing("/nonexistent/dir/file.jvm");
    try {
        missing.open();
        FAIL() << "open of a missing file succeeded";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.message(), "Errore nel metodo FileReader::open(): impossibile aprire il file");
    }
    FileReader dir(std::filesystem::temp_directory_path().string());
    EXPECT_THROW(dir.open(), FatalError);

    const std::string path = writeFile("ro", "ONE TWO\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::replace);
    FileReader ro(path);
    EXPECT_TRUE(ro.open());
    ASSERT_TRUE(ro.nextWord());
    EXPECT_EQ(ro.word, "ONE");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
}
