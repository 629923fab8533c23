#include "ui/DatapathPictures.h"

#include "core/MachineDescription.h"
#include "ui/model/Places.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarveno::ui {

namespace {

const QColor lineBlack(0, 0, 0);
const QColor lineRed(255, 0, 0);
const QColor flowBlue(0, 0, 255);
const QColor markRed(255, 0, 0);

const QColor ink(40, 40, 40);
const QColor cBusBlue(0, 0, 128);
const QColor bBusRed(215, 0, 0);
const QColor aBusGreen(0, 150, 0);
const QColor registerFill(236, 242, 252);
const QColor aluFill(236, 236, 236);
const QColor mirFill(255, 251, 232);
const QColor mpcFill(30, 34, 64);
const QColor guideGrey(150, 150, 150);

QRect zoomed(const Rect& r, double zoom) {
    const Rect z = scaled(r, zoom);
    return {z.x, z.y, z.width, z.height};
}

QFont sans(int pixelSize, bool bold = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
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

// A control line: every segment is axis-parallel, so it is filled as pixel runs that
// include both end points; red over black then covers exactly the same pixels.
void drawPolyline(QPainter& p, const Polyline& line, const QColor& colour) {
    const auto pts = line.view();
    for (size_t i = 1; i < pts.size(); ++i) {
        const Point a = pts[i - 1], b = pts[i];
        p.fillRect(
            QRect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(a.x - b.x) + 1, std::abs(a.y - b.y) + 1),
            colour);
    }
}

// A rectangle outline given by its inclusive pixel bounds, one pixel wide.
void frame(QPainter& p, int left, int top, int right, int bottom, const QColor& colour) {
    p.fillRect(QRect(left, top, right - left + 1, 1), colour);
    p.fillRect(QRect(left, bottom, right - left + 1, 1), colour);
    p.fillRect(QRect(left, top, 1, bottom - top + 1), colour);
    p.fillRect(QRect(right, top, 1, bottom - top + 1), colour);
}

void box(QPainter& p, int left, int top, int right, int bottom, const QColor& fill,
         const QColor& edge = ink) {
    p.fillRect(QRect(left, top, right - left + 1, bottom - top + 1), fill);
    frame(p, left, top, right, bottom, edge);
}

// A dotted outline, for MBR's two outputs.
void dottedFrame(QPainter& p, int left, int top, int right, int bottom) {
    for (int x = left; x <= right; x += 2) {
        p.fillRect(QRect(x, top, 1, 1), ink);
        p.fillRect(QRect(x, bottom, 1, 1), ink);
    }
    for (int y = top; y <= bottom; y += 2) {
        p.fillRect(QRect(left, y, 1, 1), ink);
        p.fillRect(QRect(right, y, 1, 1), ink);
    }
}

enum class Towards { Left, Right, Up, Down };

// A filled arrow head whose tip is the pixel (x, y); it spans halfWidth pixels either
// side of its axis and length pixels back from the tip.
void arrowHead(QPainter& p, int x, int y, Towards dir, int halfWidth, int length, const QColor& colour) {
    const qreal cx = x + 0.5, cy = y + 0.5, w = halfWidth + 0.5;
    QPolygonF head;
    switch (dir) {
    case Towards::Right:
        head << QPointF(x + 1, cy) << QPointF(x + 1 - length, cy - w) << QPointF(x + 1 - length, cy + w);
        break;
    case Towards::Left:
        head << QPointF(x, cy) << QPointF(x + length, cy - w) << QPointF(x + length, cy + w);
        break;
    case Towards::Down:
        head << QPointF(cx, y + 1) << QPointF(cx - w, y + 1 - length) << QPointF(cx + w, y + 1 - length);
        break;
    case Towards::Up:
        head << QPointF(cx, y) << QPointF(cx - w, y + length) << QPointF(cx + w, y + length);
        break;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
    p.restore();
}

void text(QPainter& p, int x, int baseline, const QString& s, const QFont& font, const QColor& colour = ink) {
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QPoint(x, baseline), s);
}

void centredText(QPainter& p, int centreX, int baseline, const QString& s, const QFont& font,
                 const QColor& colour = ink) {
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QPointF(centreX - QFontMetricsF(font).horizontalAdvance(s) / 2, baseline), s);
}

