#include "ui/CodeEditor.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

namespace tarveno::ui {

namespace {

// a moved toward b by t (0 to 1): readable shades on whatever colours the user picked.
QColor blend(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// A breakpoint's line number stands on this.
const QColor breakpointColour(183, 28, 28);

// The lines executing: a pale yellow that leaves red and orange marks readable.
const QColor currentColour(255, 245, 157);

QColor markColour(bool error) {
    return error ? QColor(Qt::red) : QColor(255, 140, 0);
}

// Room around the digits and the marker, from the width of a digit so it follows the zoom.
int padding(const QFontMetrics& metrics) {
    return std::max(2, metrics.horizontalAdvance(QLatin1Char('9')) / 2);
}

int markerSize(const QFontMetrics& metrics) {
    return std::max(3, metrics.height() / 3);
}

} // namespace

class Gutter : public QWidget {
  public:
    explicit Gutter(CodeEditor* editor) : QWidget(editor), editor_(editor) {}

  protected:
    void paintEvent(QPaintEvent* event) override { editor_->paintGutter(event->rect()); }
    void mousePressEvent(QMouseEvent* event) override {
        const QPoint inText(0, event->position().toPoint().y());
        emit editor_->gutterClicked(editor_->cursorForPosition(inText).blockNumber());
    }

