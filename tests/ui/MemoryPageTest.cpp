// The memory viewer's lines and numbers beyond what the window test reaches, without Qt.

#include "ui/model/MemoryPage.h"
#include "core/Machine.h"
#include "support/FatalError.h"

#include <gtest/gtest.h>

using namespace tarveno;
using namespace tarveno::ui;

namespace {

// The "IJVM Error:" text of a refused number, or "" when it was accepted.
template <class F> std::string refusal(F&& f) {
    try {
        f();
    } catch (const FatalError& e) {
        return e.userMessage();
    }
    return "";
}

} // namespace

TEST(MemoryPage, LinesAndPagesUpToTheTopWithoutCreatingWords) {
    Machine m;
    m.memoryWord(5) = 0x0102A0FF;
    m.memoryWord(0xFFFFFFFBu) = 65; // the output cell
    EXPECT_EQ(memoryLines(m, 0, 10)[5], "0000000020: 001 002 160 255 ");
    EXPECT_EQ(memoryLines(m, 0, 16)[5], "0x00000014: 0x01 0x02 0xA0 0xFF ");
    for (uint32_t first = 0; first < 1000; first = nextPage(first))
        memoryLines(m, first, 10);
    EXPECT_EQ(previousPage(250), 150u);
    EXPECT_EQ(nextPage(0xFFFFFFF0u), 84u); // no upper bound: it wraps
    // A page stops at the last word instead of wrapping; "Go at -24" shows the input and
    // output cells, words -6 and -5, with negative decimal addresses.
    EXPECT_EQ(memoryLines(m, 0xFFFFFF9Cu, 16).size(), 100u);
    EXPECT_EQ(memoryLines(m, 0xFFFFFF9Cu, 16).back(), "0xFFFFFFFC: ?");
    const auto cells = memoryLines(m, typedWordAddress("-24"), 10);
    EXPECT_EQ(cells,
              (std::vector<std::string>{"-0000000024: ?", "-0000000020: 000 000 000 065 ", "-0000000016: ?",
                                        "-0000000012: ?", "-0000000008: ?", "-0000000004: ?"}));
    EXPECT_EQ(memoryLines(m, 0xFFFFFFFFu, 16), std::vector<std::string>{"0xFFFFFFFC: ?"});
    EXPECT_EQ(memoryLine(0x20000000u, nullptr, 10), "-2147483648: ?");
    EXPECT_EQ(memoryLine(0x1FFFFFFFu, nullptr, 10), "2147483644: ?");
    EXPECT_EQ(memoryLines(m, 0, 10).size(), 100u);
    EXPECT_EQ(m.mainMemory.count(), 2);
}

TEST(MemoryPage, TypedNumbers) {
    EXPECT_EQ(typedWordAddress("-7"), 0xFFFFFFFFu); // toward zero: -1
    EXPECT_EQ(typedWordAddress("0x10"), 4u);
    EXPECT_EQ(wordWrite("-4", "-1"), (MemoryWrite{0xFFFFFFFFu, -1}));
    EXPECT_EQ(byteWrite("0", {"0x7F", "0o1", "0n11", "255"}), (MemoryWrite{0, 0x7F0103FF}));
    // The value boxes are read before the address: with both bad, theirs is the text shown.
    EXPECT_NE(refusal([] { wordWrite("bad1", "bad2"); }).find("bad2"), std::string::npos);
    EXPECT_NE(refusal([] { byteWrite("q", {"1", "2", "x3", "4"}); }).find("x3"), std::string::npos);
}
