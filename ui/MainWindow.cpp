#include "ui/MainWindow.h"
#include "ui/WindowText.h"

#include "ui/CodeEditor.h"
#include "ui/Dialogs.h"
#include "ui/EditorPane.h"
#include "ui/HelpWindow.h"
#include "ui/IjvmWindow.h"
#include "ui/InfoDialog.h"
#include "ui/MainMenus.h"
#include "ui/MemoryViewer.h"
#include "ui/TestSuiteWindow.h"
#include "ui/Workspace.h"
#include "ui/model/FileDialogs.h"
#include "ui/model/TimelineScale.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSlider>
#include <QToolBar>

namespace tarveno::ui {

MainWindow::MainWindow(Dialogs& dialogs, HostPaths paths, const PicturesFactory& pictures,
                       const WindowStart& start, QWidget* parent)
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

    panel_ = std::make_unique<DatapathPanel>(client_, placed_, pictures);
    panel_->selectSource = [this] {
        const auto span = session_.sourceSelection();
        style::select(editor_->editor,
                      span ? std::optional(std::pair{span->start, span->end}) : std::nullopt);
    };
    editor_ = new EditorPane(client_, placed_);
    editor_->edited = [this] {
        session_.microprogramEdited();
        editor_->showName(session_);
    };
    connect(editor_->editor, &QPlainTextEdit::textChanged, this, [this] { editor_->showName(session_); });
    connect(editor_->editor, &CodeEditor::gutterClicked, this, [this](int line) {
        perform([this, line] { return session_.breakpoints().toggle(Source::Microprogram, line); });
    });
    editor_->reportLineClicked = [this](int line) {
        if (const auto span = session_.report().lineSelection(line)) editor_->selectSpan(*span);
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
    // The IJVM Step, Run, Clock and layout buttons are made hidden, beyond the right edge;
    // no visible command shows them.
    auto hidden = [&](const Place& p) {
        QPushButton* b = add(style::makeButton(client_, p), p);
        b->hide();
        return b;
    };
    ijvmStepButton_ = hidden(places::ijvmStepButton);
    ijvmRunButton_ = hidden(places::ijvmRunButton);
    clockButton_ = hidden(places::clockButton);
    layoutButton_ = hidden(places::layoutButton);
    ijvmWindow_ = new IjvmWindow(this, paths_.settings);
    addAction(ijvmWindow_->assembleAction());
    memoryView_ = new MemoryViewer(dialogs_, session_, 1.0, this);
    memoryView_->embed();
    // The dock follows the steps: by word, with the registers' marks and the words changed.
    memoryView_->showWords(true);
    makeTimeline();
    memoryView_->written = [this](const Outcome& written) { showOutcome(written); };
    workspace_ =
        new Workspace({this, client_, editor_, ijvmWindow_, memoryView_, timelineBar_}, paths_.settings);
    addMainMenus(*this);
    setZoom(zoomLevels[0]);
    // Find and Go to Line act in the editor the user was in last.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (auto* e = qobject_cast<CodeEditor*>(now)) lastEditor_ = e;
    });

    connect(memoryButton_, &QPushButton::clicked, this, &MainWindow::onMemoryClicked);
    connect(subCycleButton_, &QPushButton::clicked, this, &MainWindow::onSubCycleClicked);
    connect(micButton_, &QPushButton::clicked, this, &MainWindow::onMicClicked);
    connect(resetButton_, &QPushButton::clicked, this, &MainWindow::onResetClicked);
    connect(compileButton_, &QPushButton::clicked, this, &MainWindow::onCompileClicked);
    connect(ijvmStepButton_, &QPushButton::clicked, this, &MainWindow::onIjvmStepClicked);
    connect(ijvmRunButton_, &QPushButton::clicked, this, &MainWindow::onRunClicked);
    connect(clockButton_, &QPushButton::clicked, this, &MainWindow::onClockClicked);
    connect(layoutButton_, &QPushButton::clicked, this, &MainWindow::onLayoutClicked);
    connect(radixBox_, &QComboBox::currentIndexChanged, this, &MainWindow::onRadixChanged);
    ijvmWindow_->openProgram = [this] { onPlaceIjvmClicked(); };
    ijvmWindow_->assemble = [this] {
        perform([this] { return session_.assembleAndPlace(ijvmWindow_->editorText().toStdString()); });
    };
    ijvmWindow_->save = [this] {
        if (idle()) saveIjvmNow();
    };
    ijvmWindow_->edited = [this] {
        session_.ijvm().edit();
        ijvmWindow_->show({}, session_);
    };
    ijvmWindow_->ijvmStep = [this] { onIjvmStepClicked(); };
    ijvmWindow_->mic = [this] { onMicClicked(); };
    ijvmWindow_->run = [this] { onRunClicked(); };
    ijvmWindow_->reset = [this] { onResetClicked(); };
    ijvmWindow_->stop = [this] { onStopRequested(); };
    ijvmWindow_->inputLeft = [this](const QString& t) {
        perform([this, t] { return session_.run().setStandardInput(t.toStdString()); });
    };
    ijvmWindow_->breakpointToggled = [this](int line) {
        perform([this, line] { return session_.breakpoints().toggle(Source::Ijvm, line); });
    };
    ijvmWindow_->stepBack = [this] { onStepBackClicked(); };
    ijvmWindow_->ijvmStepBack = [this] { onIjvmStepBackClicked(); };
    ijvmWindow_->watchesChanged = [this] {
        if (!session_.run().running()) ijvmWindow_->refresh(session_);
    };
    ijvmWindow_->diagnosticClicked = [this](int row) {
        perform([this, row] { return session_.ijvm().selectDiagnostic(row); });
    };
    runTimer_.setSingleShot(true);
    connect(&runTimer_, &QTimer::timeout, this, &MainWindow::continueRun);
    runHintTimer_.setSingleShot(true);
    runHintTimer_.setInterval(1000);
    connect(&runHintTimer_, &QTimer::timeout, this, [this] { showRunning(session_.run().running()); });
    connect(&checker_, &CheckerProcess::finished, this, &MainWindow::onCheckerFinished);
    connect(&suite_, &SuiteProcess::finished, this, &MainWindow::onSuiteFinished);

    // Start-up: the Info dialog before the window first appears, with the editor marked
    // modified, so the first compile request compiles it; then the layout.
    editor_->show({}, session_);
    if (start.info) {
        info_ = std::make_unique<InfoDialog>(paths_.readme, paths_.examples);
        dialogs_.info(*info_);
    }
    onLayoutClicked();
    // The layout asked for, the one remembered, or the one a first start takes here.
    std::optional<Layout> layout = start.layout;
    if (!layout && !paths_.settings.isEmpty())
        layout = layoutNamed(
            QSettings(paths_.settings, QSettings::IniFormat).value("layout").toString().toStdString());
    if (!layout) {
        const QRect free = screen() ? screen()->availableGeometry() : QRect(0, 0, 1920, 1080);
        layout = firstLayout({free.x(), free.y(), free.width(), free.height()});
    }
    setLayout(*layout);
    if (!paths_.settings.isEmpty())
        setTheme(QSettings(paths_.settings, QSettings::IniFormat).value("theme", "System").toString());
    showLanguage();
}

