#include "ui/MainWindow.h"

#include "ui/CodeEditor.h"
#include "ui/Dialogs.h"
#include "ui/EditorPane.h"
#include "ui/IjvmControls.h"
#include "ui/IjvmWindow.h"
#include "ui/InfoDialog.h"
#include "ui/MainMenus.h"
#include "ui/MemoryViewer.h"
#include "ui/model/FileDialogs.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

namespace tarveno::ui {

namespace {

// A file name as the library and the system take it, and back for display.
std::string fsName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}
QString shownName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

FileDialogSetup setup(const FileQuestion& q, const QString& folder) {
    return {text(q.title), text(q.filter), folder};
}

} // namespace

MainWindow::MainWindow(Dialogs& dialogs, HostPaths paths, PicturesFactory pictures, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), paths_(std::move(paths)),
      session_(*this, {fsName(paths_.report), fsName(paths_.swapFile), fsName(paths_.unnamedFile),
                       fsName(paths_.cacheFolder), fsName(paths_.examples), fsName(paths_.interpreter)}) {
    setObjectName(places::mainWindow.name);
    setWindowTitle(places::mainWindow.caption);
    move(places::mainWindow.outer.x, places::mainWindow.outer.y);
    setFont(style::font(places::mainWindow.font)); // the menus keep it at every zoom

    client_ = new QWidget(this);
    client_->setObjectName("client");
    style::setBackground(client_, style::qColour(places::mainWindow.background));
    setCentralWidget(client_);

    panel_ = std::make_unique<DatapathPanel>(client_, placed_, pictures);
    panel_->selectSource = [this] {
        const auto span = session_.sourceSelection();
        style::select(editor_->editor,
                      span ? std::optional(std::pair{span->start, span->end}) : std::nullopt);
    };
    editor_ = new EditorPane(client_, placed_);
    editor_->edited = [this] {
        session_.markModified();
        editor_->showName(session_);
    };
    connect(editor_->editor, &QPlainTextEdit::textChanged, this, [this] { editor_->showName(session_); });
    connect(editor_->editor, &CodeEditor::gutterClicked, this,
            [this](int line) { perform([this, line] { return session_.toggleBreakpoint(line); }); });
    editor_->reportLineClicked = [this](int line) {
        if (const auto span = session_.reportLineSelection(line)) editor_->selectSpan(*span);
    };
    auto add = [this](auto* w, const Place& p) { return placed_.add(w, p); };
    auto* buttonPanel = add(new QFrame(client_), places::buttonPanel);
    buttonPanel->setObjectName(places::buttonPanel.name);
    buttonPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    style::place(buttonPanel, places::buttonPanel);
    memoryButton_ = add(style::makeButton(client_, places::memoryButton), places::memoryButton);
    subCycleButton_ = add(style::makeButton(client_, places::subCycleButton), places::subCycleButton);
    micButton_ = add(style::makeButton(client_, places::micButton), places::micButton);
    resetButton_ = add(style::makeButton(client_, places::resetButton), places::resetButton);
    compileButton_ = add(style::makeButton(client_, places::compileButton), places::compileButton);
    radixBox_ = add(style::makeRadixBox(client_, places::radixBox), places::radixBox);
    ijvm_ = new IjvmControls(client_, placed_);
    ijvmWindow_ = new IjvmWindow(this, paths_.settings);
    addMainMenus(*this);
    setZoom(zoomLevels[0]);

    connect(memoryButton_, &QPushButton::clicked, this, &MainWindow::onMemoryClicked);
    connect(subCycleButton_, &QPushButton::clicked, this, &MainWindow::onSubCycleClicked);
    connect(micButton_, &QPushButton::clicked, this, &MainWindow::onMicClicked);
    connect(resetButton_, &QPushButton::clicked, this, &MainWindow::onResetClicked);
    connect(compileButton_, &QPushButton::clicked, this, &MainWindow::onCompileClicked);
    connect(ijvm_->stepButton, &QPushButton::clicked, this, &MainWindow::onIjvmStepClicked);
    connect(ijvm_->runButton, &QPushButton::clicked, this, &MainWindow::onRunClicked);
    connect(ijvm_->clockButton, &QPushButton::clicked, this, &MainWindow::onClockClicked);
    connect(ijvm_->layoutButton, &QPushButton::clicked, this, &MainWindow::onLayoutClicked);
    connect(radixBox_, &QComboBox::currentIndexChanged, this, &MainWindow::onRadixChanged);
    ijvm_->inputLeft = [this](const QString& t) {
        perform([this, t] { return session_.setStandardInput(t.toStdString()); });
    };
    ijvm_->diagnosticClicked = [this](int row) {
        perform([this, row] { return session_.selectDiagnostic(row); });
    };
    ijvmWindow_->openProgram = [this] { onPlaceIjvmClicked(); };
    ijvmWindow_->assemble = [this] {
        perform([this] { return session_.assembleAndPlace(ijvmWindow_->editorText().toStdString()); });
    };
    ijvmWindow_->save = [this] {
        if (idle()) saveIjvmNow();
    };
    ijvmWindow_->edited = [this] {
        session_.markIjvmModified();
        ijvmWindow_->show({}, session_);
    };
    ijvmWindow_->ijvmStep = [this] { onIjvmStepClicked(); };
    ijvmWindow_->mic = [this] { onMicClicked(); };
    ijvmWindow_->run = [this] { onRunClicked(); };
    ijvmWindow_->reset = [this] { onResetClicked(); };
    ijvmWindow_->stop = [this] { onStopRequested(); };
    ijvmWindow_->inputLeft = ijvm_->inputLeft;
    ijvmWindow_->breakpointToggled = [this](int line) {
        perform([this, line] { return session_.toggleIjvmBreakpoint(line); });
    };
    ijvmWindow_->stepBack = [this] { onStepBackClicked(); };
    ijvmWindow_->ijvmStepBack = [this] { onIjvmStepBackClicked(); };
    ijvmWindow_->diagnosticClicked = ijvm_->diagnosticClicked;
    runTimer_.setSingleShot(true);
    connect(&runTimer_, &QTimer::timeout, this, &MainWindow::continueRun);
    runHintTimer_.setSingleShot(true);
    runHintTimer_.setInterval(1000);
    connect(&runHintTimer_, &QTimer::timeout, this, [this] { showRunning(session_.running()); });
    connect(&checker_, &CheckerProcess::finished, this, &MainWindow::onCheckerFinished);

    // Start-up: the Info dialog before the window first appears, with the editor marked
    // modified, so the first compile request compiles it; then the layout.
    editor_->show({}, session_);
    info_ = std::make_unique<InfoDialog>(paths_.readme, paths_.examples);
    dialogs_.info(*info_);
    onLayoutClicked();
}

