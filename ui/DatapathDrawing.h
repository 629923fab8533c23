#pragma once
// The drawing steps of the datapath and clock pictures, in the form the readout panel
// calls them. What each step draws is decided by Qt-free code (ui/model/DatapathView) and
// painted by the pictures; the main window makes the pictures with makeDatapathPictures.

#include <cstdint>
#include <functional>

class QWidget;

namespace tarveno::ui {

class DatapathDrawing {
  public:
    virtual ~DatapathDrawing() = default;

    // The control lines of the microinstruction executed last, from its control word:
    // B-bus enable, C-bus enables, shift and JMPC marks (each puts its own lines back to
    // black first); then, in the full refresh only, the N and Z marks.
    virtual void bLine(uint32_t word) = 0;
    virtual void cLines(uint32_t word) = 0;
    virtual void shiftAndJmpcMarks(uint32_t word) = 0;
    virtual void nAndZMarks(bool n, bool z) = 0;

    // The blue data flow with a pause of delayMs after each row (0 in the full refresh, 1
    // in the sub-cycle phases; the written registers' stubs always pause): the B and A
    // buses for a B field, the C bus and the stubs for a C field. Drawn at once, answering
    // true, when nothing pauses or the pictures are not on screen; otherwise drawn row by
    // row from the event loop, answering false, and done runs after the last row.
    virtual bool abFlow(uint32_t bField, int delayMs, std::function<void()> done) = 0;
    virtual bool cFlow(uint32_t cField, int delayMs, std::function<void()> done) = 0;
    // Draws what is left of a flow in progress at once, then runs its done.
    virtual void finishFlow() = 0;

    // The clock picture: repaint clears the marks; mark draws phase 0 to 3, or 4 for all.
    virtual void clockRepaint() = 0;
    virtual void clockMark(int phase) = 0;

    // Places and paints the pictures at a zoom (1 is their own size).
    virtual void setZoom(double zoom) = 0;
};

// Creates the surfaces Image1, PaintBox1 (over Image1), Image2 and PaintBox2 (over
// Image2) as children of the main window's client area at their places, and the drawing
// that paints on them; the drawing belongs to parent.
DatapathDrawing* makeDatapathPictures(QWidget* parent);

} // namespace tarveno::ui
