#pragma once
// The main window's IJVM controls: the IJVM editor with its title and file name, the Step,
// Run, Clock and layout buttons, the view lists with their titles and pointer marks, the
// diagnostics list and the standard-input box. They are made hidden and, all but one mark,
// beyond the right edge; no visible command shows them. They show what the session holds
// of the IJVM program and forward the input box and the diagnostics list.

#include "ui/FormStyle.h"

#include <QObject>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace tarveno {
struct Answer;
struct IjvmDocument;
} // namespace tarveno

namespace tarveno::ui {

class IjvmControls : public QObject {
    Q_OBJECT
  public:
    IjvmControls(QWidget* client, style::PlacedControls& placed);

    // Shows what a command changed of the IJVM program.
    void show(const Answer& answer, const IjvmDocument& document);
    // Inverts the visibility of the IJVM editor, the clock picture and the two titles.
    void toggleClock(QWidget* clockPicture);

    // The input box was left with this text; the diagnostics list was clicked on a row.
    std::function<void(const QString&)> inputLeft;
    std::function<void(int)> diagnosticClicked;

    QPlainTextEdit* editor;
    QPushButton* stepButton;
    QPushButton* runButton;
    QPushButton* clockButton;
    QPushButton* layoutButton;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* title_;
    QLabel* fileName_;
    QListWidget* views_[4];
    QListWidget* diagnostics_;
    QLineEdit* input_;
};

} // namespace tarveno::ui
