#include "ui/MainWindow.h"

#include "ui/Dialogs.h"
#include "ui/IjvmControls.h"
#include "ui/InfoDialog.h"
#include "ui/MemoryViewer.h"
#include "ui/model/FileDialogs.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>

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
    panel_->selectSource = [this] { selectSource(); };
    auto add = [this](auto* w, const Place& p) { return placed_.add(w, p); };
    fileTitle_ = add(style::makeLabel(client_, places::fileTitle), places::fileTitle);
    fileNameLabel_ = add(style::makeLabel(client_, places::fileNameLabel), places::fileNameLabel);
    microprogramEditor_ =
        add(style::makeEditor(client_, places::microprogramEditor), places::microprogramEditor);
    {
        // The selection of the current microinstruction stays visible without focus.
        QPalette p = microprogramEditor_->palette();
        p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   p.color(QPalette::Active, QPalette::HighlightedText));
        microprogramEditor_->setPalette(p);
    }
    reportPane_ = add(style::makeEditor(client_, places::reportPane), places::reportPane);
    reportPane_->setReadOnly(true);
    reportPane_->hide();
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
    for (QLabel* l : {fileTitle_, fileNameLabel_})
        l->hide();
    ijvm_ = new IjvmControls(client_, placed_);
    buildMenus();
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
    connect(microprogramEditor_->document(), &QTextDocument::modificationChanged, this,
            [this](bool modified) {
                if (modified && !syncing_) session_.markModified();
            });
    runTimer_.setSingleShot(true);
    connect(&runTimer_, &QTimer::timeout, this, &MainWindow::continueRun);

    // Start-up: the Info dialog before the window first appears, with the editor marked
    // modified, so the first compile request compiles it; then the layout.
    syncDocument({});
    info_ = std::make_unique<InfoDialog>(paths_.readme, paths_.examples);
    dialogs_.info(*info_);
    onLayoutClicked();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus() {
    QMenu* menu = nullptr;
    auto item = [&](const char* name, const char* caption, QKeySequence key, bool shown,
                    void (MainWindow::*slot)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        a->setShortcut(key);
        a->setVisible(shown);
        if (slot) connect(a, &QAction::triggered, this, slot);
        return a;
    };
    menu = menuBar()->addMenu("&File");
    menu->setObjectName("File1");
    item("New1", "&New", QKeySequence(Qt::CTRL | Qt::Key_N), true, &MainWindow::onNewClicked);
    QMenu* file = menu;
    menu = file->addMenu("&Open");
    menu->setObjectName("Open1");
    menu->menuAction()->setShortcut(Qt::Key_F3); // opens nothing by itself
    item("MicroProgram1", "MicroProgram", {}, false, &MainWindow::onOpenMicroprogramClicked);
    item("IJVMProgram1", "IJVMProgram", {}, false, &MainWindow::onOpenIjvmClicked);
    menu = file;
    item("Close1", "S&keleton", {}, false, &MainWindow::onSkeletonClicked);
    menu->addSeparator();
    item("Save1", "&Save", Qt::Key_F2, true, &MainWindow::onSaveClicked);
    item("SaveAs1", "Save &As...", {}, true, &MainWindow::onSaveAsClicked);
    menu->addSeparator();
    item("Exit1", "E&xit", {}, true, &MainWindow::onExitClicked);

    menu = menuBar()->addMenu("Run");
    menu->setObjectName("Run1");
    item("Memory1", "Memory", {}, true, &MainWindow::onMemoryClicked);
    menu->addSeparator();
    item("Reset1", "Reset", Qt::Key_F10, true, &MainWindow::onResetClicked);
    item("SubCycle1", "SubCycle", Qt::Key_F6, false, &MainWindow::onSubCycleClicked);
    item("Mic1", "Mic", Qt::Key_F7, false, &MainWindow::onMicClicked);
    item("IJVM1", "IJVM", Qt::Key_F8, false, &MainWindow::onIjvmStepClicked);
    item("Run2", "Run", Qt::Key_F9, false, &MainWindow::onRunClicked);

    menu = menuBar()->addMenu("Option");
    menu->setObjectName("Option1");
    item("WindowIJVMColor1", "BackColor ", {}, false, &MainWindow::onIjvmColoursClicked);
    item("MicColor1", "Mic Color", {}, true, &MainWindow::onMicColoursClicked);
    item("WindowColor1", "Window Color", {}, true, &MainWindow::onWindowColourClicked);
    // The whole client area at 100, 125, 150 or 200 %, for a projector.
    menu->addSeparator();
    item("zoomIn", "Zoom In", QKeySequence(Qt::CTRL | Qt::Key_Equal), true, nullptr)
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
    item("zoomOut", "Zoom Out", QKeySequence(Qt::CTRL | Qt::Key_Minus), true, nullptr);
    item("zoomActual", "Actual Size", QKeySequence(Qt::CTRL | Qt::Key_0), true, nullptr);
    connect(findChild<QAction*>("zoomIn"), &QAction::triggered, this,
            [this] { setZoom(steppedZoom(zoomPercent_, 1)); });
    connect(findChild<QAction*>("zoomOut"), &QAction::triggered, this,
            [this] { setZoom(steppedZoom(zoomPercent_, -1)); });
    connect(findChild<QAction*>("zoomActual"), &QAction::triggered, this, [this] { setZoom(zoomLevels[0]); });

    menu = menuBar()->addMenu("Help");
    menu->setObjectName("Help1");
    item("Info1", "&Info", Qt::Key_F1, true, &MainWindow::onInfoClicked);

    // The items of IJVM and Run stay hidden, but their keys act: a hidden item takes no
    // key, so the window holds them itself. Escape stops a running Run or IJVM step.
    connect(new QShortcut(Qt::Key_F8, this), &QShortcut::activated, this, &MainWindow::onIjvmStepClicked);
    connect(new QShortcut(Qt::Key_F9, this), &QShortcut::activated, this, &MainWindow::onRunClicked);
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &MainWindow::onStopRequested);
}

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
    syncDocument(a);
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
    microprogramEditor_->setReadOnly(!on);
}

