#pragma once
// TForm2: the Info dialog, shown at start-up before the main window and from Help / Info.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace tarveno::ui {

class TForm2 : public QDialog {
    Q_OBJECT
  public:
    // readme and examples: where the README and the example programs are.
    explicit TForm2(const QString& readme = {}, const QString& examples = {}, QWidget* parent = nullptr);

    QWidget* Image1; // the program's name over a sketch of the datapath, drawn here
    QWidget* Image2; // a clock cycle, drawn here
    QFrame* Panel1;
    QLabel* StaticText2;  // program and version
    QLabel* StaticText3;  // implementation language
    QLabel* StaticText4;  // build date
    QLabel* StaticText5;  // where the README is
    QLabel* StaticText6;  // where the examples are
    QPushButton* BitBtn1; // "Ok"

  public slots:
    void BitBtn1Click();
};

} // namespace tarveno::ui
