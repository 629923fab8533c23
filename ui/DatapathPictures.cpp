#include "ui/DatapathPictures.h"

#include "ui/Diagrams.h"
#include "ui/FormStyle.h"
#include "ui/model/Places.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarveno::ui {

namespace {

const QColor lineBlack = style::qColour(colour::black);
const QColor lineRed = style::qColour(colour::red);
const QColor flowBlue = style::qColour(colour::blue);
const QColor markRed = style::qColour(colour::red);

QRect zoomed(const Rect& r, double zoom) {
    const Rect z = scaled(r, zoom);
    return {z.x, z.y, z.width, z.height};
}

qreal deviceRatio(const QWidget* w) {
    const qreal r = w->devicePixelRatioF();
    return r > 0 ? r : 1.0;
}

QImage makeCanvas(QSize logical, qreal ratio, QImage::Format format) {
    QImage img(QSize(static_cast<int>(std::ceil(logical.width() * ratio)),
                     static_cast<int>(std::ceil(logical.height() * ratio))),
               format);
    img.setDevicePixelRatio(ratio);
    return img;
}

} // namespace

// ---------------------------------------------------------------------------------------------

PictureCanvas::PictureCanvas(QSize size, std::function<void(QPainter&)> renderFn, QWidget* parent)
    : QWidget(parent), pictureSize(size), render(std::move(renderFn)) {}

QImage& PictureCanvas::canvas() {
    const qreal ratio = deviceRatio(this) * zoom;
    if (image.isNull() || image.devicePixelRatio() != ratio) {
        image = makeCanvas(pictureSize, ratio, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setRenderHint(QPainter::TextAntialiasing);
        render(p);
    }
    return image;
}

void PictureCanvas::setZoom(double z) {
    zoom = z;
    update();
}

void PictureCanvas::paintEvent(QPaintEvent*) {
    // The canvas holds zoom times as many pixels: scaled back, each lands on one pixel.
    QPainter p(this);
    p.scale(zoom, zoom);
    p.drawImage(QPoint(0, 0), canvas());
}

void PictureCanvas::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        image = QImage();
        update();
    }
    QWidget::changeEvent(event);
}

Overlay::Overlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QImage& Overlay::surface() {
    // Made anew (empty) when the surface was resized, zoomed or moved to a screen of
    // another ratio.
    const qreal ratio = deviceRatio(this) * zoom;
    const QSize logical = logicalSize.isValid() ? logicalSize : size();
    if (image.isNull() || image.devicePixelRatio() != ratio || madeFor != logical) {
        madeFor = logical;
        image = makeCanvas(logical, ratio, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    }
    return image;
}

void Overlay::setZoom(QSize logical, double z) {
    logicalSize = logical;
    zoom = z;
    update();
}

void Overlay::clear() {
    surface().fill(Qt::transparent);
    update();
}

void Overlay::fill(const QRect& area, const QColor& colour) {
    QPainter p(&surface());
    p.fillRect(area, colour);
}

void Overlay::show(const QRect& area) {
    update(QRectF(area.x() * zoom, area.y() * zoom, area.width() * zoom, area.height() * zoom)
               .toAlignedRect()
               .adjusted(-1, -1, 1, 1));
}

void Overlay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.scale(zoom, zoom);
    p.drawImage(QPoint(0, 0), surface());
}

// ---------------------------------------------------------------------------------------------

DatapathPictures::DatapathPictures(QWidget* parent) : QObject(parent) {
    // Image1 belongs to the window like the drawing; should it outlive the drawing, its
    // canvas is made without the lit lines.
    image1 = new PictureCanvas(
        QSize(datapathWidth, datapathHeight),
        [self = QPointer<DatapathPictures>(this)](QPainter& p) {
            drawDatapathDiagram(p);
            if (self) self->drawLit(p);
        },
        parent);
    image1->setObjectName(places::datapathPicture.name);
    image1->setAccessibleName("Datapath");
    paintBox1 = new Overlay(parent);
    paintBox1->setObjectName(places::flowSurface.name);
    image2 = new PictureCanvas(
        QSize(clockWidth, clockHeight), [](QPainter& p) { drawClockDiagram(p); }, parent);
    image2->setObjectName(places::clockPicture.name);
    image2->setAccessibleName("Clock");
    paintBox2 = new Overlay(parent);
    paintBox2->setObjectName(places::clockMarks.name);
    setZoom(1.0);

    // A repeating timer drives the flow; each tick draws the rows whose time has come, so
    // the rows keep their tempo of a millisecond however late a tick is. Four
    // milliseconds a tick is still faster than any screen shows, at a quarter of the
    // wake-ups.
    animation.setTimerType(Qt::PreciseTimer);
    animation.setInterval(4);
    connect(&animation, &QTimer::timeout, this, [this] { drawDueRows(false); });
    clock.start();
}

DatapathDrawing* makeDatapathPictures(QWidget* parent) {
    return new DatapathPictures(parent);
}