MainWindow::~MainWindow() = default;

// ---- Commands ----

// New and Open replace the editor's text: its unsaved work is settled first, when the
// command's turn comes.
void MainWindow::onStepBackClicked() {
    perform([this] { return session_.run().stepBack(Back::Microinstruction); });
}

void MainWindow::onIjvmStepBackClicked() {
    perform([this] { return session_.run().stepBack(Back::IjvmInstruction); });
}

void MainWindow::makeTimeline() {
    timelineBar_ = new QToolBar("Timeline", this);
    timelineBar_->setObjectName("timelineBar");
    timelineBar_->setMovable(false);
    timelineBar_->toggleViewAction()->setObjectName("timelineBarToggle");
    auto* caption = new QLabel(" Timeline ", timelineBar_);
    timeline_ = new QSlider(Qt::Horizontal, timelineBar_);
    timeline_->setObjectName("timelineSlider");
    timeline_->setAccessibleName("Timeline: the step shown");
    timeline_->setToolTip("The steps since the load, the last Reset or the placing: drag to go to one, as "
                          "Step Back goes back (Run > Go to Step...)");
    timeline_->setFocusPolicy(Qt::StrongFocus);
    timeline_->setEnabled(false);
    caption->setBuddy(timeline_);
    timelineStep_ = new QLabel(timelineBar_);
    timelineStep_->setObjectName("timelineStep");
    timelineStep_->setMinimumWidth(
        timelineStep_->fontMetrics().horizontalAdvance("step 000000000 of 000000000"));
    timelineBar_->addWidget(caption);
    timelineBar_->addWidget(timeline_);
    timelineBar_->addWidget(timelineStep_);
    timelineTimer_.setSingleShot(true);
    connect(&timelineTimer_, &QTimer::timeout, this, &MainWindow::goToTimelineStep);
    connect(timeline_, &QSlider::valueChanged, this, &MainWindow::timelineMoved);
}

