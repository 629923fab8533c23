#include "ui/Info.h"

#include "ui/Style.h"

#include <QDate>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>

namespace tarveno::ui {

namespace {

// The program's name over a row of register boxes joined by a bus.
class Banner : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = rect();
        // The clock picture covers the lower part of this one: draw above it.
        p.setBrush(QColor(230, 238, 250));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(1, 1, r.width() - 2, 100), 8, 8);
        p.setPen(QPen(style::navy, 2));
        const double boxW = r.width() / 12, boxH = 14, top = 64;
        for (int i = 0; i < 10; ++i) {
            const double x = 12 + i * (boxW + 4);
            p.setBrush(i % 3 == 0 ? QColor(255, 255, 225) : Qt::white);
            p.drawRect(QRectF(x, top, boxW, boxH));
            p.drawLine(QPointF(x + boxW / 2, top + boxH), QPointF(x + boxW / 2, top + boxH + 10));
        }
        p.setPen(QPen(QColor(200, 0, 0), 4));
        p.drawLine(QPointF(12 + boxW / 2, top + boxH + 10),
                   QPointF(12 + 9 * (boxW + 4) + boxW / 2, top + boxH + 10));
        QFont f = style::timesFont(44, true);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 6);
        p.setFont(f);
        p.setPen(style::navy);
        p.drawText(QRectF(0, 2, r.width(), top - 2), Qt::AlignCenter, "TARVENO");
    }
};

// One clock cycle: a pulse, the four intervals, the next pulse.
class Clock : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const double w = width(), h = height(), hi = 14, lo = h - 24;
        p.setPen(QPen(QColor(200, 0, 0), 2));
        const QPointF wave[] = {{8, lo},      {40, lo},     {40, hi},     {60, hi},     {60, lo},
                                {w - 60, lo}, {w - 60, hi}, {w - 40, hi}, {w - 40, lo}, {w - 8, lo}};
        p.drawPolyline(wave, 10);
        p.setPen(QPen(style::navy, 1, Qt::DashLine));
        const double span = (w - 120) / 4;
        for (int i = 0; i <= 4; ++i)
            p.drawLine(QPointF(60 + i * span, hi + 10), QPointF(60 + i * span, lo));
        p.setFont(style::timesFont(12, true));
        p.setPen(style::navy);
        const char* names[] = {"1", "2", "3", "4"};
        for (int i = 0; i < 4; ++i)
            p.drawText(QRectF(60 + i * span, lo - 22, span, 18), Qt::AlignCenter, names[i]);
    }
};

QLabel* staticText(QWidget* parent, const char* name, int top, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(style::timesFont(13, true));
    style::setTextColour(l, Qt::black);
    style::setBackground(l, Qt::white);
    l->move(48, top);
    l->adjustSize();
    return l;
}

// A path to fit the line: its middle is elided, the whole path is its tool tip.
QString fitted(const QString& lead, const QString& path, const QFont& font, int width) {
    const QString shown = QFontMetrics(font).elidedText(path, Qt::ElideMiddle,
                                                        width - QFontMetrics(font).horizontalAdvance(lead));
    return lead + shown;
}

} // namespace

TForm2::TForm2(const QString& readme, const QString& examples, QWidget* parent) : QDialog(parent) {
    style::setUpForm(this, "Form2", "Info", {259, 70}, {472, 501}, style::timesFont(13, true), Qt::white);

    Image1 = new Banner(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(24, 32, 433, 129);
    Image2 = new Clock(this);
    Image2->setObjectName("Image2");
    Image2->setGeometry(24, 136, 361, 89);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(16, 248, 433, 153);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    style::setBackground(Panel1, Qt::white);

    // The build date of this unit, written as the calendar date.
    const QDate built = QLocale::c().toDate(QString(__DATE__).simplified(), "MMM d yyyy");
    const QFont font = style::timesFont(13, true);
    const int width = 433 - (48 - 16) - 8;
    StaticText2 =
        staticText(this, "StaticText2", 259, "TARVENO " TARVENO_VERSION " - MIC-1 and IJVM workbench");
    StaticText3 = staticText(this, "StaticText3", 286, "C++20 and Qt 6");
    StaticText4 = staticText(this, "StaticText4", 314, "Built on " + built.toString(Qt::ISODate));
    StaticText5 = staticText(this, "StaticText5", 341, fitted("README: ", readme, font, width));
    StaticText5->setToolTip(readme);
    StaticText6 = staticText(this, "StaticText6", 368, fitted("Examples: ", examples, font, width));
    StaticText6->setToolTip(examples);

    BitBtn1 = new QPushButton("Ok", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(192, 416, 78, 41);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
}

void TForm2::BitBtn1Click() {
    accept();
}

} // namespace tarveno::ui
