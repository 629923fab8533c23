// The code editor offscreen: its gutter at every zoom, its marks beside the selection the
// window sets, and the spans it selects.

#include "ui/CodeEditor.h"
#include "ui/FormStyle.h"

#include <QTextBlock>

#include <gtest/gtest.h>

#include <memory>

using namespace tarveno::ui;

namespace {

QString lines(int count) {
    QStringList l;
    for (int i = 0; i < count; ++i)
        l << QStringLiteral("LINE%1 H = H + 1").arg(i);
    return l.join('\n');
}

std::unique_ptr<CodeEditor> editor() {
    std::unique_ptr<CodeEditor> e(style::makeCodeEditor(nullptr, places::microprogramEditor));
    e->show();
    return e;
}

// The rows of the gutter painted in colour.
std::vector<int> gutterRows(CodeEditor& e, QColor colour) {
    const QImage image = e.grab().toImage();
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = e.contentsRect().left(); x < e.viewport()->x(); ++x)
            if (image.pixelColor(x, y) == colour) {
                rows.push_back(y);
                break;
            }
    return rows;
}

} // namespace

TEST(CodeEditor, TheGutterFollowsTheLinesAndTheZoomAndMarksTheirLines) {
    auto e = editor();
    e->setPlainText(lines(99));
    const int narrow = e->gutterWidth();
    e->appendPlainText("LAST");
    const int wide = e->gutterWidth();
    EXPECT_GT(wide, narrow);
    EXPECT_GT(narrow, 0);
    EXPECT_EQ(e->viewport()->x(), e->contentsRect().left() + wide);
    QFont font = e->font(); // the window zooms by the font's pixel size
    font.setPixelSize(font.pixelSize() * 2);
    e->setFont(font);
    EXPECT_GT(e->gutterWidth(), wide * 3 / 2);
    EXPECT_EQ(e->viewport()->x(), e->contentsRect().left() + e->gutterWidth());

    // An error on the third line: its marker is beside that line only.
    const QTextBlock third = e->document()->findBlockByNumber(2);
    e->setMarks({{third.position() + 1, third.position() + 3, true}});
    const std::vector<int> red = gutterRows(*e, Qt::red);
    ASSERT_FALSE(red.empty());
    QTextCursor at(third);
    const QRect line = e->cursorRect(at).translated(0, e->viewport()->y());
    EXPECT_GE(red.front(), line.top());
    EXPECT_LE(red.back(), line.bottom());
}

TEST(CodeEditor, MarksAreWavyUnderlinesBesideTheSelectionAndFollowTheText) {
    auto e = editor();
    e->setPlainText("ONE\nTWO\nTHREE");
    e->setMarks({{4, 7, true}, {0, 1, false}, {20, 20, false}, {-5, -5, true}});
    const auto spans = [&] {
        std::vector<std::tuple<int, int, QColor>> s;
        for (const QTextEdit::ExtraSelection& x : e->extraSelections()) {
            EXPECT_EQ(x.format.underlineStyle(), QTextCharFormat::WaveUnderline);
            s.emplace_back(x.cursor.selectionStart(), x.cursor.selectionEnd(), x.format.underlineColor());
        }
        return s;
    };
    const QColor red(Qt::red), orange(255, 140, 0);
    // Past the end and before the start, a mark covers the last and the first character.
    EXPECT_EQ(spans(), (std::vector<std::tuple<int, int, QColor>>{
                           {4, 7, red}, {0, 1, orange}, {12, 13, orange}, {0, 1, red}}));
    EXPECT_EQ(e->lineMark(0), CodeEditor::LineMark::Error);
    EXPECT_EQ(e->lineMark(1), CodeEditor::LineMark::Error);
    EXPECT_EQ(e->lineMark(2), CodeEditor::LineMark::Warning);

    // The window's selection of a microinstruction leaves the marks as they are.
    e->selectSpan(8, 13);
    EXPECT_EQ(e->textCursor().selectedText(), "THREE");
    style::select(e.get(), std::pair{4, 7});
    EXPECT_EQ(spans().size(), 4u);

    // Edits carry the marks along; a mark whose text is deleted is gone from the gutter.
    QTextCursor c(e->document());
    c.insertText("X\n");
    EXPECT_EQ(std::get<0>(spans()[0]), 6);
    c.setPosition(2);
    c.setPosition(6, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    EXPECT_EQ(e->lineMark(0), CodeEditor::LineMark::None);
    EXPECT_EQ(e->lineMark(1), CodeEditor::LineMark::Error);
    e->clearMarks();
    EXPECT_TRUE(e->extraSelections().isEmpty());

    // A span far down is selected and scrolled into view.
    e->setPlainText(lines(300));
    const int start = e->document()->findBlockByNumber(250).position();
    e->selectSpan(start, start + 5);
    EXPECT_EQ(e->textCursor().selectedText(), "LINE2");
    EXPECT_TRUE(e->viewport()->rect().contains(e->cursorRect()));
}