// ---- What the window shows of the session ----

void MainWindow::syncDocument(const Answer& a) {
    syncing_ = true;
    const Document& d = session_.document();
    if (a.editorReloaded) microprogramEditor_->setPlainText(QString::fromStdString(d.file.text));
    microprogramEditor_->document()->setModified(d.modified);
    style::setCaption(fileNameLabel_, shownName(d.fileName));
    if (a.reportChanged) {
        reportPane_->setVisible(session_.reportShown());
        if (session_.reportShown()) reportPane_->setPlainText(QString::fromStdString(session_.report()));
    }
    syncing_ = false;
}

void MainWindow::selectSource() {
    QTextCursor cursor(microprogramEditor_->document());
    if (const auto span = session_.sourceSelection()) {
        const int last = microprogramEditor_->document()->characterCount() - 1;
        const int start = std::min(span->start, last);
        cursor.setPosition(start);
        cursor.setPosition(std::max(start, std::min(span->end, last)), QTextCursor::KeepAnchor);
    } else {
        cursor = microprogramEditor_->textCursor();
        cursor.clearSelection();
    }
    microprogramEditor_->setTextCursor(cursor);
}

std::string MainWindow::editorText() {
    QString t = microprogramEditor_->document()->toRawText();
    t.replace(QChar::ParagraphSeparator, QChar('\n'));
    return t.toStdString();
}

std::string MainWindow::runChecker(const std::string& source, const std::string& report) {
    switch (ui::runChecker(paths_.checker, shownName(source), shownName(report))) {
    case CheckerRun::Finished:
        return {};
    case CheckerRun::NotFound:
        return "The MAL checker quorc was not found beside tarveno.";
    case CheckerRun::NotStarted:
        return ("The MAL checker " + paths_.checker + " could not be started.").toStdString();
    case CheckerRun::TimedOut:
        return ("The MAL checker " + paths_.checker + " did not finish and was stopped.").toStdString();
    }
    return {};
}

// ---- The window itself ----

void MainWindow::onLayoutClicked() {
    // The microprogram layout: every readout and the editor's title shown in its place.
    placed_.placeAll(zoomPercent_ / 100.0);
    panel_->showReadouts();
    fileTitle_->show();
    fileNameLabel_->show();
    for (const char* name : {"Mic1", "MicroProgram1", "SubCycle1"})
        findChild<QAction*>(name)->setVisible(true);
    if (QWidget* flow = client_->findChild<QWidget*>(places::flowSurface.name)) flow->show();
}

void MainWindow::onClockClicked() {
    ijvm_->toggleClock(client_->findChild<QWidget*>(places::clockPicture.name));
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
    if (chooseColour(c)) style::setBackground(microprogramEditor_, c);
    if (chooseColour(c)) style::setTextColour(microprogramEditor_, c);
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
    InfoDialog dialog(paths_.readme, paths_.examples, this, dialogs_.zoom);
    dialogs_.info(dialog);
}

} // namespace tarveno::ui