// Text read from bottom to top, its glyphs centred on centreX, ending at bottom.
void verticalText(QPainter& p, qreal centreX, int bottom, const QString& s, const QFont& font) {
    p.save();
    p.setFont(font);
    p.setPen(ink);
    p.translate(centreX, bottom);
    p.rotate(-90);
    p.drawText(QPointF(0, QFontMetricsF(font).capHeight() / 2), s);
    p.restore();
}

QString name(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// The register boxes: each ends just above the first point of its enable lines.
struct RegisterBox {
    Register reg;
    int top;
    int bottom;
};

// The register a B source code reads: codes up to OPC are numbered like the registers,
// and both MBR sources read MBR.
Register bRegister(uint32_t code) {
    return code >= B_MBRU ? MBR : static_cast<Register>(code);
}

std::vector<RegisterBox> registerBoxes() {
    // Stacked as the register readouts are. MBR is the only register without a C line;
    // its box ends above its two B gates.
    std::vector<RegisterBox> boxes;
    for (Register r : places::readoutRegisters) {
        int start = 0;
        if (r != MBR) start = cEnableLine(r).points[0].y;
        for (uint32_t code = 0; code < 16; ++code) {
            const Polyline* b = bEnableLine(code);
            if (b && bRegister(code) == r) start = std::max(start, b->points[0].y);
        }
        const int bottom = start - 1;
        // A box clears the enable lines of the register above it, which run just under that box.
        const int top = r == PC ? bottom - 21 : bottom - 22;
        boxes.push_back({r, top, bottom});
    }
    return boxes;
}

// The picture's fixed geometry, in picture pixels.
constexpr int registerLeft = 90, registerRight = 185;
constexpr int cBusLeft = 55, cBusWidth = 8, cBusBottom = 406; // vertical C bus
constexpr int bBusLeft = 205, bBusWidth = 6;
constexpr int aluTop = 315, aluBottom = 360;
constexpr int mirLeft = 350, mirTop = 255, mirRight = 770, mirBottom = 355;

// The control-word bits from bit 26 (JMPC) down to bit 4 (FETCH); the B field's four bits
// go to the decoder together.
constexpr std::array<const char*, 23> controlBitNames{
    "JMPC", "JAMN", "JAMZ", "SLL8", "SRA1", "F0", "F1",  "ENA", "ENB",   "INVA", "INC",  "H",
    "OPC",  "TOS",  "CPP",  "LV",   "SP",   "PC", "MDR", "MAR", "WRITE", "READ", "FETCH"};

void drawMir(QPainter& p) {
    box(p, mirLeft, mirTop, mirRight, mirBottom, mirFill);
    // Field bounds: after the 9 address bits, 3 JAM bits, 8 ALU bits, 9 C bits, 3 Mem bits.
    const std::array<int, 7> bounds{mirLeft, 442, 481, 582, 693, 729, mirRight};
    const std::array<const char*, 6> fields{"Addr", "JAM", "ALU", "C", "Mem", "B"};
    const QFont header = sans(11, true);
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) p.fillRect(QRect(bounds[i], mirTop, 1, mirBottom - mirTop), ink);
        centredText(p, (bounds[i] + bounds[i + 1]) / 2, mirTop + 13, QString::fromLatin1(fields[i]), header);
    }
    p.fillRect(QRect(mirLeft, mirTop + 17, mirRight - mirLeft, 1), ink);
    centredText(p, (bounds[0] + bounds[1]) / 2, 310, QStringLiteral("NEXT_"), sans(9));
    centredText(p, (bounds[0] + bounds[1]) / 2, 321, QStringLiteral("ADDRESS"), sans(9));
    centredText(p, (bounds[5] + bounds[6]) / 2, 316, QStringLiteral("bus"), sans(9));
    const QFont small = sans(9);
    for (size_t i = 0; i < controlBitNames.size(); ++i)
        verticalText(p, places::bitColumns[9 + i] + 3.5, 337, QString::fromLatin1(controlBitNames[i]), small);
}

