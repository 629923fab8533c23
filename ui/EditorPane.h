#pragma once
// The microprogram editor with its title and file name above it and the checker's report
// below: it shows the session's document, the report and its findings marked in the
// editor, and hands over what the user typed and which report line was chosen.

#include "ui/FormStyle.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QSplitter;

namespace tarveno {
struct Outcome;
struct EditorSpan;
class Session;
} // namespace tarveno

namespace tarveno::ui {

class CodeEditor;

class EditorPane : public QObject {
    Q_OBJECT
  public:
    EditorPane(QWidget* client, style::PlacedControls& placed);

    // Shows the document: its text when the command reloaded it, the modified mark, the
    // file name and the report with its findings.
    void show(const Outcome& outcome, const Session& session);
    // The file name, with "*" while the editor holds work on no disk.
    void showName(const Session& session);
    // Shows the title and the file name: the window's layout.
    void showTitle();
    // The splitter of the editor and the report (Classic), and the report itself.
    QWidget* area() const;
    QPlainTextEdit* report() const { return report_; }
    // Docked: the editor and the report stand in docks of their own, the report always
    // shown; otherwise both go back into the area, the report there only when it has
    // something to say.
    void setDocked(bool docked);
    // The editor's text: UTF-8, lines ended by "\n".
    std::string text() const;
    void setReadOnly(bool readOnly);
    // Puts the cursor on span, selected and in view.
    void selectSpan(const EditorSpan& span);

    // The user changed the text.
    std::function<void()> edited;
    // The user chose a line of the report (0-based), by a click or Enter.
    std::function<void(int)> reportLineClicked;

    CodeEditor* editor;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void chooseReportLine();

    void showReport(bool shown);

    QLabel* title_;
    QLabel* fileName_;
    QSplitter* area_;
    QPlainTextEdit* report_;
    bool docked_ = false;
    bool reportShown_ = false;
    bool showing_ = false; // the pane itself changes the text
};

} // namespace tarveno::ui
