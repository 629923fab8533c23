#pragma once
// TForm7: the write-byte editor of the memory viewer, an address and four bytes, the most
// significant first.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarveno::ui {

class TForm7 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm7(QWidget* parent = nullptr);

    // 1 after OK, 0 after Cancel; the close box leaves it as it was (0 when made).
    int accepted = 0;

    QLabel* Label1;   // "Address:"
    QLabel* Label2;   // "Data:"
    QLineEdit* Edit1; // the byte address
    QLineEdit* Edit2; // the most significant byte
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QLineEdit* Edit5;     // the least significant byte
    QPushButton* BitBtn1; // OK
    QPushButton* BitBtn2; // Cancel

  public slots:
    void BitBtn1Click();
    void BitBtn2Click();
};

} // namespace tarveno::ui