MainWindow::~MainWindow() = default;

// ---- Commands ----

// New and Open replace the editor's text: its unsaved work is settled first, when the
// command's turn comes.
void MainWindow::onNewClicked() {
    perform([this] { return settleUnsavedWork() ? session_.newProgram() : Answer{}; });
}

void MainWindow::onOpenMicroprogramClicked() {
    perform([this] {
        if (!settleUnsavedWork()) return Answer{};
        const auto name = dialogs_.openFile(this, setup(openMicroprogramQuestion, paths_.examples));
        return name ? session_.openMicroprogram(fsName(*name)) : Answer{};
    });
}

void MainWindow::onOpenIjvmClicked() {
    perform([this] { return session_.openIjvmRequest(); });
}

void MainWindow::onPlaceIjvmClicked() {
    perform([this] {
        if (session_.hasUnsavedIjvmWork()) {
            switch (dialogs_.unsavedWork(ijvmWindow_, text(session_.unsavedIjvmQuestion()))) {
            case UnsavedChoice::Save:
                if (!saveIjvmNow()) return Answer{};
                break;
            case UnsavedChoice::Discard:
                break;
            case UnsavedChoice::Cancel:
                return Answer{};
            }
        }
        return session_.placeIjvmRequest();
    });
}

void MainWindow::placeIjvm(const Answer& a, std::optional<QString> file) {
    const bool interpreter = a.ask == Ask::LoadInterpreter;
    // Loading the interpreter replaces the microprogram editor's text: asked, and settled.
    if (interpreter && (!dialogs_.confirm(this, text(a.askReason)) || !settleUnsavedWork())) return;
    if (!file) file = dialogs_.openFile(this, setup(openIjvmQuestion, paths_.examples));
    if (!file) return;
    perform([this, interpreter, n = fsName(*file)] {
        return interpreter ? session_.loadInterpreterAndPlace(n) : session_.placeIjvmProgram(n);
    });
}

