#include "support/StringTokenizer.h"

#include "support/FatalError.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tarveno;

namespace {

constexpr const char* malDelimiters = "=+-~|&;()<>";

std::vector<std::pair<std::string, int>> tokens(std::string_view text, std::string_view delimiters) {
    StringTokenizer t(text, delimiters);
    std::vector<std::pair<std::string, int>> out;
    for (int32_t i = 0; i < t.count(); ++i)
        out.emplace_back(t.token(i).text, t.token(i).kind);
    return out;
}

using Toks = std::vector<std::pair<std::string, int>>;

} // namespace

TEST(StringTokenizer, KindsOfTokens) {
    EXPECT_EQ(tokens("H = MBR << 8;", malDelimiters),
              (Toks{{"H", 2}, {"=", 1}, {"MBR", 2}, {"<", 1}, {"<", 1}, {"8", 3}, {";", 1}}));
    EXPECT_EQ(
        tokens("GOTO (MBR OR 0X100);", malDelimiters),
        (Toks{{"GOTO", 2}, {"(", 1}, {"MBR", 2}, {"OR", 2}, {"0", 3}, {"X100", 2}, {")", 1}, {";", 1}}));
    EXPECT_EQ(tokens("MAIN1 12AB", ""), (Toks{{"MAIN1", 2}, {"12", 3}, {"AB", 2}}));
    EXPECT_EQ(tokens("    ", malDelimiters), Toks{});
    EXPECT_EQ(tokens("", malDelimiters), Toks{});
    // A line feed or a NUL ends the text.
    EXPECT_EQ(tokens("A\nB", ""), (Toks{{"A", 2}}));
    EXPECT_EQ(tokens(std::string_view("A\0B", 3), ""), (Toks{{"A", 2}}));
    // Characters that match no rule are skipped rather than looped on.
    EXPECT_EQ(tokens("A, B:\t\xE8_C", malDelimiters), (Toks{{"A", 2}, {"B", 2}, {"C", 2}}));
    EXPECT_EQ(tokens("a, b,c", ","), (Toks{{"a", 2}, {",", 1}, {"b", 2}, {",", 1}, {"c", 2}}));
}

// The walk the encoder makes: get(0, 1, true) steps, get(k, -k, false) looks around.
TEST(StringTokenizer, CursorWalk) {
    StringTokenizer t("A = B + 1;", malDelimiters);
    ASSERT_EQ(t.count(), 6);
    for (const char* expected : {"A", "=", "B"})
        EXPECT_EQ(t.get(0, 1, true)->text, expected);
    EXPECT_EQ(t.cursor(), 3);
    // Looking at neighbours with the opposite advance leaves the cursor and the current token.
    EXPECT_EQ(t.get(-2, 2, false)->text, "=");
    EXPECT_EQ(t.get(0, 0, false)->kind, StringTokenizer::Delimiter); // "+"
    // Out of range: nothing, and nothing changes.
    EXPECT_EQ(t.get(-4, 0, true), nullptr);
    EXPECT_EQ(t.get(3, 0, true), nullptr);
    EXPECT_EQ(t.cursor(), 3);
    EXPECT_EQ(t.currentIndex(), 2); // "B"
    t.skip(5);
    EXPECT_EQ(t.get(0, 1, true), nullptr);
    t.skip(-100);
    EXPECT_EQ(t.get(0, 1, true), nullptr);
    EXPECT_THROW(t.token(6), FatalError);
    EXPECT_THROW(t.token(-1), FatalError);
}
