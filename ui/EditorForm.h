#pragma once
// The memory editors' common part: an OK and a Cancel button that close the form and
// leave in accepted what was pressed.

#include <QDialog>

class QPushButton;

namespace tarveno::ui {

class EditorForm : public QDialog {
    Q_OBJECT
  public:
    using QDialog::QDialog;

    // 1 after OK, 0 after Cancel; the close box leaves it as it was (0 when made).
    int accepted = 0;

    QPushButton* BitBtn1 = nullptr; // OK
    QPushButton* BitBtn2 = nullptr; // Cancel

  public slots:
    void BitBtn1Click() {
        accepted = 1;
        accept();
    }
    void BitBtn2Click() {
        accepted = 0;
        reject();
    }

  protected:
    // Places the two buttons and connects them.
    void addButtons(QPoint ok, QPoint cancel);
};

} // namespace tarveno::ui
