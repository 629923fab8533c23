#include "ui/Diagrams.h"
#include "ui/FormStyle.h"

#include "core/MachineDescription.h"
#include "ui/model/Places.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>

namespace tarveno::ui {

QFont pictureFont(int pixelSize, bool bold) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

namespace {

const QColor lineBlack = style::qColour(colour::black);
const QColor ink = style::qColour(colour::pictureInk);
const QColor cBusBlue = style::qColour(colour::navy);
const QColor bBusRed = style::qColour(colour::bBus);
const QColor aBusGreen = style::qColour(colour::aBus);
const QColor registerFill = style::qColour(colour::registerFill);
const QColor aluFill = style::qColour(colour::aluFill);
const QColor mirFill = style::qColour(colour::mirFill);
const QColor mpcFill = style::qColour(colour::mpcFill);
const QColor guideGrey = style::qColour(colour::guideGrey);

QFont sans(int pixelSize, bool bold = false) {
    return pictureFont(pixelSize, bold);
}

} // namespace

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

void drawDatapathDiagram(QPainter& p) {
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

QStringList clockDiagramTexts() {
    // The course's words; the Shitter is the course material's own spelling.
    const auto tr = [](const char* text) { return QCoreApplication::translate("Diagrams", text); };
    return {tr("1.I segnali di controllo si stabilizzano"),
            tr("2.Registri scritti su B"),
            tr("3.Alu e Shitter calcolano"),
            tr("4.Risultati su C e ai registri"),
            tr("Ciclo del Clock"),
            tr("inizio ciclo"),
            tr("MPC usato per"),
            tr("caricare il MIR")};
}

void drawClockDiagram(QPainter& p) {
    // The legend in two rows of two, as large as the width allows.
    const QStringList texts = clockDiagramTexts();
    const std::array<QString, 4> legend{texts[0], texts[1], texts[2], texts[3]};
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

    centredText(p, 170, 45, texts[4], sans(11, true));
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

    centredText(p, 93, 101, texts[5], sans(10));
    const QFont note = sans(9);
    text(p, 278, 46, texts[6], note);
    text(p, 278, 57, texts[7], note);
}

} // namespace tarveno::ui