void DatapathPictures::setZoom(double zoom) {
    image1->setGeometry(zoomed(places::datapathPicture.rect, zoom));
    image1->setZoom(zoom);
    paintBox1->setGeometry(zoomed(places::flowSurface.rect, zoom));
    paintBox1->setZoom({places::flowSurface.rect.width, places::flowSurface.rect.height}, zoom);
    image2->setGeometry(zoomed(places::clockPicture.rect, zoom));
    image2->setZoom(zoom);
    paintBox2->setGeometry(zoomed(places::clockMarks.rect, zoom));
    paintBox2->setZoom({places::clockMarks.rect.width, places::clockMarks.rect.height}, zoom);
}

void DatapathPictures::applyLines(const LineStep& step, LineGroup group, bool keepRed) {
    if (!keepRed) lit[group].clear();
    lit[group].insert(lit[group].end(), step.red.begin(), step.red.end());
    if (!image1) return;
    {
        QPainter p(&image1->canvas());
        for (const Polyline& l : step.black)
            drawPolyline(p, l, lineBlack);
        for (const Polyline& l : step.red)
            drawPolyline(p, l, lineRed);
    }
    datapathRepaint();
}

void DatapathPictures::bLine(uint32_t word) {
    applyLines(bLineStep(word), BLines, false);
}
void DatapathPictures::cLines(uint32_t word) {
    applyLines(cLinesStep(word), CLines, false);
}
void DatapathPictures::shiftAndJmpcMarks(uint32_t word) {
    applyLines(shiftAndJmpcStep(word), Marks, false);
}
void DatapathPictures::nAndZMarks(bool n, bool z) {
    applyLines(nAndZStep(n, z), Marks, true);
}

void DatapathPictures::drawLit(QPainter& p) const {
    for (const auto& group : lit)
        for (const Polyline& l : group)
            drawPolyline(p, l, lineRed);
}

void DatapathPictures::datapathRepaint() {
    // Repainting the picture wipes the flow drawn over it.
    if (image1) image1->update();
    if (paintBox1) paintBox1->clear();
}

bool DatapathPictures::abFlow(uint32_t bField, int delayMs, std::function<void()> done) {
    return startFlow(paintBox1, abFlowRects(bField, delayMs), flowBlue, std::move(done));
}

bool DatapathPictures::cFlow(uint32_t cField, int delayMs, std::function<void()> done) {
    return startFlow(paintBox1, cFlowRects(cField, delayMs), flowBlue, std::move(done));
}

void DatapathPictures::clockRepaint() {
    if (image2) image2->update();
    if (paintBox2) paintBox2->clear();
}

void DatapathPictures::clockMark(int phase) {
    if (!paintBox2) return;
    for (const Rect& r : clockMarkRects(phase))
        paintBox2->fill(QRect(r.x, r.y, r.width, r.height), markRed);
    paintBox2->update();
}

bool DatapathPictures::startFlow(Overlay* surface, const std::vector<FlowRect>& rects, const QColor& colour,
                                 std::function<void()> done) {
    finishFlow();
    std::vector<FlowRow> rows = flowRows(rects);
    const bool pauses = std::any_of(rows.begin(), rows.end(), [](const FlowRow& r) { return r.delayMs > 0; });
    // Hidden (the window closing) or without a pause, the rows are drawn at once and
    // shown together.
    const bool animated = pauses && surface && surface->isVisible();
    flow =
        Flow{surface, colour, std::move(rows), 0, clock.nsecsElapsed(), animated ? std::move(done) : nullptr};
    if (!animated) {
        drawDueRows(true);
        return true;
    }
    animation.start();
    drawDueRows(false);
    return false;
}

void DatapathPictures::finishFlow() {
    if (animation.isActive()) drawDueRows(true);
}

void DatapathPictures::drawDueRows(bool instantly) {
    // A window hidden mid-flow has it finished at once.
    instantly = instantly || !flow.surface || !flow.surface->isVisible();
    const qint64 now = clock.nsecsElapsed();
    while (flow.next < flow.rows.size()) {
        const FlowRow& r = flow.rows[flow.next];
        // Rows drawn without pause take no credit: a rectangle starts its tempo afresh.
        if (r.startsRect) flow.deadline = std::max(flow.deadline, now);
        if (!instantly && flow.deadline > now) return;
        const QRect row(r.row.x, r.row.y, r.row.width, r.row.height);
        if (flow.surface) {
            flow.surface->fill(row, flow.colour);
            if (!instantly) flow.surface->show(row);
        }
        flow.deadline += r.delayMs * qint64(1000000);
        ++flow.next;
    }
    if (instantly && flow.surface) flow.surface->update();
    animation.stop();
    // The flow is over before its done runs, which may start the next one.
    if (auto done = std::exchange(flow.done, nullptr)) done();
}

} // namespace tarveno::ui
