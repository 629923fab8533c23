#include "mal/StringTokenizer.h"

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

TEST(StringTokenizer, CursorWalk) {
    StringTokenizer t("A = B + 1;", malDelimiters);
    ASSERT_EQ(t.count(), 6);
    const auto* e = t.get(0, 1, true);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text, "A");
    EXPECT_EQ(t.cursor(), 1);
    ASSERT_TRUE(t.get(0, 1, true)); // "="
    ASSERT_TRUE(t.get(0, 1, true)); // "B"
    EXPECT_EQ(t.current()->text, "B");
    EXPECT_EQ(t.currentKind(), StringTokenizer::Word);
    // Looking at neighbours with the opposite advance leaves the cursor in place.
    EXPECT_EQ(t.get(-2, 2, false)->text, "=");
    EXPECT_EQ(t.cursor(), 3);
    EXPECT_EQ(t.kindAt(0, 0, false), StringTokenizer::Delimiter); // "+"
    EXPECT_EQ(t.current()->text, "B");
    // Out of range: nothing, and nothing changes.
    EXPECT_EQ(t.get(-4, 0, true), nullptr);
    EXPECT_EQ(t.get(3, 0, true), nullptr);
    EXPECT_EQ(t.kindAt(10, 0, true), StringTokenizer::None);
    EXPECT_EQ(t.cursor(), 3);
    EXPECT_EQ(t.current()->text, "B");
    // Setting the current pair back does not move the cursor.
    t.get(1, 0, true);
    EXPECT_EQ(t.current()->text, "1");
    t.setCurrent(2, StringTokenizer::Word);
    EXPECT_EQ(t.current()->text, "B");
    EXPECT_EQ(t.cursor(), 4);
    t.skip(5);
    EXPECT_EQ(t.get(0, 1, true), nullptr);
    t.skip(-100);
    EXPECT_EQ(t.get(0, 1, true), nullptr);
    EXPECT_THROW(t.token(6), FatalError);
    EXPECT_THROW(t.token(-1), FatalError);
}
