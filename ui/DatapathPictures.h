#pragma once
// The datapath and clock pictures as widgets: Image1 and Image2 hold the drawn diagrams
// on canvases of their own (the control lines stay on Image1's until redrawn), PaintBox1
// and PaintBox2 lie over them, transparent, and take the blue data flow and the red
// clock marks. Everything is drawn at the screen's device pixel ratio in the pictures'
// logical coordinates.

#include "ui/DatapathDrawing.h"
#include "ui/DatapathView.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QElapsedTimer;
class QPainter;

namespace tarveno::ui {

// A picture of a fixed logical size kept on a canvas image; render draws it from scratch
// whenever the canvas is (re)made for the widget's pixel ratio.
class PictureCanvas : public QWidget {
    Q_OBJECT
  public:
    PictureCanvas(QSize pictureSize, std::function<void(QPainter&)> render, QWidget* parent);

    // The canvas, made anew when the pixel ratio changed; paint on it in picture pixels.
    QImage& canvas();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QSize pictureSize;
    std::function<void(QPainter&)> render;
    QImage image;
};

// A transparent surface over a picture that keeps what was drawn on it until cleared.
class Overlay : public QWidget {
    Q_OBJECT
  public:
    explicit Overlay(QWidget* parent);

    void clear();
    // Fills one rectangle of the surface, given in its own coordinates, in colour.
    void fill(const QRect& area, const QColor& colour);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage& surface();
    QImage image;
    QSize madeFor;
};

class DatapathPictures final : public QObject, public DatapathDrawing {
    Q_OBJECT
  public:
    explicit DatapathPictures(QWidget* parent);

    void bLine(uint32_t word) override;
    void cLines(uint32_t word) override;
    void shiftAndJmpcMarks(uint32_t word) override;
    void nAndZMarks(bool n, bool z) override;
    void abFlow(uint32_t bField, int delayMs) override;
    void cFlow(uint32_t cField, int delayMs) override;
    void clockRepaint() override;
    void clockMark(int phase) override;
    void datapathRepaint() override;

  private:
    enum LineGroup { BLines, CLines, Marks, GroupCount };

    // Puts a step's lines on Image1's canvas; the group's red lines are remembered so
    // that a canvas made anew (another pixel ratio) shows them again.
    void applyLines(const LineStep& step, LineGroup group, bool keepRed);
    void drawLit(QPainter& p) const;
    // Fills the rectangles row by row; false when the pictures went away during a pause,
    // after which nothing of this object may be touched.
    bool fillRects(Overlay* surface, const std::vector<FlowRect>& rects, const QColor& colour);
    bool pauseUntil(const QElapsedTimer& clock, qint64 deadline);

    QPointer<PictureCanvas> image1;
    QPointer<Overlay> paintBox1;
    QPointer<PictureCanvas> image2;
    QPointer<Overlay> paintBox2;
    std::vector<Polyline> lit[GroupCount];
};

} // namespace tarveno::ui