void MainWindow::showTimeline() {
    const RunController::Timeline t = session_.run().timeline();
    const SliderPosition p = sliderPosition(t);
    showingTimeline_ = true;
    timeline_->setRange(0, p.maximum);
    timeline_->setValue(p.value);
    timeline_->setPageStep(std::max(1, p.maximum / 20));
    showingTimeline_ = false;
    timeline_->setEnabled(session_.run().loaded() && !session_.run().running() && p.maximum > 0);
    timelineStep_->setText(session_.run().loaded() ? utf8(timelineText(t)) : QString());
}

void MainWindow::timelineMoved(int position) {
    if (showingTimeline_) return;
    timelineTarget_ = position;
    if (!timelineTimer_.isActive()) timelineTimer_.start(0);
}

void MainWindow::goToTimelineStep() {
    // A refresh still drawn, a command waiting: the slider's last position is gone to after.
    if (!idle()) {
        timelineTimer_.start(20);
        return;
    }
    const uint64_t step = stepAt(session_.run().timeline(), timelineTarget_);
    perform([this, step] { return session_.run().goToStep(step); });
}

void MainWindow::onGoToStepClicked() {
    if (!idle()) return;
    const RunController::Timeline t = session_.run().timeline();
    const auto answer = dialogs_.ask(this, QString("Go to which step? (%1 to %2)").arg(t.first).arg(t.last),
                                     QString::number(t.present));
    if (!answer) return;
    bool ok = false;
    const qulonglong step = answer->trimmed().toULongLong(&ok);
    if (!ok) {
        dialogs_.message(this, places::mainWindow.caption, "Not a step number: " + *answer);
        return;
    }
    perform([this, step] { return session_.run().goToStep(step); });
}

void MainWindow::onTestSuiteClicked() {
    perform([this] { return session_.askTestSuite(); });
}

void MainWindow::runSuite(const QString& suiteFile) {
    if (suite_.running()) return;
    if (!suiteWindow_) {
        suiteWindow_ = new TestSuiteWindow(this);
        suiteWindow_->placeTest = [this](const TestProgram& t) { placeTest(t); };
        suiteWindow_->stop = [this] { suite_.stop(); };
        suiteWindow_->runAgain = [this] {
            if (!session_.run().loaded())
                dialogs_.notice(this, utf8(mustBeLoadedNotice));
            else if (!suiteFile_.isEmpty())
                runSuite(suiteFile_);
        };
    }
    suiteFile_ = suiteFile;
    const SuiteRequest r = session_.testSuiteRequest(fsName(suiteFile));
    QStringList arguments;
    for (const std::string& a : r.arguments)
        arguments << shownName(a);
    suiteWindow_->showRunning(suiteFile);
    suiteWindow_->show();
    suiteWindow_->raise();
    suite_.start(paths_.mic1, arguments, shownName(r.folder));
}

