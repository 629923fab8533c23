#pragma once
// The memory editors' common part: an OK and a Cancel button that close the dialog and
// leave in accepted what was pressed.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace tarveno::ui {

struct Place;

class MemoryEditorDialog : public QDialog {
    Q_OBJECT
  public:
    using QDialog::QDialog;

    // 1 after OK, 0 after Cancel; the close box leaves it as it was (0 when made).
    int accepted = 0;

    // Presses OK or Cancel, as the user does.
    void pressOk();
    void pressCancel();

  protected:
    // Makes the two buttons and connects them.
    void addButtons(const Place& ok, const Place& cancel, double zoom);

  private:
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

} // namespace tarveno::ui
