#pragma once
// The microprogram editor with its title and file name above it and the checker's report
// below: it shows the session's document and hands over what the user typed.

#include "ui/FormStyle.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPlainTextEdit;

namespace tarveno {
struct Answer;
struct EditorSpan;
class Session;
} // namespace tarveno

namespace tarveno::ui {

class EditorPane : public QObject {
    Q_OBJECT
  public:
    EditorPane(QWidget* client, style::PlacedControls& placed);

    // Shows the document: its text when the command reloaded it, the modified mark, the
    // file name and the report.
    void show(const Answer& answer, const Session& session);
    // Shows the title and the file name: the window's layout.
    void showTitle();
    // The editor's text: UTF-8, lines ended by "\n".
    std::string text() const;
    void setReadOnly(bool readOnly);

    // The user changed the text.
    std::function<void()> edited;

    QPlainTextEdit* editor;

  private:
    QLabel* title_;
    QLabel* fileName_;
    QPlainTextEdit* report_;
    bool showing_ = false; // the pane itself changes the text
};

} // namespace tarveno::ui
