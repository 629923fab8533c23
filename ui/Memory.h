#pragma once
// TForm5: the memory viewer. It lists 100 words of the main window's machine at a time
// in its own radix, pages, jumps to an address and opens the two editors. The lines and
// the words to write are computed by ui/MemoryView; the form shows and forwards.

#include <QDialog>

#include <cstdint>
#include <functional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace tarveno {
class Workbench;
}

namespace tarveno::ui {

class Dialogs;

class TForm5 : public QDialog {
    Q_OBJECT
  public:
    // workbench holds the main window's machine; with none (or no machine in it) the list
    // stays as it is. Each viewer starts at word 0 in decimal and fills its list at once.
    TForm5(Dialogs& dialogs, Workbench* workbench, QWidget* parent = nullptr);

    uint32_t firstWord() const { return firstWord_; }
    int memoryRadix() const { return memoryRadix_; }

    QLabel* StaticText1;   // "Memory"
    QListWidget* ListBox1; // the 100 lines
    QPushButton* BitBtn1;  // "<--"
    QPushButton* BitBtn2;  // "-->"
    QPushButton* BitBtn6;  // "Write Byte"
    QPushButton* BitBtn4;  // "Write Word"
    QPushButton* BitBtn3;  // "Go at"
    QComboBox* ComboBox1;  // the viewer's radix
    QPushButton* BitBtn5;  // OK

  public slots:
    void RefreshMemoryList();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn6Click();
    void ComboBox1Change(int index);
    void BitBtn5Click();

  private:
    // A number the editors cannot read shows its message; the command is abandoned and
    // the viewer stays open with nothing written.
    void command(const std::function<void()>& body);

    Dialogs& dialogs_;
    Workbench* workbench_;
    uint32_t firstWord_ = 0;
    int memoryRadix_ = 10;
};

} // namespace tarveno::ui
