#pragma once
// The notice dialog: one line of text and "Ok"; it says that a program must be, or has
// been, compiled and loaded.

#include <QDialog>

class QLabel;
class QPushButton;

namespace tarveno::ui {

class NoticeDialog : public QDialog {
    Q_OBJECT
  public:
    explicit NoticeDialog(double zoom = 1.0, QWidget* parent = nullptr);

    // Replaces the design text, as every caller does.
    void setMessage(const QString& message);
    QString message() const;
    // Presses "Ok", which closes the dialog.
    void pressOk();

  private:
    QLabel* message_;
    QPushButton* okButton_;
};

} // namespace tarveno::ui