void MainWindow::onStepBackClicked() {
    perform([this] { return session_.stepBack(); });
}

void MainWindow::onIjvmStepBackClicked() {
    perform([this] { return session_.ijvmStepBack(); });
}

void MainWindow::onClearBreakpointsClicked() {
    perform([this] { return session_.clearBreakpoints(); });
}

void MainWindow::onExportTraceClicked() {
    if (!idle()) return;
    // How many: the history reaches back to the load, the last Reset or the placing.
    const QString count = dialogs_.input(this, "Export the last how many microinstructions?", "1000");
    bool ok = false;
    const qulonglong last = count.trimmed().toULongLong(&ok);
    if (!ok || last == 0) {
        if (!count.trimmed().isEmpty())
            dialogs_.message(this, places::mainWindow.caption, "Not a number of microinstructions: " + count);
        return;
    }
    FileDialogSetup s = setup(exportTraceQuestion, QDir::homePath());
    if (const auto name = dialogs_.saveFile(this, s))
        perform([this, last, n = fsName(*name)] { return session_.exportTrace(n, last); });
}

void MainWindow::listBreakpoints(QMenu* menu) {
    menu->clear();
    const std::vector<std::string> list = session_.breakpointList();
    for (const std::string& b : list)
        menu->addAction(text(b))->setEnabled(false);
    if (list.empty()) menu->addAction("No breakpoints: click a line number to set one")->setEnabled(false);
    menu->addSeparator();
    QAction* clear = menu->addAction("Clear All Breakpoints", this, &MainWindow::onClearBreakpointsClicked);
    clear->setObjectName("clearBreakpoints");
    clear->setEnabled(!list.empty());
}

void MainWindow::onShowIjvmWindow() {
    ijvmWindow_->refresh(session_);
    ijvmWindow_->present();
}

void MainWindow::onSkeletonClicked() {
    perform([this] { return session_.skeleton(); });
}

void MainWindow::onSaveClicked() {
    perform([this] { return session_.save(); });
}

void MainWindow::onSaveAsClicked() {
    if (session_.busy()) return;
    if (const auto name = dialogs_.saveFile(this, setup(saveMicroprogramQuestion, paths_.examples)))
        perform([this, n = fsName(*name)] { return session_.saveAs(n); });
}

void MainWindow::onExitClicked() {
    close();
}

void MainWindow::onMemoryClicked() {
    perform([this] { return session_.memory(); });
}

void MainWindow::onResetClicked() {
    perform([this] { return session_.reset(); });
}

void MainWindow::onSubCycleClicked() {
    perform([this] { return session_.subCycle(); });
}

void MainWindow::onMicClicked() {
    perform([this] { return session_.mic(); });
}

void MainWindow::onIjvmStepClicked() {
    perform([this] { return session_.startIjvmStep(); });
}

void MainWindow::onRunClicked() {
    perform([this] { return session_.startRun(); });
}

void MainWindow::onStopRequested() {
    session_.stopRun();
}

void MainWindow::onCompileClicked() {
    perform([this] { return session_.compileAndLoad(); });
}

void MainWindow::onRadixChanged(int index) {
    perform([this, index] { return session_.setRadix(index); });
}

bool MainWindow::idle() const {
    return !session_.busy() && !panel_->playing() && waiting_.empty();
}

