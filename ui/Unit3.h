#pragma once
// TForm3: the message dialog of the not-compiled notice and the compile confirmation.

#include <QDialog>

class QLabel;
class QPushButton;

namespace tarveno::ui {

class TForm3 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);

    // The caption of Panel1, which every caller replaces.
    void setMessage(const QString& message);

    QLabel* Panel1;       // the message
    QPushButton* BitBtn1; // "Ok"

  public slots:
    void BitBtn1Click();
};

} // namespace tarveno::ui
