#pragma once
// The datapath and clock pictures as widgets: Image1 and Image2 hold the drawn diagrams
// on canvases of their own (the control lines stay on Image1's until redrawn), PaintBox1
// and PaintBox2 lie over them, transparent, and take the blue data flow and the red
// clock marks. Everything is drawn at the screen's device pixel ratio in the pictures'
// logical coordinates.

#include "ui/DatapathDrawing.h"
#include "ui/model/DatapathView.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class QPainter;

namespace tarveno::ui {

// A picture of a fixed logical size kept on a canvas image; render draws it from scratch
// whenever the canvas is (re)made for the widget's pixel ratio or zoom.
class PictureCanvas : public QWidget {
    Q_OBJECT
  public:
    PictureCanvas(QSize pictureSize, std::function<void(QPainter&)> render, QWidget* parent);

    // The canvas, made anew when the pixel ratio or the zoom changed; paint on it in
    // picture pixels.
    QImage& canvas();
    void setZoom(double zoom);

  protected:
    void paintEvent(QPaintEvent* event) override;
    // A new language draws the picture's words again.
    void changeEvent(QEvent* event) override;

  private:
    QSize pictureSize;
    std::function<void(QPainter&)> render;
    double zoom = 1.0;
    QImage image;
};

// A transparent surface over a picture that keeps what was drawn on it until cleared;
// drawn on in its own logical coordinates, whatever the zoom.
class Overlay : public QWidget {
    Q_OBJECT
  public:
    explicit Overlay(QWidget* parent);

    void clear();
    // Fills one rectangle of the surface in colour.
    void fill(const QRect& area, const QColor& colour);
    // Repaints one rectangle of the surface soon.
    void show(const QRect& area);
    // The surface's logical size at its zoom; what was drawn is kept only at the same zoom.
    void setZoom(QSize logicalSize, double zoom);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage& surface();
    QSize logicalSize;
    double zoom = 1.0;
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
    bool abFlow(uint32_t bField, int delayMs, std::function<void()> done) override;
    bool cFlow(uint32_t cField, int delayMs, std::function<void()> done) override;
    void finishFlow() override;
    void clockRepaint() override;
    void clockMark(int phase) override;
    void setZoom(double zoom) override;

  private:
    enum LineGroup { BLines, CLines, Marks, GroupCount };

    // Puts a step's lines on Image1's canvas; the group's red lines are remembered so
    // that a canvas made anew (another pixel ratio or zoom) shows them again.
    void applyLines(const LineStep& step, LineGroup group, bool keepRed);
    void drawLit(QPainter& p) const;
    // Repaints the datapath picture, clearing the flow drawn over it.
    void datapathRepaint();
    // Starts a flow on surface: at once when nothing pauses or the surface is not on
    // screen (answering true), otherwise row by row from the animation timer.
    bool startFlow(Overlay* surface, const std::vector<FlowRect>& rects, const QColor& colour,
                   std::function<void()> done);
    // Draws the rows whose time has come; with instantly, all that are left.
    void drawDueRows(bool instantly);

    QPointer<PictureCanvas> image1;
    QPointer<Overlay> paintBox1;
    QPointer<PictureCanvas> image2;
    QPointer<Overlay> paintBox2;
    std::vector<Polyline> lit[GroupCount];

    // The flow being animated: its rows, the next one, and when it may be drawn.
    struct Flow {
        QPointer<Overlay> surface;
        QColor colour;
        std::vector<FlowRow> rows;
        size_t next = 0;
        qint64 deadline = 0; // nanoseconds on clock
        std::function<void()> done;
    } flow;
    QElapsedTimer clock;
    QTimer animation;
};

} // namespace tarveno::ui