void MainWindow::perform(std::function<Answer()> command) {
    if (session_.running()) return; // only Escape and closing act
    if (panel_->playing() || session_.busy()) {
        waiting_.push_back(std::move(command));
        return;
    }
    showAnswer(command());
}

void MainWindow::showAnswer(const Answer& a) {
    editor_->show(a, session_);
    if (a.breakpointsChanged) {
        editor_->editor->setBreakpoints(session_.breakpointLines());
        ijvmWindow_->showBreakpoints(session_.ijvmBreakpointLines());
    }
    // What just happened, in the caption until the next command.
    if (!a.status.empty() || !session_.running()) {
        const QString caption = places::mainWindow.caption;
        setWindowTitle(a.status.empty() ? caption : caption + " - " + text(a.status));
        ijvmWindow_->showStatus(text(a.status));
    }
    ijvm_->show(a, session_.ijvm());
    ijvmWindow_->show(a, session_);
    // The IJVM window follows every step, phase and Reset, a Run's only at its end; hidden,
    // it is brought up to date when it is shown.
    if ((a.refresh != Refresh::None || a.memoryChanged) && !session_.running() && ijvmWindow_->isVisible())
        ijvmWindow_->refresh(session_);
    if (a.ijvmPlaced || a.diagnosticsChanged || a.ijvmSelection) {
        if (a.ijvmPlaced || !session_.ijvm().diagnostics.empty() || ijvmWindow_->isVisible())
            onShowIjvmWindow();
    }
    if (a.phaseRestarted) panel_->clearClock();
    if (a.ask == Ask::Checker) {
        // The command goes on when the checker ends; the window keeps painting meanwhile.
        const CheckerRequest& r = session_.checkerRequest();
        checker_.start(paths_.checker, shownName(r.source), shownName(r.report), paths_.checkerTimeoutMs);
        return;
    }
    if (a.failed()) {
        dialogs_.message(this, QString::fromStdString(a.failureCaption), QString::fromStdString(a.failure));
        // What the machine did before the failure is shown all the same.
        panel_->play(a.refresh, session_, [this] { afterRefresh({}); });
        return;
    }
    if (session_.running()) {
        setCommandsEnabled(false);
        runHintTimer_.start();
        runTimer_.start();
        return;
    }
    panel_->play(a.refresh, session_, [this, a] { afterRefresh(a); });
}

void MainWindow::onCheckerFinished(const QString& failure, const QString& errorOutput) {
    showAnswer(session_.checkerFinished(failure.toStdString(), errorOutput.toStdString()));
}

void MainWindow::afterRefresh(const Answer& a) {
    if (closing_) return;
    if (!a.notice.empty()) dialogs_.notice(this, QString::fromStdString(a.notice));
    if (a.ask == Ask::SaveFileName || a.ask == Ask::SaveAsFileName) {
        if (auto save = saveCommandFor(a)) perform(std::move(save));
    } else if (a.ask == Ask::IjvmFileName) {
        if (const auto name = dialogs_.openFile(this, setup(openIjvmQuestion, paths_.examples)))
            perform([this, n = fsName(*name)] { return session_.openIjvmProgram(n); });
    } else if (a.ask == Ask::IjvmProgramToPlace || a.ask == Ask::LoadInterpreter) {
        placeIjvm(a);
    } else if (a.ask == Ask::IjvmSaveFileName) {
        if (auto save = saveIjvmCommandFor(a)) perform(std::move(save));
    } else if (a.ask == Ask::MemoryViewer) {
        // A new viewer for each opening, so it starts again at word 0 in decimal.
        MemoryViewer viewer(dialogs_, session_, dialogs_.zoom, this);
        viewer.written = [this](const Answer& written) { showAnswer(written); };
        dialogs_.memory(viewer);
    }
    // The next command given meanwhile; its own refresh takes the rest.
    if (!waiting_.empty() && !panel_->playing() && !session_.running()) {
        const auto next = std::move(waiting_.front());
        waiting_.pop_front();
        showAnswer(next());
    }
}

