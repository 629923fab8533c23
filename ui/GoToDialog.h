#pragma once
// The dialog that asks for one value, the address of "Go at"; it has no Cancel, so closing
// it by any means hands back what the box holds.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarveno::ui {

class GoToDialog : public QDialog {
    Q_OBJECT
  public:
    explicit GoToDialog(double zoom = 1.0, QWidget* parent = nullptr);

    void setPrompt(const QString& prompt);
    void setValue(const QString& value);
    QString value() const;

  private:
    QLabel* prompt_;
    QLineEdit* value_;
    QPushButton* okButton_;
};

} // namespace tarveno::ui