  private:
    CodeEditor* editor_;
};

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent), gutter_(new Gutter(this)) {
    connect(this, &QPlainTextEdit::blockCountChanged, this, &CodeEditor::updateGutterWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, &CodeEditor::updateGutter);
    updateGutterWidth();
}

void CodeEditor::setMarks(const std::vector<CodeMark>& marks) {
    marks_.clear();
    const int last = document()->characterCount() - 1; // the end of the text
    for (const CodeMark& m : marks) {
        int start = std::clamp(m.start, 0, last);
        int end = std::clamp(m.end, start, last);
        if (end == start) {
            if (end < last)
                ++end;
            else if (start > 0)
                --start;
            else
                continue; // no text to mark
        }
        QTextCursor span(document());
        span.setPosition(start);
        span.setPosition(end, QTextCursor::KeepAnchor);
        marks_.push_back({span, m.error});
    }
    showMarks();
}

void CodeEditor::clearMarks() {
    marks_.clear();
    showMarks();
}

void CodeEditor::showMarks() {
    QList<QTextEdit::ExtraSelection> selections;
    if (current_.hasSelection()) {
        // A full-width shade needs a cursor without a selection: the line it stands on.
        QTextEdit::ExtraSelection s;
        s.cursor = current_;
        s.cursor.clearSelection();
        s.format.setBackground(currentColour);
        s.format.setProperty(QTextFormat::FullWidthSelection, true);
        selections << s;
    }
    for (const Mark& m : marks_) {
        QTextEdit::ExtraSelection s;
        s.cursor = m.span;
        s.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        s.format.setUnderlineColor(markColour(m.error));
        selections << s;
    }
    setExtraSelections(selections);
    gutter_->update();
}

CodeEditor::LineMark CodeEditor::lineMark(int line) const {
    LineMark worst = LineMark::None;
    for (const Mark& m : marks_) {
        if (!m.span.hasSelection()) continue; // its text was deleted
        const int first = document()->findBlock(m.span.selectionStart()).blockNumber();
        const int lastLine = document()->findBlock(m.span.selectionEnd() - 1).blockNumber();
        if (line < first || line > lastLine) continue;
        if (m.error) return LineMark::Error;
        worst = LineMark::Warning;
    }
    return worst;
}

void CodeEditor::selectSpan(int start, int end) {
    const int last = document()->characterCount() - 1;
    start = std::clamp(start, 0, last);
    end = std::clamp(end, start, last);
    // Scrolled to the start, then just enough to show the end: the whole span when it fits.
    QTextCursor cursor = textCursor();
    cursor.setPosition(start);
    setTextCursor(cursor);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void CodeEditor::setCurrentSpan(int start, int end) {
    if (start < 0) {
        current_ = QTextCursor();
        showMarks();
        return;
    }
    const int last = document()->characterCount() - 1;
    start = std::clamp(start, 0, last);
    end = std::clamp(end, start, last);
    current_ = QTextCursor(document());
    current_.setPosition(start);
    current_.setPosition(end, QTextCursor::KeepAnchor);
    if (!current_.hasSelection()) current_.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    showMarks();
    // Without wrapping the scroll bar counts lines: keep the line out of the edges.
    const int line = document()->findBlock(start).blockNumber();
    QScrollBar* bar = verticalScrollBar();
    const int shown = std::max(1, viewport()->height() / std::max(1, fontMetrics().lineSpacing()));
    if (line < bar->value() || line >= bar->value() + shown - 1) bar->setValue(line - shown / 3);
}

void CodeEditor::setBreakpoints(const std::set<int>& lines) {
    breakpoints_ = lines;
    gutter_->update();
}

std::pair<int, int> CodeEditor::currentSpan() const {
    if (!current_.hasSelection()) return {-1, -1};
    return {current_.selectionStart(), current_.selectionEnd()};
}

int CodeEditor::gutterWidth() const {
    const QFontMetrics metrics = fontMetrics();
    // Two digits at least, so the text does not shift when the tenth line is typed.
    const auto digits = std::max<qsizetype>(2, QString::number(blockCount()).size());
    return 3 * padding(metrics) + markerSize(metrics) +
           metrics.horizontalAdvance(QLatin1Char('9')) * static_cast<int>(digits);
}

void CodeEditor::updateGutterWidth() {
    const int width = gutterWidth();
    setViewportMargins(width, 0, 0, 0);
    const QRect r = contentsRect();
    gutter_->setGeometry(r.left(), r.top(), width, r.height());
}

void CodeEditor::updateGutter(const QRect& rect, int dy) {
    if (dy != 0)
        gutter_->scroll(0, dy);
    else
        gutter_->update(0, rect.y(), gutter_->width(), rect.height());
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    updateGutterWidth();
}

void CodeEditor::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    // The window zooms by setting the font: the digits' width changes with it.
    if (event->type() == QEvent::FontChange) updateGutterWidth();
    if (event->type() == QEvent::PaletteChange) gutter_->update();
}

void CodeEditor::paintGutter(const QRect& area) {
    QPainter painter(gutter_);
    const QColor base = palette().color(QPalette::Base);
    const QColor text = palette().color(QPalette::Text);
    painter.fillRect(area, blend(base, text, 0.07));
    const QFontMetrics metrics = fontMetrics();
    const int pad = padding(metrics);
    const int marker = markerSize(metrics);
    const int numberLeft = 2 * pad + marker;
    const int numberWidth = gutter_->width() - numberLeft - pad;
    painter.setFont(font());
    painter.setRenderHint(QPainter::Antialiasing);

    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= area.bottom()) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && bottom >= area.top()) {
            const LineMark mark = lineMark(block.blockNumber());
            if (mark != LineMark::None) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(markColour(mark == LineMark::Error));
                painter.drawEllipse(QRect(pad, top + (metrics.height() - marker) / 2, marker, marker));
            }
            const QRect number(numberLeft, top, numberWidth, metrics.height());
            if (breakpoints_.count(block.blockNumber())) {
                // A breakpoint: the number white on red, unlike the findings' small dots.
                painter.setPen(Qt::NoPen);
                painter.setBrush(breakpointColour);
                painter.drawRoundedRect(number.adjusted(-pad / 2, 0, pad / 2, 0), 3, 3);
                painter.setPen(Qt::white);
            } else {
                painter.setPen(blend(text, base, 0.45));
            }
            painter.drawText(number, Qt::AlignRight, QString::number(block.blockNumber() + 1));
        }
        block = block.next();
        top = bottom;
    }
}

bool CodeEditor::findNext(const QString& text) {
    if (text.isEmpty()) return false;
    if (find(text)) return true;
    // Round to the start of the text, and once more.
    const QTextCursor from = textCursor();
    moveCursor(QTextCursor::Start);
    if (find(text)) return true;
    setTextCursor(from);
    return false;
}

void CodeEditor::goToLine(int line) {
    const int last = document()->blockCount();
    QTextCursor c(document()->findBlockByNumber(std::clamp(line, 1, last) - 1));
    setTextCursor(c);
    centerCursor();
}

void CodeEditor::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() & Qt::ControlModifier;
    // The editor's own focusNextPrevChild keeps the focus (Tab is text here): the widget's
    // moves it.
    if (control && event->key() == Qt::Key_Tab) {
        QWidget::focusNextPrevChild(true); // NOLINT(bugprone-parent-virtual-call): on purpose
        return;
    }
    if (control && event->key() == Qt::Key_Backtab) {
        QWidget::focusNextPrevChild(false); // NOLINT(bugprone-parent-virtual-call): on purpose
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

} // namespace tarveno::ui
