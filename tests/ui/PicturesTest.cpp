#include "ui/DatapathDrawing.h"
#include "ui/model/DatapathView.h"

#include "core/MachineDescription.h"
#include "core/Microinstruction.h"

#include <QImage>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace tarveno;
using namespace tarveno::ui;

namespace {

const QColor red(255, 0, 0);
const QColor black(0, 0, 0);
const QColor blue(0, 0, 255);

// The pictures on a plain window the size of the main window.
struct Pictures {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    DatapathDrawing* drawing;

    Pictures() {
        window->resize(839, 679);
        drawing = makeDatapathPictures(window.get());
    }
    // The datapath picture alone, in picture pixels.
    QImage picture() const { return window->findChild<QWidget*>("Image1")->grab().toImage(); }
    // The window as shown, in window pixels: the flow surface's own coordinates.
    QImage screen() const { return window->grab().toImage(); }
};

using Lines = std::vector<Polyline>;
using Pixels = std::vector<std::string>;

// The pixels along control lines that differ from the expected colour, as "x,y" texts.
Pixels offColour(const QImage& img, const Lines& lines, const QColor& colour) {
    Pixels wrong;
    for (const Polyline& line : lines) {
        const auto pts = line.view();
        for (size_t i = 1; i < pts.size(); ++i) {
            const int dx = (pts[i].x > pts[i - 1].x) - (pts[i].x < pts[i - 1].x);
            const int dy = (pts[i].y > pts[i - 1].y) - (pts[i].y < pts[i - 1].y);
            for (Point p = pts[i - 1];; p = {p.x + dx, p.y + dy}) {
                if (img.pixelColor(p.x, p.y) != colour)
                    wrong.push_back(std::to_string(p.x) + "," + std::to_string(p.y));
                if (p == pts[i]) break;
            }
        }
    }
    return wrong;
}

// The pixels of a rectangle (shifted by dx, dy) that are not the colour.
int offColour(const QImage& img, const Rect& r, const QColor& colour, int dx = 0, int dy = 0) {
    int wrong = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x)
            wrong += img.pixelColor(x + dx, y + dy) != colour;
    return wrong;
}

// The clock surface's pixels of a phase's marks that are not red.
int offRed(const QImage& screen, int phase) {
    int wrong = 0;
    for (const Rect& r : clockMarkRects(phase))
        wrong += offColour(screen, r, red, 8, 496);
    return wrong;
}

Lines allControlLines() {
    Lines all;
    for (uint32_t code = 0; code < 16; ++code)
        if (const Polyline* l = bEnableLine(code)) all.push_back(*l);
    for (int bit = 0; bit < 9; ++bit)
        all.push_back(cEnableLine(bit));
    for (int m = 0; m < markCount; ++m)
        all.push_back(markLine(m));
    return all;
}

// The full refresh after one microinstruction.
void refresh(DatapathDrawing& d, uint32_t word, bool n, bool z) {
    d.bLine(word);
    d.cLines(word);
    d.shiftAndJmpcMarks(word);
    d.nAndZMarks(n, z);
    EXPECT_TRUE(d.abFlow(field(word, Field::B), 0, {}));
    EXPECT_TRUE(d.cFlow(field(word, Field::C), 0, {}));
    d.clockRepaint();
    d.clockMark(4);
}

} // namespace