void MainWindow::onSuiteFinished(bool started, int exitStatus, const QByteArray& output,
                                 const QString& errorOutput, const QString& failure) {
    if (!suiteWindow_) return;
    if (!started) {
        suiteWindow_->showFailure(failure + (errorOutput.isEmpty() ? QString() : "\n" + errorOutput));
        return;
    }
    const SuiteReport report =
        readSuiteReport(std::string_view(output.constData(), static_cast<size_t>(output.size())));
    if (!report.read) {
        suiteWindow_->showFailure(utf8(suiteFailureText(exitStatus, errorOutput.toStdString())));
        return;
    }
    // 130 and 143: stopped, the tests it did not finish reported as errors.
    suiteWindow_->showReport(report, exitStatus == 130 || exitStatus == 143 ? "Stopped." : QString());
}

void MainWindow::placeTest(const TestProgram& test) {
    if (!idle()) return;
    // The IJVM editor's own text is not replaced without the user's word.
    if (session_.ijvm().unsaved) {
        const UnsavedChoice choice = dialogs_.unsavedWork(this, utf8(session_.ijvm().unsavedQuestion()));
        if (choice == UnsavedChoice::Cancel || (choice == UnsavedChoice::Save && !saveIjvmNow())) return;
    }
    perform([this, test] { return session_.placeTestProgram(test); });
}

void MainWindow::onClearBreakpointsClicked() {
    perform([this] { return session_.breakpoints().clear(); });
}

void MainWindow::onExportTraceClicked() {
    if (!idle()) return;
    // How many: the history reaches back to the load, the last Reset or the placing.
    const auto count = dialogs_.ask(this, "Export the last how many microinstructions?", "1000");
    if (!count) return;
    bool ok = false;
    const qulonglong last = count->trimmed().toULongLong(&ok);
    if (!ok || last == 0) {
        dialogs_.message(this, places::mainWindow.caption, "Not a number of microinstructions: " + *count);
        return;
    }
    FileDialogSetup s = dialogSetup(exportTraceQuestion, QDir::homePath());
    const auto name = dialogs_.saveFile(this, s);
    if (!name) return;
    // A name without an extension is given the table's own.
    QString file = *name;
    if (QFileInfo(file).suffix().isEmpty()) file += ".csv";
    perform([this, last, n = fsName(file)] { return session_.run().exportTrace(n, last); });
}

void MainWindow::listBreakpoints(QMenu* menu) {
    menu->clear();
    const std::vector<std::string> list = session_.breakpoints().list();
    for (const std::string& b : list)
        menu->addAction(utf8(b))->setEnabled(false);
    if (list.empty()) menu->addAction("No breakpoints: click a line number to set one")->setEnabled(false);
    menu->addSeparator();
    QAction* clear = menu->addAction("Clear All Breakpoints", this, &MainWindow::onClearBreakpointsClicked);
    clear->setObjectName("clearBreakpoints");
    clear->setEnabled(!list.empty());
}

void MainWindow::onShowIjvmWindow() {
    ijvmWindow_->refresh(session_);
    workspace_->presentIjvm();
}

void MainWindow::onExitClicked() {
    close();
}

void MainWindow::onMemoryClicked() {
    perform([this] { return session_.run().memory(); });
}

void MainWindow::onResetClicked() {
    perform([this] { return session_.reset(); });
}

void MainWindow::onSubCycleClicked() {
    perform([this] { return session_.run().subCycle(); });
}

void MainWindow::onMicClicked() {
    perform([this] { return session_.microStep(); });
}

void MainWindow::onIjvmStepClicked() {
    perform([this] { return session_.startRun(RunKind::IjvmStep); });
}

void MainWindow::onRunClicked() {
    perform([this] { return session_.startRun(RunKind::ToHalt); });
}

void MainWindow::onStopRequested() {
    session_.run().stop();
}

void MainWindow::onCompileClicked() {
    perform([this] { return session_.compileAndLoad(); });
}

void MainWindow::onRadixChanged(int index) {
    perform([this, index] { return session_.run().setRadix(index); });
}

bool MainWindow::idle() const {
    return !session_.run().busy() && !panel_->playing() && waiting_.empty();
}

