#pragma once
// The IJVM window: the IJVM program being interpreted, beside the main window. Its source
// with the instruction executing shaded, the method area as a listing with the PC mark,
// the constant pool, the stack cut into frames, standard input and output, and the watch
// list of words a student follows; buttons to open, assemble, save and step. It shows what the session and
// the view model hold and forwards every command to the main window, which performs it.

#include "ui/model/IjvmViews.h"
#include "ui/model/Watches.h"

#include <QWidget>

#include <array>
#include <functional>
#include <set>
#include <string_view>
#include <vector>

class QAbstractItemView;
class QAction;
class QLabel;
class QSplitter;
class QToolBar;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;

namespace tarveno {
struct Outcome;
class Session;
} // namespace tarveno

namespace tarveno::ui {

class CodeEditor;
class IjvmTableModel;

// The IJVM window's panels, each a widget of its own: the window lays them out side by
// side (Classic), or the main window puts each in a dock (Docked).
enum class IjvmPanel { Source, MethodArea, ConstantPool, Stack, StandardIo, Counts, Watches };
inline constexpr std::array<IjvmPanel, 7> ijvmPanels{
    IjvmPanel::Source,     IjvmPanel::MethodArea, IjvmPanel::ConstantPool, IjvmPanel::Stack,
    IjvmPanel::StandardIo, IjvmPanel::Counts,     IjvmPanel::Watches};
inline std::string_view ijvmPanelTitle(IjvmPanel p) {
    constexpr std::array<std::string_view, 7> titles{"Source",       "Method Area", "Constant Pool", "Stack",
                                                     "Standard I/O", "Counts",      "Watches"};
    return titles[static_cast<size_t>(p)];
}

class IjvmWindow : public QWidget {
    Q_OBJECT
  public:
    // A window of its own, kept above parent; settingsFile remembers where it stood ("":
    // nowhere, it opens beside parent).
    IjvmWindow(QWidget* parent, const QString& settingsFile);
    ~IjvmWindow() override;

    // Shows what a command changed of the IJVM program.
    void show(const Outcome& outcome, Session& session);
    // Takes the machine's state again: after every step, phase and Reset.
    void refresh(Session& session);
    // Shown (raised when it already is): where it stood last, or at first at proposed; in
    // any case inside the screen.
    void present(const QRect& proposed);
    void setZoom(int percent);
    // While a Run goes on only Escape acts: the buttons are disabled.
    void setCommandsEnabled(bool on);

    QString editorText() const;
    // The source editor, whose colours the hidden IJVM colour command sets.
    QWidget* sourceEditor() const;
    void showBreakpoints(const std::set<int>& lines);
    // One line on what just happened ("" for none), below the registers.
    void showStatus(const QString& status);
    const IjvmWindowView& view() const { return view_; }

    // The panels and the commands' tool bar, for the docks of the main window: givePanels
    // hides this window (the docks own them now), takePanelsBack lays them out here again.
    QWidget* panel(IjvmPanel p) const;
    QToolBar* commands() const { return commands_; }
    // Assemble and Place (Ctrl+Shift+B), which the main window offers too.
    QAction* assembleAction() const { return assembleAction_; }
    void givePanels();
    void takePanelsBack();
    // The main window's timeline, under the commands (Classic).
    void takeTimeline(QWidget* timeline);

    // Forwarded to the main window.
    std::function<void()> openProgram, assemble, save, edited;
    std::function<void()> ijvmStep, mic, run, reset, stop, stepBack, ijvmStepBack;
    std::function<void(int)> breakpointToggled;
    std::function<void(const QString&)> inputLeft;
    std::function<void(int)> diagnosticClicked;
    // The watch list changed: the main window refreshes this window.
    std::function<void()> watchesChanged;
    const WatchList& watches() const { return watches_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QTableView* makeTable(IjvmTable table, const char* name);
    QWidget* makeWatches();
    void addWatch();
    void removeWatch();
    void showWatches(Session& session);
    void showName(Session& session);
    void rememberPlace();

    QString settingsFile_;
    bool placedOnce_ = false;
    bool showing_ = false; // the editor is filled by a command, not typed in
    IjvmWindowView view_;
    IjvmTableModel* models_[5];
    QLabel* fileName_;
    CodeEditor* editor_;
    QLabel* sourceNote_; // the source shown is not the program placed
    QListWidget* diagnostics_;
    QTableView* methodArea_;
    QTableView* pool_;
    QTableView* stack_;
    QTableView* output_;
    QTableView* counts_;
    QLineEdit* input_;
    QLabel* status_;
    QLabel* news_;
    std::vector<QPushButton*> buttons_;
    QToolBar* commands_;
    QAction* assembleAction_;
    // Narrower than this, the panels stand in tabs under the source.
    static constexpr int narrowWidth = 900;
    void arrange(bool narrow);
    QWidget* arrangement_ = nullptr;
    bool narrow_ = false;
    bool docked_ = false;
    std::array<QWidget*, 7> panels_{};
    std::array<QLabel*, 7> titles_{};
    WatchList watches_;
    std::vector<WatchLine> watchLines_;
    class WatchTableModel* watchModel_ = nullptr;
    QTableView* watchTable_ = nullptr;
    QLineEdit* watchEntry_ = nullptr;
    QLabel* watchNote_ = nullptr;
};

} // namespace tarveno::ui
