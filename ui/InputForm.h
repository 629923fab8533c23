#pragma once
// TForm4: asks for one value; it has no Cancel, so closing it by any means hands back
// what the box holds.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarveno::ui {

class TForm4 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);

    QLabel* Label1;       // the prompt
    QLineEdit* Edit1;     // the value
    QPushButton* BitBtn1; // OK

  public slots:
    void BitBtn1Click();
};

} // namespace tarveno::ui