void drawDatapath(QPainter& p);
void renderClock(QPainter& p);

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
            drawDatapath(p);
            if (self) self->drawLit(p);
        },
        parent);
    image1->setObjectName(places::datapathPicture.name);
    paintBox1 = new Overlay(parent);
    paintBox1->setObjectName(places::flowSurface.name);
    image2 = new PictureCanvas(
        QSize(clockWidth, clockHeight), [](QPainter& p) { renderClock(p); }, parent);
    image2->setObjectName(places::clockPicture.name);
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

// ---------------------------------------------------------------------------------------------

namespace {

void drawDatapath(QPainter& p) {
    const QFont label = sans(11, true);

    // Main memory: MAR and PC address it, MDR is written and read, MBR receives bytes.
    const auto memoryArrow = [&](int from, int to, int y) {
        p.fillRect(QRect(std::min(from, to), y, std::abs(to - from) + 1, 1), ink);
        arrowHead(p, to, y, to < from ? Towards::Left : Towards::Right, 3, 6, ink);
    };
    memoryArrow(52, 3, 34);
    memoryArrow(52, 3, 55);
    memoryArrow(3, 52, 64);
    memoryArrow(52, 10, 89);
    memoryArrow(18, 52, 117);

    // The C bus: from the shifter along the bottom and up the left, into every register
    // that the C bus can write.
    p.fillRect(QRect(cBusLeft, 22, cBusWidth, cBusBottom - 22 + 1), cBusBlue);
    p.fillRect(QRect(cBusLeft, 399, 115, 8), cBusBlue);
    p.fillRect(QRect(165, 395, 5, 4), cBusBlue);
    const Point flowShift = flowOffset;
    for (int bit = MAR; bit <= H; ++bit) {
        const int y = cFlowRow(bit) - flowShift.y;
        p.fillRect(QRect(63, y + 3, 20, 2), cBusBlue);
        arrowHead(p, 89, y + 3, Towards::Right, 4, 7, cBusBlue);
    }

    // The registers.
    for (const RegisterBox& b : registerBoxes()) {
        if (b.reg == MBR) {
            p.fillRect(QRect(registerLeft, b.top, registerRight - registerLeft + 1, b.bottom - b.top + 1),
                       registerFill);
            dottedFrame(p, registerLeft, b.top, registerRight, b.bottom);
            // Split where the signed and the unsigned output leave.
            for (int y = b.top; y <= b.bottom; y += 2)
                p.fillRect(QRect(169, y, 1, 1), ink);
            for (int x = 169; x <= registerRight; x += 2)
                p.fillRect(QRect(x, 117, 1, 1), ink);
        } else {
            box(p, registerLeft, b.top, registerRight, b.bottom, registerFill);
        }
        text(p, registerLeft + 4, (b.top + b.bottom) / 2 + 5, name(registerNames[b.reg]) + ':', label);
    }

    // MBR's eight bits go to the O box.
    p.fillRect(QRect(registerRight + 1, 126, 300 - registerRight, 1), ink);
    p.fillRect(QRect(300, 116, 1, 11), ink);
    p.fillRect(QRect(300, 116, 8, 1), ink);
    arrowHead(p, 311, 116, Towards::Right, 3, 5, ink);

    // The B bus, fed by every B source through its stub, down into the ALU.
    for (uint32_t code = 0; code < 16; ++code) {
        const int row = bFlowRow(code);
        if (row == noBFlowRow) continue;
        const int y = row - flowShift.y + 3;
        p.fillRect(QRect(registerRight + 1, y, 12, 3), bBusRed);
        arrowHead(p, bBusLeft - 1, y + 1, Towards::Right, 3, 6, bBusRed);
    }
    p.fillRect(QRect(bBusLeft, 46, bBusWidth, 307 - 46 + 1), bBusRed);
    arrowHead(p, bBusLeft + 2, aluTop - 1, Towards::Down, 6, 7, bBusRed);
    p.fillRect(QRect(bBusLeft + 3, 308, 1, 6), bBusRed);
    text(p, 214, 289, QStringLiteral("Bus B"), label, bBusRed);

    // The decoder of the B field, fed from the microinstruction register.
    box(p, 215, 22, 320, 50, Qt::white);
    centredText(p, 268, 40, QStringLiteral("4-to-16 Decoder"), sans(10, true));
    p.fillRect(QRect(mirRight + 1, 280, 785 - mirRight, 2), ink);
    p.fillRect(QRect(784, 10, 2, 272), ink);
    p.fillRect(QRect(267, 10, 519, 2), ink);
    p.fillRect(QRect(267, 10, 2, 6), ink);
    arrowHead(p, 267, 21, Towards::Down, 4, 6, ink);
    p.fillRect(QRect(522, 6, 1, 1), ink);
    p.drawLine(QPointF(520.5, 15.5), QPointF(526.5, 5.5));
    text(p, 529, 8, QStringLiteral("4"), sans(9));

    // MPC, fed by the O box (low bits) and the high-bit box, addressing the control store.
    box(p, 280, 72, 345, 100, mpcFill);
    text(p, 284, 90, QStringLiteral("MPC"), sans(10, true), Qt::white);
    p.fillRect(QRect(346, 86, 3, 1), ink);
    arrowHead(p, 350, 86, Towards::Right, 3, 4, ink);
    box(p, 312, 104, 334, 126, Qt::white);
    centredText(p, 323, 120, QStringLiteral("O"), sans(12, true));
    p.fillRect(QRect(323, 102, 1, 2), ink);
    arrowHead(p, 323, 101, Towards::Up, 2, 2, ink);
    box(p, 265, 278, 297, 318, Qt::white);
    centredText(p, 281, 295, QStringLiteral("High"), sans(9));
    centredText(p, 281, 306, QStringLiteral("bit"), sans(9));

    // NEXT_ADDRESS from the microinstruction register: low bits to the O box, the high bit
    // to the high-bit box.
    p.fillRect(QRect(298, 300, mirLeft - 298, 1), ink);
    p.fillRect(QRect(324, 128, 1, 300 - 128), ink);
    arrowHead(p, 324, 127, Towards::Up, 3, 6, ink);
    arrowHead(p, 298, 300, Towards::Left, 3, 6, ink);

    // The ALU: A from H (green), B from the B bus; N and Z leave its right edge.
    const QPolygonF alu{{90, aluTop}, {246, aluTop}, {208.5, aluBottom + 1.0}, {127.5, aluBottom + 1.0}};
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, 1));
    p.setBrush(aluFill);
    p.drawPolygon(alu.translated(0.0, 0.5));
    p.restore();
    centredText(p, 168, aluTop + 17, QStringLiteral("ALU"), sans(12, true));
    p.fillRect(QRect(124, 301, 6, 7), aBusGreen);
    arrowHead(p, 126, aluTop - 1, Towards::Down, 5, 7, aBusGreen);
    box(p, 241, 325, 274, 341, Qt::white);
    text(p, 244, 338, QStringLiteral("N:"), label);
    box(p, 241, 357, 274, 373, Qt::white);
    text(p, 244, 370, QStringLiteral("Z:"), label);

    // The shifter, under the ALU, onto the C bus.
    p.fillRect(QRect(166, aluBottom + 1, 3, 7), ink);
    arrowHead(p, 167, 373, Towards::Down, 4, 6, ink);
    box(p, 140, 374, 195, 394, Qt::white);
    centredText(p, 168, 388, QStringLiteral("Shifter"), sans(10, true));

    // The microinstruction register, loaded from the control store above it.
    drawMir(p);
    p.fillRect(QRect(557, 236, 7, 12), ink);
    arrowHead(p, 560, 254, Towards::Down, 8, 8, ink);

    text(p, 70, 391, QStringLiteral("Mic-1"), sans(18, true));

    // The control lines last, in black, as every step puts them back.
    for (uint32_t code = 0; code < 16; ++code)
        if (const Polyline* l = bEnableLine(code)) drawPolyline(p, *l, lineBlack);
    for (int bit = MAR; bit <= H; ++bit)
        drawPolyline(p, cEnableLine(bit), lineBlack);
    for (int m = 0; m < markCount; ++m)
        drawPolyline(p, markLine(m), lineBlack);
}