void MainWindow::perform(std::function<Outcome()> command) {
    if (session_.run().running()) return; // only Escape and closing act
    if (panel_->playing() || session_.run().busy()) {
        waiting_.push_back(std::move(command));
        return;
    }
    showOutcome(command());
}

void MainWindow::showOutcome(const Outcome& o) {
    editor_->show(o, session_);
    if (o.redraw.has(View::Breakpoints)) {
        editor_->editor->setBreakpoints(session_.breakpoints().lines(Source::Microprogram));
        ijvmWindow_->showBreakpoints(session_.breakpoints().lines(Source::Ijvm));
    }
    // What just happened, in the caption until the next command.
    if (!o.tell.status.empty() || !session_.run().running()) {
        const QString caption = places::mainWindow.caption;
        setWindowTitle(o.tell.status.empty() ? caption : caption + " - " + utf8(o.tell.status));
        ijvmWindow_->showStatus(utf8(o.tell.status));
    }
    ijvmWindow_->show(o, session_);
    // The IJVM window follows every step, phase and Reset, a Run's only at its end; hidden,
    // it is brought up to date when it is shown.
    const bool changed = o.redraw.pictures != Refresh::None || o.redraw.has(View::Memory);
    if (changed && !session_.run().running()) {
        if (workspace_->ijvmShown()) ijvmWindow_->refresh(session_);
        if (workspace_->memoryShown()) memoryView_->refreshList();
    }
    const bool placed = o.redraw.has(View::IjvmImage);
    if (placed || o.redraw.has(View::Diagnostics) || o.ijvmSelection) {
        if (placed || !session_.ijvm().diagnostics.empty() || workspace_->ijvmShown()) onShowIjvmWindow();
    }
    if (o.redraw.has(View::Clock)) panel_->clearClock();
    if (!session_.run().running()) showTimeline();
    if (o.ask.what == Ask::Checker) {
        // The command goes on when the checker ends; the window keeps painting meanwhile.
        const CheckerRequest& r = session_.checkerRequest();
        checker_.start(paths_.checker, shownName(r.source), shownName(r.report), paths_.checkerTimeoutMs);
        return;
    }
    if (showFailure(o)) {
        // What the machine did before the failure is shown all the same.
        panel_->play(o.redraw.pictures, session_, [this] { afterRefresh({}); });
        return;
    }
    if (session_.run().running()) {
        setCommandsEnabled(false);
        runHintTimer_.start();
        runTimer_.start();
        return;
    }
    panel_->play(o.redraw.pictures, session_, [this, o] { afterRefresh(o); });
}

bool MainWindow::showFailure(const Outcome& o) {
    if (!o.failed()) return false;
    dialogs_.message(this, QString::fromStdString(o.tell.failureCaption),
                     QString::fromStdString(o.tell.failure));
    return true;
}

void MainWindow::onCheckerFinished(const QString& failure, const QString& errorOutput) {
    showOutcome(session_.checkerFinished(failure.toStdString(), errorOutput.toStdString()));
}

void MainWindow::afterRefresh(const Outcome& o) {
    if (closing_) return;
    if (!o.tell.notice.empty()) dialogs_.notice(this, QString::fromStdString(o.tell.notice));
    switch (o.ask.what) {
    case Ask::SaveFileName:
    case Ask::SaveAsFileName:
        if (auto save = saveCommandFor(o)) perform(std::move(save));
        break;
    case Ask::IjvmFileName:
        if (const auto name = dialogs_.openFile(this, dialogSetup(openIjvmQuestion, paths_.examples)))
            perform([this, n = fsName(*name)] { return session_.openIjvm(n, IjvmOpening::Unplaced); });
        break;
    case Ask::IjvmProgramToPlace:
    case Ask::LoadInterpreter:
        placeIjvm(o);
        break;
    case Ask::IjvmSaveFileName:
        if (auto save = saveIjvmCommandFor(o)) perform(std::move(save));
        break;
    case Ask::MemoryViewer: {
        // A new viewer for each opening, so it starts again at word 0 in decimal.
        MemoryViewer viewer(dialogs_, session_, dialogs_.zoom, this);
        viewer.written = [this](const Outcome& written) { showOutcome(written); };
        dialogs_.memory(viewer);
        break;
    }
    case Ask::TestSuiteFile: {
        const QString folder =
            QFileInfo::exists(paths_.examples + "/tests") ? paths_.examples + "/tests" : paths_.examples;
        if (const auto name = dialogs_.openFile(this, dialogSetup(testSuiteQuestion, folder)))
            runSuite(*name);
        break;
    }
    case Ask::Nothing:
    case Ask::Checker:
        break;
    }
    // The next command given meanwhile; its own refresh takes the rest.
    if (!waiting_.empty() && !panel_->playing() && !session_.run().running()) {
        const auto next = std::move(waiting_.front());
        waiting_.pop_front();
        showOutcome(next());
    }
}

