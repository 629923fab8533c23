#pragma once
// TForm6: the write-word editor of the memory viewer, an address and a word.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarveno::ui {

class TForm6 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm6(QWidget* parent = nullptr);

    // 1 after OK, 0 after Cancel; the close box leaves it as it was (0 when made).
    int accepted = 0;

    QLabel* Label1;       // "Address:"
    QLabel* Label2;       // "Word:"
    QLineEdit* Edit1;     // the byte address
    QLineEdit* Edit2;     // the word
    QPushButton* BitBtn1; // OK
    QPushButton* BitBtn2; // Cancel

  public slots:
    void BitBtn1Click();
    void BitBtn2Click();
};

} // namespace tarveno::ui
