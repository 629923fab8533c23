#pragma once
// The drawing steps of the datapath and clock pictures, in the form the stepping
// commands and the full refresh call them. The main window creates the pictures with
// makeDatapathPictures and only calls these steps; what each step draws is decided by
// Qt-free code and painted by the pictures.

#include <cstdint>

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

    // The blue data flow, with a pause of delayMs after each drawn row (0 in the full
    // refresh, 1 in the sub-cycle phases): the B and A buses for a B field, the C bus and
    // the written registers' stubs for a C field. The caller writes the bus value
    // labels before.
    virtual void abFlow(uint32_t bField, int delayMs) = 0;
    virtual void cFlow(uint32_t cField, int delayMs) = 0;

    // The clock picture: repaint clears the marks; mark draws phase 0 to 3, or 4 for all.
    virtual void clockRepaint() = 0;
    virtual void clockMark(int phase) = 0;

    // Repaints the datapath picture, clearing the flow drawn over it.
    virtual void datapathRepaint() = 0;
};

// Creates the surfaces Image1, PaintBox1 (over Image1), Image2 and PaintBox2 (over
// Image2) as children of the main window at their places, and the drawing that paints on
// them; the drawing belongs to parent.
DatapathDrawing* makeDatapathPictures(QWidget* parent);

} // namespace tarveno::ui
