// The memory viewer's lines and writes, and the IJVM skeleton's bytes, without Qt.

#include "ui/MemoryView.h"
#include "core/ControlPath.h"
#include "support/FatalError.h"
#include "ui/IjvmSkeleton.h"

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

TEST(MemoryView, LinesInBothRadixesWithoutCreatingWords) {
    ControlPath m;
    m.memoryWord(5) = 0x0102A0FF;
    const auto dec = memoryLines(m, 0, 10);
    ASSERT_EQ(dec.size(), 100u);
    EXPECT_EQ(dec[5], "0000000020: 001 002 160 255 ");
    EXPECT_EQ(dec[6], "0000000024: ?");
    EXPECT_EQ(dec[0], "0000000000: ?");
    EXPECT_EQ(dec[99], "0000000396: ?");
    const auto hex = memoryLines(m, 0, 16);
    EXPECT_EQ(hex[5], "0x00000014: 0x01 0x02 0xA0 0xFF ");
    EXPECT_EQ(hex[6], "0x00000018: ?");
    EXPECT_EQ(memoryLine(7, nullptr, 16), "0x0000001C: ?");
    const int32_t minusOne = -1;
    EXPECT_EQ(memoryLine(1, &minusOne, 10), "0000000004: 255 255 255 255 ");

    // Paging on from 0 to the top creates nothing.
    for (uint32_t first = 0; first < 1000; first = nextPage(first))
        memoryLines(m, first, 10);
    EXPECT_EQ(m.mainMemory.count(), 1);

    // The list ends where first word + 100 wraps: empty at -6, a full page just below.
    EXPECT_TRUE(memoryLines(m, 0xFFFFFFFAu, 10).empty());
    EXPECT_TRUE(memoryLines(m, 0xFFFFFF9Cu, 16).empty());
    const auto top = memoryLines(m, 0xFFFFFF9Bu, 16);
    ASSERT_EQ(top.size(), 100u);
    EXPECT_EQ(top.back(), "0xFFFFFFF8: ?");
}

TEST(MemoryView, PagingAndTypedAddresses) {
    EXPECT_EQ(previousPage(40), 0u);
    EXPECT_EQ(previousPage(100), 0u);
    EXPECT_EQ(previousPage(250), 150u);
    EXPECT_EQ(nextPage(0), 100u);
    EXPECT_EQ(nextPage(0xFFFFFFF0u), 84u); // no upper bound: it wraps

    EXPECT_EQ(typedWordAddress("7"), 1u);
    EXPECT_EQ(typedWordAddress("-24"), 0xFFFFFFFAu);
    EXPECT_EQ(typedWordAddress("-7"), 0xFFFFFFFFu); // toward zero: -1
    EXPECT_EQ(typedWordAddress("0x10"), 4u);
    EXPECT_NE(refusal([] { typedWordAddress("zz"); }).find("zz"), std::string::npos);
}

TEST(MemoryView, WordAndByteWrites) {
    EXPECT_EQ(wordWrite("8", "258"), (MemoryWrite{2, 258}));
    EXPECT_EQ(wordWrite("-4", "-1"), (MemoryWrite{0xFFFFFFFFu, -1}));
    // The word's box is read first: with both bad, its text is the one shown.
    EXPECT_NE(refusal([] { wordWrite("bad1", "bad2"); }).find("bad2"), std::string::npos);

    EXPECT_EQ(byteWrite("0", {"1", "2", "3", "4"}), (MemoryWrite{0, 0x01020304}));
    EXPECT_EQ(byteWrite("4", {"0", "0", "0", "256"}), (MemoryWrite{1, 0x100}));
    EXPECT_EQ(byteWrite("8", {"0", "0", "0", "-1"}), (MemoryWrite{2, -1}));
    EXPECT_EQ(byteWrite("0", {"0x7F", "0o1", "0n11", "255"}), (MemoryWrite{0, 0x7F0103FF}));
    EXPECT_NE(refusal([] { byteWrite("q", {"1", "2", "x3", "4"}); }).find("x3"), std::string::npos);

    ControlPath m;
    store(m, byteWrite("0", {"1", "2", "3", "4"}));
    ASSERT_NE(m.peekWord(0), nullptr);
    EXPECT_EQ(*m.peekWord(0), 0x01020304);
    EXPECT_EQ(memoryLines(m, 0, 16)[0], "0x00000000: 0x01 0x02 0x03 0x04 ");
}

TEST(IjvmSkeleton, TwentyThreeLinesInTheSystemsBytes) {
    ASSERT_EQ(ijvmSkeleton.size(), 23u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(ijvmSkeleton[i].size(), 64u) << i;
    EXPECT_NE(ijvmSkeleton[1].find("codice \xE8 lo"), std::string_view::npos);
    EXPECT_EQ(ijvmSkeleton[4], ".constant");
    EXPECT_EQ(ijvmSkeleton[11], " // Inserire le variabili locali del meotodo.");
    EXPECT_EQ(ijvmSkeleton[22], ".end-main");
}
