#pragma once
// TForm1, the workbench window: the datapath picture with its readouts, the microprogram
// editor, the compiler output, the command buttons, the radix selector and the menus. It
// forwards every command to the workbench core and paints what ui/Readouts computes.

#include "ui/EditorFile.h"
#include "ui/Host.h"
#include "workbench/Workbench.h"

#include <QMainWindow>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace tarveno::ui {

class DatapathDrawing;
class Dialogs;
class TForm2;

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    using PicturesFactory = std::function<DatapathDrawing*(QWidget*)>;

    // Shows the Info dialog through dialogs before it returns, then lays out the window.
    // pictures makes the datapath and clock pictures (the real ones when empty).
    TForm1(Dialogs& dialogs, HostPaths paths, PicturesFactory pictures = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // The window's state, for reading.
    bool loaded() const { return loaded_; }
    int radix() const { return radix_; }
    int phase() const { return phase_; }
    bool running() const { return running_; }
    const Workbench& workbench() const { return workbench_; }

    // The controls, by their names.
    QWidget* client;
    QLabel* Label31;           // "MicroProgram:"
    QLabel* Label33;           // the microprogram file's name; empty while unnamed
    QPlainTextEdit* Memo2;     // the microprogram editor
    QPlainTextEdit* Memo3;     // the checker's report
    QFrame* Panel1;            // behind the command buttons
    QPushButton* BitBtn8;      // "Memory"
    QPushButton* BitBtn6;      // "SubCicle"
    QPushButton* BitBtn1;      // "Mic"
    QPushButton* BitBtn4;      // "Reset"
    QPushButton* BitBtn5;      // "Compile and Load"
    QComboBox* ComboBox1;      // the readout radix
    QLabel* Panel2;            // the ALU function and its result
    QLabel* Label23;           // "Bus C:"
    QLabel* Label28;           // the C bus
    QLabel* Label11;           // MAR
    QLabel* Label12;           // MDR
    QLabel* Label13;           // PC
    QLabel* Label14;           // MBR
    QLabel* Label15;           // SP
    QLabel* Label16;           // LV
    QLabel* Label17;           // CPP
    QLabel* Label18;           // TOS
    QLabel* Label19;           // OPC
    QLabel* Label20;           // H
    QLabel* Label27;           // the B bus
    QLabel* Label29;           // N
    QLabel* Label30;           // Z
    QLabel* Label1;            // MPC
    std::array<QLabel*, 36> L; // L1 to L36: the next address and control word executed last

    // The IJVM controls, hidden.
    QPlainTextEdit* Memo1; // the IJVM editor
    QLabel* Label32;       // "IJVMProgram:"
    QLabel* Label34;       // the IJVM file's name
    QPushButton* BitBtn2;  // "Step"
    QPushButton* BitBtn3;  // "Run"
    QPushButton* BitBtn7;  // "Clock"
    QPushButton* Button2;  // applies the microprogram layout
    // The IJVM views, hidden; no command fills ListBox1 to ListBox4. ListBox5 lists the
    // diagnostics of the last IJVM program opened.
    QListWidget* ListBox1;
    QListWidget* ListBox2;
    QListWidget* ListBox3;
    QListWidget* ListBox4;
    QListWidget* ListBox5;
    QLabel* Label36;      // "Constant Pool"
    QLabel* Label37;      // "Stack"
    QLabel* Label38;      // "Method Area"
    QLabel* Label2;       // "<-CPP"
    QLabel* Label3;       // "<-SP"
    QLabel* Label4;       // "<-LV"
    QLabel* Offset;       // "Offset"
    QGroupBox* GroupBox1; // "Standard I/O"
    QLineEdit* Edit1;     // the standard input

    // The menus.
    QMenu* File1;
    QMenu* Open1;
    QAction* New1;
    QAction* MicroProgram1;
    QAction* IJVMProgram1;
    QAction* Close1; // "S&keleton"
    QAction* Save1;
    QAction* SaveAs1;
    QAction* Exit1;
    QMenu* RunMenu;
    QAction* Memory1;
    QAction* Reset1;
    QAction* SubCycle1;
    QAction* Mic1;
    QAction* IJVM1;
    QAction* Run2;
    QMenu* Option1;
    QAction* WindowIJVMColor1; // "BackColor "
    QAction* MicColor1;
    QAction* WindowColor1;
    QMenu* Help1;
    QAction* Info1;

  public slots:
    void New1Click();
    void MicroProgram1Click();
    void IJVMProgram1Click();
    void Close1Click();
    void Save1Click();
    void SaveAs1Click();
    void Exit1Click();
    void Memory1Click();
    void Reset1Click();
    void SubCycle1Click();
    void Mic1Click();
    void IJVM1Click();
    void Run2Click();
    void WindowIJVMColor1Click();
    void MicColor1Click();
    void WindowColor1Click();
    void Info1Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();
    void BitBtn7Click();
    void BitBtn8Click();
    void Button2Click();
    void ComboBox1Change(int index);
    void Edit1Exit();
    void ListBox5Click();
    // Asks a running Run or IJVM step to stop (Escape).
    void stopRunning();

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Edit1 losing the focus runs Edit1Exit.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The compile-and-load flow.
    void SaveAndCompileIfModified();
    void CompileMicroprogram();
    bool CompilerReportedError();
    bool RequireLoaded();
    // Empties the IJVM views, hides the diagnostics and zeroes the standard input.
    void ClearIjvmViews();
    // Checks, assembles and loads the named file, showing it in Memo2.
    void compileFile(const QString& name);

    // The stepping commands.
    void subCycle(bool restart);
    void micCommand();
    void ijvmCommand();
    void runCommand();
    void resetCommand();
    // Runs step in bounded slices, answering the window's events between them, until it
    // ends other than by its bound; the window's commands are off meanwhile.
    void runSliced(const std::function<StopReason(RunLimits)>& step);

    // The readouts.
    void fullRefresh();
    void instructionBits();
    void clearMarks();
    void bSourceMark();
    void cWriteMarks();
    void aluText();
    void bBusValue();
    void cBusValue();
    void registerValues();
    void sourceSelection();

    // Runs a command at the window's edge: a failure shows its message and abandons the
    // command; the window and the editor's text stay.
    void command(const std::function<void()>& body);
    void failure(const QString& text);
    std::string readFile(const QString& name);
    void writeFile(const QString& name, const std::string& bytes);
    void loadMemo2(const std::string& bytes);
    void saveMemo2(const QString& name);
    void setCommandsEnabled(bool on);
    QLabel* registerLabel(int number) const;
    ControlPath& machine() { return workbench_.machine(); }

    Dialogs& dialogs_;
    HostPaths paths_;
    DatapathDrawing* drawing_;
    std::unique_ptr<TForm2> info_; // the start-up Info dialog, kept until the end

    Workbench workbench_;            // the machine and the source map of the last compile
    EditorPositions positions_;      // editor positions of the compiled file's bytes
    EditorFile memo2File_;           // how Memo2's file is encoded
    EditorFile memo1File_;           // how Memo1's file is encoded
    EditorPositions memo1Positions_; // editor positions of the IJVM file's bytes
    bool loaded_ = false;
    int radix_ = 10;
    int phase_ = 0;
    bool running_ = false;
    std::atomic<bool> stop_{false};
    QColor colorDialog1_; // ColorDialog1: the colour last chosen, offered again
};

} // namespace tarveno::ui