void MainWindow::continueRun() {
    const Answer a = session_.runSlice();
    if (session_.running()) {
        runTimer_.start();
        return;
    }
    setCommandsEnabled(true);
    showRunning(false);
    showAnswer(a);
}

void MainWindow::showRunning(bool on) {
    runHintTimer_.stop();
    const QString caption = places::mainWindow.caption;
    setWindowTitle(on ? caption + " - " + text(runningHint) : caption);
}

bool MainWindow::settleUnsavedWork() {
    if (!session_.hasUnsavedWork()) return true;
    switch (dialogs_.unsavedWork(this, text(session_.unsavedQuestion()))) {
    case UnsavedChoice::Save:
        return saveNow();
    case UnsavedChoice::Discard:
        return true;
    case UnsavedChoice::Cancel:
        break;
    }
    return false;
}

std::function<Answer()> MainWindow::saveCommandFor(const Answer& a) {
    FileDialogSetup s = setup(saveMicroprogramQuestion, paths_.examples);
    // A file that cannot take the changes: Save As, with the reason, in the user's folder.
    const bool saveAs = a.ask == Ask::SaveAsFileName;
    if (saveAs) {
        s.title = text(a.askReason);
        s.folder = QDir::homePath();
    }
    const auto name = dialogs_.saveFile(this, s);
    if (!name) return {};
    return [this, saveAs, n = fsName(*name)] { return saveAs ? session_.saveAs(n) : session_.saveNamed(n); };
}

bool MainWindow::saveNow() {
    Answer a = session_.save();
    if (a.ask == Ask::SaveFileName || a.ask == Ask::SaveAsFileName) {
        const auto save = saveCommandFor(a);
        if (!save) return false;
        a = save();
    }
    editor_->show(a, session_);
    if (a.failed()) {
        dialogs_.message(this, QString::fromStdString(a.failureCaption), QString::fromStdString(a.failure));
        return false;
    }
    return true;
}

std::function<Answer()> MainWindow::saveIjvmCommandFor(const Answer& a) {
    FileDialogSetup s = setup(saveIjvmQuestion, paths_.examples);
    if (!a.askReason.empty()) {
        s.title = text(a.askReason);
        s.folder = QDir::homePath();
    }
    const auto name = dialogs_.saveFile(ijvmWindow_, s);
    if (!name) return {};
    return
        [this, n = fsName(*name)] { return session_.saveIjvmAs(n, ijvmWindow_->editorText().toStdString()); };
}

bool MainWindow::saveIjvmNow() {
    Answer a = session_.saveIjvm(ijvmWindow_->editorText().toStdString());
    if (a.ask == Ask::IjvmSaveFileName) {
        const auto save = saveIjvmCommandFor(a);
        if (!save) return false;
        a = save();
    }
    ijvmWindow_->show(a, session_);
    if (a.failed()) {
        dialogs_.message(this, QString::fromStdString(a.failureCaption), QString::fromStdString(a.failure));
        return false;
    }
    return true;
}

void MainWindow::setCommandsEnabled(bool on) {
    menuBar()->setEnabled(on);
    for (QWidget* w : std::initializer_list<QWidget*>{
             micButton_, subCycleButton_, resetButton_, memoryButton_, compileButton_, radixBox_,
             ijvm_->stepButton, ijvm_->runButton, ijvm_->clockButton})
        w->setEnabled(on);
    editor_->setReadOnly(!on);
    ijvmWindow_->setCommandsEnabled(on);
}

std::string MainWindow::editorText() {
    return editor_->text();
}

// ---- The window itself ----

void MainWindow::onLayoutClicked() {
    // The microprogram layout: every readout and the editor's title shown; their places
    // are the table's at the window's zoom from the start.
    panel_->showReadouts();
    editor_->showTitle();
    for (const char* name : {"Mic1", "MicroProgram1", "SubCycle1"})
        findChild<QAction*>(name)->setVisible(true);
    if (QWidget* flow = client_->findChild<QWidget*>(places::flowSurface.name)) flow->show();
}

