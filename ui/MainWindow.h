#pragma once
// The workbench window: the datapath picture with its readouts, the microprogram editor,
// the checker's report, the command buttons, the radix selector and the menus. It builds
// the controls from the table of places, forwards every command to the session and shows
// the answer; what a command does and what to show is decided by the session and the view
// model, without Qt.

#include "ui/DatapathPanel.h"
#include "ui/FormStyle.h"
#include "ui/Host.h"
#include "ui/Language.h"
#include "ui/model/HelpPages.h"
#include "ui/model/WindowLayout.h"
#include "workbench/Session.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QToolBar;

namespace tarveno::ui {

class CodeEditor;
class Dialogs;
class EditorPane;
class HelpWindow;
class InfoDialog;
class IjvmWindow;
class MemoryViewer;
class TestSuiteWindow;
class Workspace;

// How a window starts: its layout (none: the one remembered, or the one a first start
// takes on this screen), and whether the Info dialog comes first (not when the command line
// names files to open).
struct WindowStart {
    std::optional<Layout> layout;
    bool info = true;
};

class MainWindow : public QMainWindow, private SessionHost {
    Q_OBJECT
  public:
    using PicturesFactory = DatapathPanel::PicturesFactory;

    // Shows the Info dialog through dialogs before it returns, then lays out the window.
    // pictures makes the datapath and clock pictures (the real ones when empty).
    MainWindow(Dialogs& dialogs, HostPaths paths, const PicturesFactory& pictures = {},
               const WindowStart& start = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    const Session& session() const { return session_; }
    IjvmWindow& ijvmWindow() { return *ijvmWindow_; }
    Session& session() { return session_; }
    int zoomPercent() const { return zoomPercent_; }
    // A refresh is still being drawn (its commands wait for it).
    bool drawing() const { return panel_->playing(); }
    // Nothing is drawn, run or checked, and no command waits: the window waits for its user.
    bool idle() const;
    // The checker program runs for a command, which goes on when it ends.
    bool checking() const { return checker_.running(); }
    // A file named when tarveno was started: a .jvm as File > Open > IJVMProgram opens it,
    // anything else as File > Open > MicroProgram does, without their file dialogs.
    void openFromCommandLine(const QString& file);
    // A microprogram compiled and loaded, then an IJVM program placed on it, no question
    // asked (either may be empty): a lab script's start.
    void openMicroprogramAndPlace(const QString& microprogram, const QString& ijvmProgram);
    Workspace& workspace() { return *workspace_; }
    // The results of the last suite run (made at the first).
    TestSuiteWindow* testSuiteWindow() const { return suiteWindow_; }
    bool suiteRunning() const { return suite_.running(); }

  public slots:
    void onNewClicked();
    void onOpenMicroprogramClicked();
    void onOpenIjvmClicked();
    // File > Open > IJVM Program...: an IJVM program to watch being interpreted.
    void onPlaceIjvmClicked();
    void onShowIjvmWindow();
    void onStepBackClicked();
    void onIjvmStepBackClicked();
    // Run > Go to Step...: a step of the timeline by its number.
    void onGoToStepClicked();
    // Run > Test Suite...: a suite run on the microprogram loaded, in the background.
    void onTestSuiteClicked();
    void onClearBreakpointsClicked();
    void onExportTraceClicked();
    // The Run menu's list of breakpoints, made anew each time it opens.
    void listBreakpoints(QMenu* menu);
    void onSkeletonClicked();
    void onSaveClicked();
    void onSaveAsClicked();
    void onExitClicked();
    void onMemoryClicked();
    void onResetClicked();
    void onSubCycleClicked();
    void onMicClicked();
    void onIjvmStepClicked();
    void onRunClicked();
    void onStopRequested();
    void onCompileClicked();
    void onRadixChanged(int index);
    void onMicColoursClicked();
    void onIjvmColoursClicked();
    void onWindowColourClicked();
    void onInfoClicked();
    // Help > MAL Reference, IJVM Reference and Tutorial: the page in the Help window.
    void onMalReferenceClicked();
    void onIjvmReferenceClicked();
    void onTutorialClicked();
    void onLayoutClicked();
    void onClockClicked();
    void onZoomIn();
    void onZoomOut();
    void onZoomActual();
    void setZoom(int percent);
    void setLayout(Layout layout);
    void onResetLayout();
    void onFind();
    void onFindNext();
    void onGoToLine();
    void setTheme(const QString& theme);
    // Option > Language: the window and the engine's messages speak language from now on,
    // and at the next start.
    void chooseLanguage(Language language);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // Checks the Option > Language item of the language spoken now.
    void showLanguage();
    // SessionHost: the editor's text.
    std::string editorText() override;

    // Runs a session command at the window's edge and shows its outcome; while a refresh
    // is drawn it waits for it, while a Run is on only Escape and closing act.
    void perform(std::function<Outcome()> command);
    void showOutcome(const Outcome& outcome);
    void afterRefresh(const Outcome& outcome);
    void continueRun();
    void onCheckerFinished(const QString& failure, const QString& errorOutput);
    // Work on no disk is saved, discarded or kept as the user says: true to go on.
    bool settleUnsavedWork();
    // Saves the microprogram, asking for a name where it needs one: true when saved.
    bool saveNow();
    // The same for the IJVM editor's text.
    bool saveIjvmNow();
    // Asks the IJVM save dialog; the command that saves under the name chosen, or none.
    std::function<Outcome()> saveIjvmCommandFor(const Outcome& outcome);
    // Places the IJVM program file, loading the interpreter first when the outcome offers it.
    void placeIjvm(const Outcome& outcome, std::optional<QString> file = std::nullopt);
    // Asks the save dialog the outcome asks for; the command that saves under the name
    // chosen, or none when cancelled.
    std::function<Outcome()> saveCommandFor(const Outcome& outcome);
    // Shows an outcome's failure in a message box: true when there was one.
    bool showFailure(const Outcome& outcome);
    void showRunning(bool on);
    void setCommandsEnabled(bool on);
    // A colour dialog offering the colour last chosen; false when cancelled.
    bool chooseColour(QColor& chosen);
    // The editor Find and Go to Line act in: the one that had the focus last.
    CodeEditor* searchedEditor() const;
    // The timeline under the datapath: its slider over the steps, and the step shown.
    void makeTimeline();
    void showTimeline();
    // The slider was moved: the step it stands for is gone to once the window is idle,
    // the last position only when the user drags faster than the machine replays.
    void timelineMoved(int position);
    void goToTimelineStep();
    // Runs suiteFile on the microprogram loaded and shows the results when mic1 ends.
    void runSuite(const QString& suiteFile);
    void onSuiteFinished(bool started, int exitStatus, const QByteArray& output, const QString& errorOutput,
                         const QString& failure);
    // A failing test's program placed, once the IJVM editor's unsaved text is settled.
    void placeTest(const TestProgram& test);
    void showHelp(HelpPage page);

    Dialogs& dialogs_;
    HostPaths paths_;
    Session session_;
    std::unique_ptr<InfoDialog> info_; // the start-up Info dialog, kept until the end

    QWidget* client_;
    style::PlacedControls placed_;
    std::unique_ptr<DatapathPanel> panel_;
    EditorPane* editor_;
    IjvmWindow* ijvmWindow_;
    MemoryViewer* memoryView_; // the Docked layout's memory view
    Workspace* workspace_;
    QPointer<CodeEditor> lastEditor_;
    QString searched_; // the text Find looked for last
    QPushButton* memoryButton_;
    QPushButton* subCycleButton_;
    QPushButton* micButton_;
    QPushButton* resetButton_;
    QPushButton* compileButton_;
    // The hidden IJVM Step, Run, Clock and layout buttons.
    QPushButton* ijvmStepButton_;
    QPushButton* ijvmRunButton_;
    QPushButton* clockButton_;
    QPushButton* layoutButton_;
    QComboBox* radixBox_;
    QToolBar* timelineBar_;
    QSlider* timeline_;
    QLabel* timelineStep_;
    QTimer timelineTimer_;
    int timelineTarget_ = 0;
    bool showingTimeline_ = false; // the slider is set by the window, not moved by the user

    std::deque<std::function<Outcome()>> waiting_; // commands given while a refresh is drawn
    QTimer runTimer_;                              // the next slice of a Run
    QTimer runHintTimer_;                          // a Run that goes on says how to stop it
    CheckerProcess checker_;
    SuiteProcess suite_;
    TestSuiteWindow* suiteWindow_ = nullptr;
    HelpWindow* helpWindow_ = nullptr; // made at the first page asked for
    QString suiteFile_;
    bool closing_ = false; // no questions while the window closes
    QColor lastColour_;    // offered again by the colour dialog
    int zoomPercent_ = 100;
};

} // namespace tarveno::ui
