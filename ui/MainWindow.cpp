#include "ui/MainWindow.h"

#include "ui/Dialogs.h"
#include "ui/EditorPane.h"
#include "ui/IjvmControls.h"
#include "ui/InfoDialog.h"
#include "ui/MainMenus.h"
#include "ui/MemoryViewer.h"
#include "ui/model/FileDialogs.h"

#include <QCloseEvent>
#include <QComboBox>
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
      session_(*this, {fsName(paths_.report), fsName(paths_.swapFile)}) {
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
    editor_->edited = [this] { session_.markModified(); };
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
    runTimer_.setSingleShot(true);
    connect(&runTimer_, &QTimer::timeout, this, &MainWindow::continueRun);

    // Start-up: the Info dialog before the window first appears, with the editor marked
    // modified, so the first compile request compiles it; then the layout.
    editor_->show({}, session_);
    info_ = std::make_unique<InfoDialog>(paths_.readme, paths_.examples);
    dialogs_.info(*info_);
    onLayoutClicked();
}

MainWindow::~MainWindow() = default;

// ---- Commands ----

void MainWindow::onNewClicked() {
    perform([this] { return session_.newProgram(); });
}

void MainWindow::onOpenMicroprogramClicked() {
    if (session_.running()) return;
    if (const auto name = dialogs_.openFile(this, setup(openMicroprogramQuestion, paths_.examples)))
        perform([this, n = fsName(*name)] { return session_.openMicroprogram(n); });
}

void MainWindow::onOpenIjvmClicked() {
    perform([this] { return session_.openIjvmRequest(); });
}

void MainWindow::onSkeletonClicked() {
    perform([this] { return session_.skeleton(); });
}

void MainWindow::onSaveClicked() {
    perform([this] { return session_.save(); });
}

void MainWindow::onSaveAsClicked() {
    if (session_.running()) return;
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

void MainWindow::perform(std::function<Answer()> command) {
    if (session_.running()) return; // only Escape and closing act
    if (panel_->playing()) {
        waiting_.push_back(std::move(command));
        return;
    }
    showAnswer(command());
}

void MainWindow::showAnswer(const Answer& a) {
    editor_->show(a, session_);
    ijvm_->show(a, session_.ijvm());
    if (a.failed()) {
        dialogs_.message(this, QString::fromStdString(a.failureCaption), QString::fromStdString(a.failure));
        afterRefresh({});
        return;
    }
    if (session_.running()) {
        setCommandsEnabled(false);
        runTimer_.start();
        return;
    }
    panel_->play(a.refresh, session_, [this, a] { afterRefresh(a); });
}

void MainWindow::afterRefresh(const Answer& a) {
    if (closing_) return;
    if (!a.notice.empty()) dialogs_.notice(this, QString::fromStdString(a.notice));
    if (a.ask == Ask::SaveFileName) {
        if (const auto name = dialogs_.saveFile(this, setup(saveMicroprogramQuestion, paths_.examples)))
            perform([this, n = fsName(*name)] { return session_.saveNamed(n); });
    } else if (a.ask == Ask::IjvmFileName) {
        if (const auto name = dialogs_.openFile(this, setup(openIjvmQuestion, paths_.examples)))
            perform([this, n = fsName(*name)] { return session_.openIjvmProgram(n); });
    } else if (a.ask == Ask::MemoryViewer) {
        // A new viewer for each opening, so it starts again at word 0 in decimal.
        MemoryViewer viewer(dialogs_, session_.workbench(), dialogs_.zoom, this);
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
    showAnswer(a);
}

void MainWindow::setCommandsEnabled(bool on) {
    menuBar()->setEnabled(on);
    for (QWidget* w : std::initializer_list<QWidget*>{
             micButton_, subCycleButton_, resetButton_, memoryButton_, compileButton_, radixBox_,
             ijvm_->stepButton, ijvm_->runButton, ijvm_->clockButton})
        w->setEnabled(on);
    editor_->setReadOnly(!on);
}

std::string MainWindow::editorText() {
    return editor_->text();
}

std::string MainWindow::runChecker(const std::string& source, const std::string& report) {
    return checkerFailure(paths_.checker, shownName(source), shownName(report));
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
    panel_->drawing().setZoom(zoom);
    const Rect client = clientArea(places::mainWindow);
    const int menu = menuBar()->sizeHint().height();
    resize(scaled(client.width, zoom), scaled(client.height - menu, zoom) + menu);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A Run or a drawing in progress ends with the window, at once and without questions.
    closing_ = true;
    if (session_.running()) {
        session_.stopRun();
        continueRun();
    }
    panel_->finish();
    waiting_.clear();
    closing_ = false;
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

} // namespace tarveno::ui