void MainWindow::onClockClicked() {
    ijvm_->toggleClock(client_->findChild<QWidget*>(places::clockPicture.name));
}

void MainWindow::onZoomIn() {
    setZoom(steppedZoom(zoomPercent_, 1));
}

void MainWindow::onZoomOut() {
    setZoom(steppedZoom(zoomPercent_, -1));
}

void MainWindow::onZoomActual() {
    setZoom(zoomLevels[0]);
}

void MainWindow::setZoom(int percent) {
    zoomPercent_ = percent;
    const double zoom = percent / 100.0;
    dialogs_.zoom = zoom;
    placed_.placeAll(zoom);
    ijvmWindow_->setZoom(percent);
    panel_->drawing().setZoom(zoom);
    const Rect client = clientArea(places::mainWindow);
    const int menu = menuBar()->sizeHint().height();
    resize(scaled(client.width, zoom), scaled(client.height - menu, zoom) + menu);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A Run, a check or a drawing in progress ends at once; then unsaved work is settled.
    closing_ = true;
    if (session_.running()) {
        session_.stopRun();
        continueRun();
    }
    if (checker_.running()) {
        checker_.abandon();
        session_.checkerFinished("The window was closed while the MAL checker ran.");
    }
    panel_->finish();
    waiting_.clear();
    closing_ = false;
    if (!settleUnsavedWork()) {
        event->ignore();
        return;
    }
    if (session_.hasUnsavedIjvmWork()) {
        const UnsavedChoice choice = dialogs_.unsavedWork(this, text(session_.unsavedIjvmQuestion()));
        if (choice == UnsavedChoice::Cancel || (choice == UnsavedChoice::Save && !saveIjvmNow())) {
            event->ignore();
            return;
        }
    }
    ijvmWindow_->close();
    event->accept();
}

void MainWindow::hideEvent(QHideEvent* event) {
    // Nobody watches a hidden window draw.
    panel_->finish();
    QMainWindow::hideEvent(event);
}

bool MainWindow::chooseColour(QColor& chosen) {
    const auto c = dialogs_.colour(this, lastColour_);
    if (!c) return false;
    lastColour_ = chosen = *c;
    return true;
}

void MainWindow::onMicColoursClicked() {
    // Two runs: the background, then the text; cancelling one does not skip the other.
    QColor c;
    if (chooseColour(c)) style::setBackground(editor_->editor, c);
    if (chooseColour(c)) style::setTextColour(editor_->editor, c);
}

void MainWindow::onIjvmColoursClicked() {
    QColor c;
    if (chooseColour(c)) style::setBackground(ijvm_->editor, c);
    if (chooseColour(c)) style::setTextColour(ijvm_->editor, c);
}

void MainWindow::onWindowColourClicked() {
    QColor c;
    if (chooseColour(c)) style::setBackground(client_, c);
}

void MainWindow::onInfoClicked() {
    InfoDialog dialog(paths_.readme, paths_.examples, dialogs_.zoom, this);
    dialogs_.info(dialog);
}

// ---- A file named on the command line ----

void MainWindow::openFromCommandLine(const QString& file) {
    // A full name, as the file dialogs give, so the editor's title says where it is.
    const std::string name = fsName(QDir::cleanPath(QDir::current().absoluteFilePath(file)));
    if (file.endsWith(".jvm", Qt::CaseInsensitive)) {
        // As File > Open > IJVM Program... does, the file already chosen.
        perform([this, name] {
            const Answer a = session_.placeIjvmRequest();
            if (a.ask == Ask::IjvmProgramToPlace || a.ask == Ask::LoadInterpreter)
                placeIjvm(a, shownName(name));
            return a.ask == Ask::Nothing ? a : Answer{};
        });
        return;
    }
    perform([this, name] { return settleUnsavedWork() ? session_.openMicroprogram(name) : Answer{}; });
}

} // namespace tarveno::ui
