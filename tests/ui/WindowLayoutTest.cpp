// Where the windows go on a screen.

#include "ui/model/WindowLayout.h"

#include <gtest/gtest.h>

using namespace tarveno::ui;

TEST(WindowLayout, WindowsGoInsideTheScreenAndTheIjvmWindowBesideTheMainOne) {
    const Rect laptop{0, 0, 1366, 740}, desktop{0, 0, 1920, 1050};
    EXPECT_EQ(firstLayout(laptop), Layout::Docked);
    EXPECT_EQ(firstLayout({0, 0, 1600, 900}), Layout::Classic);
    EXPECT_EQ(layoutNamed("docked"), Layout::Docked);
    EXPECT_FALSE(layoutNamed("tiled"));

    // Moved before shrunk; shrunk only to the screen.
    EXPECT_EQ(fitInside({1000, 500, 800, 400}, laptop), (Rect{566, 340, 800, 400}));
    EXPECT_EQ(fitInside({-50, -10, 2000, 300}, laptop), (Rect{0, 0, 1366, 300}));

    // Right of the main window where there is room, its height the screen's; else left of
    // it, else below it; else over the screen.
    const Rect main{0, 0, 840, 700};
    EXPECT_EQ(besideOrOver(main, laptop, 480, 1200, 740), (Rect{840, 0, 526, 740}));
    EXPECT_EQ(besideOrOver({500, 0, 840, 700}, laptop, 480, 1200, 740), (Rect{0, 0, 500, 740}));
    EXPECT_EQ(besideOrOver({300, 0, 840, 300}, laptop, 480, 1200, 600), (Rect{0, 300, 1200, 440}));
    EXPECT_EQ(besideOrOver({300, 0, 840, 700}, laptop, 480, 1200, 740), laptop);
    EXPECT_EQ(besideOrOver(main, desktop, 480, 1000, 1050), (Rect{840, 0, 1000, 1050}));
}