void MainWindow::continueRun() {
    const Outcome o = session_.run().slice();
    if (session_.run().running()) {
        runTimer_.start();
        return;
    }
    setCommandsEnabled(true);
    showRunning(false);
    showOutcome(o);
}

void MainWindow::showRunning(bool on) {
    runHintTimer_.stop();
    const QString caption = places::mainWindow.caption;
    setWindowTitle(on ? caption + " - " + utf8(runningHint) : caption);
}

void MainWindow::setCommandsEnabled(bool on) {
    menuBar()->setEnabled(on);
    for (QWidget* w : std::initializer_list<QWidget*>{micButton_, subCycleButton_, resetButton_,
                                                      memoryButton_, compileButton_, radixBox_,
                                                      ijvmStepButton_, ijvmRunButton_, clockButton_})
        w->setEnabled(on);
    editor_->setReadOnly(!on);
    ijvmWindow_->setCommandsEnabled(on);
    timeline_->setEnabled(on && session_.run().loaded());
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
    // Inverts the clock picture's visibility (the IJVM editor it also toggled is the IJVM
    // window's now).
    if (QWidget* clock = client_->findChild<QWidget*>(places::clockPicture.name))
        clock->setVisible(clock->isHidden());
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
    // The form's client at the zoom; the window takes it up to the screen, and scrolls it.
    const Rect client = clientArea(places::mainWindow);
    const int menu = menuBar()->sizeHint().height();
    client_->setFixedSize(scaled(client.width, zoom), scaled(client.height - menu, zoom));
    workspace_->fitToScreen();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A Run, a check or a drawing in progress ends at once; then unsaved work is settled.
    closing_ = true;
    if (session_.run().running()) {
        session_.run().stop();
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
    if (session_.ijvm().unsaved) {
        const UnsavedChoice choice = dialogs_.unsavedWork(this, utf8(session_.ijvm().unsavedQuestion()));
        if (choice == UnsavedChoice::Cancel || (choice == UnsavedChoice::Save && !saveIjvmNow())) {
            event->ignore();
            return;
        }
    }
    workspace_->save();
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
    if (chooseColour(c)) style::setBackground(ijvmWindow_->sourceEditor(), c);
    if (chooseColour(c)) style::setTextColour(ijvmWindow_->sourceEditor(), c);
}

void MainWindow::onWindowColourClicked() {
    QColor c;
    if (chooseColour(c)) style::setBackground(client_, c);
}

void MainWindow::onInfoClicked() {
    InfoDialog dialog(paths_.readme, paths_.examples, dialogs_.zoom, this);
    dialogs_.info(dialog);
}

void MainWindow::showHelp(HelpPage page) {
    // One window for every page, kept open beside the work.
    if (!helpWindow_) helpWindow_ = new HelpWindow(this);
    helpWindow_->showPage(page);
    helpWindow_->show();
    helpWindow_->raise();
    helpWindow_->activateWindow();
}

void MainWindow::onMalReferenceClicked() {
    showHelp(HelpPage::MalReference);
}

void MainWindow::onIjvmReferenceClicked() {
    showHelp(HelpPage::IjvmReference);
}

void MainWindow::onTutorialClicked() {
    showHelp(HelpPage::Tutorial);
}

} // namespace tarveno::ui
