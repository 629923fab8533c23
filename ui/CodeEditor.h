#pragma once
// A plain-text editor with a gutter of line numbers and marks: wavy underlines over spans
// the checker or the assembler complained about, and a marker beside their lines. The
// marks are the editor's extra selections, so the selection the window sets with
// setTextCursor (the current microinstruction) is drawn with them.

#include <QPlainTextEdit>
#include <QTextCursor>

#include <set>
#include <vector>

namespace tarveno::ui {

// A span of the editor's text in its positions (UTF-16 units), end excluded.
struct CodeMark {
    int start = 0;
    int end = 0;
    bool error = false; // an error, else a warning
};

class CodeEditor : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit CodeEditor(QWidget* parent = nullptr);

    // Replaces the marks. Each is clamped to the text; an empty one covers the character
    // at its position (the one before, at the end), so it can be seen. The marks follow
    // later edits and one whose text is deleted entirely disappears.
    void setMarks(const std::vector<CodeMark>& marks);
    void clearMarks();

    // The gutter's marker beside line (0 for the first): none, or the worst of its marks.
    enum class LineMark { None, Warning, Error };
    LineMark lineMark(int line) const;

    // Selects start to end (clamped to the text) and scrolls it into view.
    void selectSpan(int start, int end);

    // Shades the lines of start to end as the ones executing, and scrolls them into view
    // without moving the caret, so typing goes on where it was; none when start < 0.
    void setCurrentSpan(int start, int end);
    // The shaded span, or -1 and -1.
    std::pair<int, int> currentSpan() const;

    int gutterWidth() const;

    // Selects the next occurrence of text after the cursor, going round to the start;
    // false when the text holds none.
    bool findNext(const QString& text);
    // Puts the caret at the start of line (1 for the first; clamped) and shows it.
    void goToLine(int line);

    // Lines (0 for the first) whose number is shown as a breakpoint.
    void setBreakpoints(const std::set<int>& lines);
    const std::set<int>& breakpoints() const { return breakpoints_; }

  signals:
    // The gutter was clicked beside line (0 for the first).
    void gutterClicked(int line);

  protected:
    // Tab types a tab; Ctrl+Tab and Ctrl+Shift+Tab move the focus on and back.
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    friend class Gutter;
    void paintGutter(const QRect& area);
    void updateGutterWidth();
    void updateGutter(const QRect& rect, int dy);

    // A cursor keeps its mark on the same text while the text is edited.
    struct Mark {
        QTextCursor span;
        bool error;
    };
    void showMarks();

    QWidget* gutter_;
    std::vector<Mark> marks_;
    QTextCursor current_; // the lines executing, no selection when none
    std::set<int> breakpoints_;
};

} // namespace tarveno::ui
