#include "ui/InfoDialog.h"

#include "ui/FormStyle.h"

#include <QFrame>
#include <QLabel>
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
        p.setPen(QPen(style::qColour(colour::navy), 2));
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
        QFont f = style::font({44, true});
        f.setLetterSpacing(QFont::AbsoluteSpacing, 6);
        p.setFont(f);
        p.setPen(style::qColour(colour::navy));
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
        p.setPen(QPen(style::qColour(colour::navy), 1, Qt::DashLine));
        const double span = (w - 120) / 4;
        for (int i = 0; i <= 4; ++i)
            p.drawLine(QPointF(60 + i * span, hi + 10), QPointF(60 + i * span, lo));
        p.setFont(style::font({12, true}));
        p.setPen(style::qColour(colour::navy));
        const char* names[] = {"1", "2", "3", "4"};
        for (int i = 0; i < 4; ++i)
            p.drawText(QRectF(60 + i * span, lo - 22, span, 18), Qt::AlignCenter, names[i]);
    }
};

// A path to fit the line: its middle is elided, the whole path is its tool tip.
QString fitted(const QString& lead, const QString& path, const QFont& font, int width) {
    const QString shown = QFontMetrics(font).elidedText(path, Qt::ElideMiddle,
                                                        width - QFontMetrics(font).horizontalAdvance(lead));
    return lead + shown;
}

} // namespace

InfoDialog::InfoDialog(const QString& readme, const QString& examples, double zoom, QWidget* parent)
    : QDialog(parent) {
    style::setUpForm(this, places::infoDialog, zoom);
    auto* banner = new Banner(this);
    banner->setObjectName(places::infoBanner.name);
    style::place(banner, places::infoBanner, zoom);
    auto* clock = new Clock(this);
    clock->setObjectName(places::infoClock.name);
    style::place(clock, places::infoClock, zoom);
    auto* panel = new QFrame(this);
    panel->setObjectName(places::infoPanel.name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    style::place(panel, places::infoPanel, zoom);

    const QFont font = style::font(places::infoLines[0].font, zoom);
    const int width = scaled(places::infoPanel.rect.x + places::infoPanel.rect.width - 8, zoom) -
                      scaled(places::infoLines[0].rect.x, zoom);
    const QString lines[5] = {"TARVENO - MIC-1 and IJVM workbench", "C++20 and Qt 6",
                              "Version " TARVENO_VERSION, fitted("README: ", readme, font, width),
                              fitted("Examples: ", examples, font, width)};
    for (size_t i = 0; i < places::infoLines.size(); ++i) {
        QLabel* line = style::makeLabel(this, places::infoLines[i], zoom);
        style::setCaption(line, lines[i]);
    }
    findChild<QLabel*>(places::infoLines[3].name)->setToolTip(readme);
    findChild<QLabel*>(places::infoLines[4].name)->setToolTip(examples);

    QPushButton* ok = style::makeButton(this, places::infoOkButton, zoom);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace tarveno::ui