void renderClock(QPainter& p) {
    // The legend in two rows of two, as large as the width allows.
    const std::array<QString, 4> legend{
        QStringLiteral("1.I segnali di controllo si stabilizzano"), QStringLiteral("2.Registri scritti su B"),
        QStringLiteral("3.Alu e Shitter calcolano"), QStringLiteral("4.Risultati su C e ai registri")};
    int size = 10;
    for (; size > 7; --size) {
        const QFontMetrics m(sans(size));
        const int left = std::max(m.horizontalAdvance(legend[0]), m.horizontalAdvance(legend[2]));
        const int right = std::max(m.horizontalAdvance(legend[1]), m.horizontalAdvance(legend[3]));
        if (left + right + 12 <= clockWidth - 4) break;
    }
    const QFont legendFont = sans(size);
    const QFontMetrics lm(legendFont);
    const int column = 4 + std::max(lm.horizontalAdvance(legend[0]), lm.horizontalAdvance(legend[2])) + 12;
    text(p, 4, 11, legend[0], legendFont);
    text(p, column, 11, legend[1], legendFont);
    text(p, 4, 23, legend[2], legendFont);
    text(p, column, 23, legend[3], legendFont);

    // The clock: a pulse, the low cycle traced by the phase marks, the next pulse.
    const auto level = [&](int x, int y, int w, int h) { p.fillRect(QRect(x, y, w, h), lineBlack); };
    level(20, 82, 40, 5);
    level(56, 30, 5, 57);
    level(56, 30, 40, 5);
    level(91, 30, 5, 57);
    level(91, 82, 160, 5);
    level(246, 30, 5, 57);
    level(246, 30, 27, 5);
    level(268, 30, 5, 57);
    level(268, 82, 30, 5);

    centredText(p, 170, 45, QStringLiteral("Ciclo del Clock"), sans(11, true));
    p.fillRect(QRect(99, 51, 144, 1), guideGrey);
    arrowHead(p, 97, 51, Towards::Left, 2, 5, guideGrey);
    arrowHead(p, 244, 51, Towards::Right, 2, 5, guideGrey);

    // The four intervals of the cycle, bounded where the phase marks meet.
    for (int x : {123, 153, 191})
        for (int y = 56; y < 81; y += 3)
            p.fillRect(QRect(x, y, 1, 2), guideGrey);
    const QFont delta = sans(11);
    centredText(p, 109, 76, QStringLiteral("\u0394w"), delta);
    centredText(p, 138, 76, QStringLiteral("\u0394x"), delta);
    centredText(p, 172, 76, QStringLiteral("\u0394y"), delta);
    centredText(p, 218, 76, QStringLiteral("\u0394z"), delta);

    centredText(p, 93, 101, QStringLiteral("inizio ciclo"), sans(10));
    const QFont note = sans(9);
    text(p, 278, 46, QStringLiteral("MPC usato per"), note);
    text(p, 278, 57, QStringLiteral("caricare il MIR"), note);
}

} // namespace

} // namespace tarveno::ui