TEST(Pictures, AStepLightsItsLinesAndFlowsAndTheNextPutsThemBack) {
    Pictures p;
    // Every control line is drawn in the picture, so a lit line covers a drawn one.
    EXPECT_EQ(offColour(p.picture(), allControlLines(), black), Pixels{});

    // MDR = H + TOS; rd
    refresh(*p.drawing, makeWord(B_TOS, MemRead, 1u << MDR, 60), false, true);
    const Lines first{*bEnableLine(B_TOS), cEnableLine(MDR), markLine(1)};
    EXPECT_EQ(offColour(p.picture(), first, red), Pixels{});
    EXPECT_EQ(offColour(p.picture(), {*bEnableLine(B_PC), cEnableLine(TOS), markLine(0)}, black), Pixels{});

    const QImage screen = p.screen();
    std::vector<FlowRect> flows = abFlowRects(B_TOS, 0);
    const std::vector<FlowRect> c = cFlowRects(1u << MDR, 0);
    flows.insert(flows.end(), c.begin(), c.end());
    for (const FlowRect& f : flows)
        EXPECT_EQ(offColour(screen, f.rect, blue), 0) << f.rect.x << "," << f.rect.y;
    // Nothing beside the flow: left of the TOS stub and under the A bus.
    EXPECT_NE(screen.pixelColor(191, 244), blue);
    EXPECT_NE(screen.pixelColor(133, 321), blue);
    EXPECT_EQ(offRed(screen, 4), 0);

    // H = MBRU << 8: its lines lit, the previous ones black again, the flow wiped.
    const uint32_t step2 = makeWord(B_MBRU, 0, 1u << H, 20 | 0x80);
    p.drawing->bLine(step2);
    p.drawing->cLines(step2);
    p.drawing->shiftAndJmpcMarks(step2);
    EXPECT_EQ(offColour(p.picture(), first, black), Pixels{});
    EXPECT_EQ(offColour(p.picture(), {*bEnableLine(B_MBRU), cEnableLine(H), markLine(3)}, red), Pixels{});
    const QImage wiped = p.screen();
    for (const FlowRect& f : flows)
        EXPECT_EQ(offColour(wiped, f.rect, blue), f.rect.width * f.rect.height);
}

TEST(Pictures, ClockMarksAccumulateUntilTheClockIsRepainted) {
    Pictures p;
    p.drawing->clockRepaint();
    for (int phase = 0; phase < 4; ++phase)
        p.drawing->clockMark(phase);
    EXPECT_EQ(offRed(p.screen(), 4), 0);

    p.drawing->clockRepaint();
    p.drawing->clockMark(0);
    const QImage screen = p.screen();
    EXPECT_EQ(offRed(screen, 0), 0);
    // The later phases' marks are gone where phase 0 does not cover them.
    const QRect phase0a(91, 30, 5, 54), phase0b(91, 82, 33, 5);
    for (int phase = 1; phase < 4; ++phase)
        for (const Rect& r : clockMarkRects(phase))
            for (int y = r.y; y < r.y + r.height; ++y)
                for (int x = r.x; x < r.x + r.width; ++x) {
                    if (!phase0a.contains(x, y) && !phase0b.contains(x, y)) {
                        ASSERT_NE(screen.pixelColor(x + 8, y + 496), red) << x << "," << y;
                    }
                }
}

TEST(Pictures, AFlowOnScreenIsDrawnFromTheEventLoopAndEndsWithItsWindow) {
    // On screen, a flow that pauses runs row by row and its done comes after the last row.
    {
        Pictures p;
        p.window->show();
        bool done = false;
        ASSERT_FALSE(p.drawing->cFlow(1u << MAR, 1, [&] { done = true; })); // about 400 rows
        EXPECT_FALSE(done);
        QTest::qWait(20);
        EXPECT_FALSE(done);
        // Hidden mid-flow: the rest is drawn at the next tick.
        p.window->hide();
        QTest::qWait(20);
        EXPECT_TRUE(done);
        EXPECT_EQ(offColour(p.screen(), Rect{70, 40, 27, 8}, blue), 0);
        // finishFlow draws the rest at once.
        p.window->show();
        done = false;
        ASSERT_FALSE(p.drawing->abFlow(B_MDR, 1, [&] { done = true; }));
        p.drawing->finishFlow();
        EXPECT_TRUE(done);
    }
    // Destroyed mid-flow: the drawing stops without touching what is gone.
    {
        auto* window = new QWidget;
        window->resize(839, 679);
        DatapathDrawing* drawing = makeDatapathPictures(window);
        window->show();
        bool done = false;
        drawing->cFlow(1u << MAR, 1, [&] { done = true; });
        QTimer::singleShot(20, [window] { delete window; });
        QTest::qWait(60);
        EXPECT_FALSE(done);
    }
}
