#include "ui/Main.h"

#include "support/Conversions.h"
#include "support/Encoding.h"
#include "ui/DatapathDrawing.h"
#include "ui/Dialogs.h"
#include "ui/IjvmSkeleton.h"
#include "ui/Info.h"
#include "ui/Memory.h"
#include "ui/Readouts.h"
#include "ui/Style.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>

namespace tarveno::ui {

namespace {

const QString mustBeLoaded = "The program must be compiled and loaded into memory";
const QString hasBeenLoaded = "The program has been compiled and loaded into memory";
const QString malFilter = "MAL files (*.mal) | *.mal | All files (*.*)|*.*";
const QString saveFilter = "Mic1 files (*.mal)|*.mal |All files (*.*)|*.*";
const QString ijvmFilter = "IJVM files (*.jvm)|*.jvm |JAS files (*.jas) |*.jas |All files (*.*)   |*.*";
const QString caption = "TARVENO";

// Microinstructions a Run executes between two looks at the window's events: a few
// milliseconds of work, so Escape and repaints are answered at once.
constexpr uint64_t runSlice = 4'000'000;

constexpr int bitLefts[36] = {359, 370, 380, 390, 400, 410, 420, 431, 440, 452, 465, 479,
                              491, 502, 516, 533, 546, 558, 568, 580, 592, 604, 617, 629,
                              641, 653, 664, 677, 690, 703, 714, 727, 739, 750, 760, 769};
constexpr int registerTops[10] = {39, 66, 95, 124, 153, 181, 206, 237, 265, 295};

// Raised after a failure has been shown: the command ends there.
struct CommandAbandoned {};

QColor colourOf(Rgb c) {
    return {c.r, c.g, c.b};
}

// A file name as the library and the system take it.
std::string fsName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QFont& font,
              const QColor& colour) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(font);
    style::setTextColour(l, colour);
    l->hide();
    return l;
}

// The labels size themselves to their text, as the form's labels do.
void setCaption(QLabel* l, const QString& text) {
    l->setText(text);
    l->adjustSize();
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(place);
    return b;
}

QPlainTextEdit* editor(QWidget* parent, const char* name, QRect place) {
    auto* e = new QPlainTextEdit(parent);
    e->setObjectName(name);
    e->setGeometry(place);
    e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    e->setLineWrapMode(QPlainTextEdit::NoWrap);
    return e;
}

QListWidget* listBox(QWidget* parent, const char* name, QRect place, QAbstractItemView::SelectionMode mode,
                     const QColor& background, const QColor& text) {
    auto* l = new QListWidget(parent);
    l->setObjectName(name);
    l->setGeometry(place);
    l->setSelectionMode(mode);
    style::setBackground(l, background);
    style::setTextColour(l, text);
    l->hide();
    return l;
}

QAction* item(QMenu* menu, const char* name, const QString& text, const QKeySequence& key = {}) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    a->setShortcut(key);
    return a;
}

} // namespace

TForm1::TForm1(Dialogs& dialogs, HostPaths paths, PicturesFactory pictures, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), paths_(std::move(paths)) {
    setObjectName("Form1");
    setWindowTitle(caption);
    move(104, 19);
    resize(style::clientSize(839, 679));
    setFont(style::timesFont(13));

    client = new QWidget(this);
    client->setObjectName("client");
    style::setBackground(client, Qt::white);
    setCentralWidget(client);

    // The pictures first, so that every readout lies over them.
    drawing_ = pictures ? pictures(client) : makeDatapathPictures(client);

    const QFont bold = style::timesFont(13, true);
    const QFont title = style::timesFont(16, true);
    const QFont small = style::timesFont(11);

    Label31 = label(client, "Label31", "MicroProgram:", title, style::navy);
    Label33 = label(client, "Label33", "", title, style::navy);

    Memo2 = editor(client, "Memo2", {358, 56, 425, 193});
    Memo2->setFont(style::timesFont(13));
    style::setBackground(Memo2, style::toolTipBackground);
    style::setTextColour(Memo2, style::blue);
    {
        // The selection of the current microinstruction stays visible without focus.
        QPalette p = Memo2->palette();
        p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   p.color(QPalette::Active, QPalette::HighlightedText));
        Memo2->setPalette(p);
    }
    Memo3 = editor(client, "Memo3", {358, 248, 425, 107});
    Memo3->setReadOnly(true);
    style::setBackground(Memo3, QColor(0, 128, 192));
    style::setTextColour(Memo3, Qt::white);
    Memo3->hide();

    Panel1 = new QFrame(client);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(448, 512, 313, 97);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    style::setBackground(Panel1, style::light3d);
    BitBtn8 = button(client, "BitBtn8", "Memory", {464, 528, 60, 29});
    BitBtn6 = button(client, "BitBtn6", "SubCicle", {536, 528, 60, 29});
    BitBtn1 = button(client, "BitBtn1", "Mic", {608, 528, 60, 29});
    BitBtn4 = button(client, "BitBtn4", "Reset", {680, 528, 60, 29});
    for (QPushButton* b : {BitBtn6, BitBtn1, BitBtn4})
        style::setTextColour(b, style::blue);
    BitBtn5 = button(client, "BitBtn5", "Compile and Load", {464, 576, 111, 25});
    BitBtn5->setFont(bold);
    ComboBox1 = new QComboBox(client);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(616, 580, 129, 21);
    ComboBox1->addItems({"Decimal", "Hex"});
    ComboBox1->setCurrentIndex(0);

    // A gray panel, chosen so that both its black and its yellow text read well.
    Panel2 = new QLabel("ALU", client);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setFont(bold);
    style::setBackground(Panel2, style::gray);
    style::setTextColour(Panel2, Qt::black);
    Panel2->hide();

    Label23 = label(client, "Label23", "Bus C:", bold, style::navy);
    Label28 = label(client, "Label28", "", bold, style::navy);
    QLabel** registers[10] = {&Label11, &Label12, &Label13, &Label14, &Label15,
                              &Label16, &Label17, &Label18, &Label19, &Label20};
    for (int i = 0; i < 10; ++i) {
        const QByteArray name = "Label" + QByteArray::number(firstRegisterLabel + i);
        *registers[i] = label(client, name.constData(), "", bold, i == 2 ? Qt::black : style::navy);
    }
    Label27 = label(client, "Label27", "", bold, style::navy);
    Label29 = label(client, "Label29", "", small, style::navy);
    Label30 = label(client, "Label30", "", small, style::navy);
    Label1 = label(client, "Label1", "", small, style::lime);
    for (int i = 0; i < 36; ++i) {
        const QByteArray name = "L" + QByteArray::number(i + 1);
        L[static_cast<size_t>(i)] = label(client, name.constData(), "", font(), Qt::black);
    }

    // The IJVM controls: made, placed beyond the right edge and never shown by a visible
    // command.
    Memo1 = editor(client, "Memo1", {848, 152, 57, 65});
    style::setBackground(Memo1, style::blue);
    style::setTextColour(Memo1, style::lime);
    Label32 = label(client, "Label32", "IJVMProgram:", title, style::navy);
    Label32->move(848, 136);
    Label34 = label(client, "Label34", "", title, style::navy);
    Label34->move(960, 72);
    BitBtn2 = button(client, "BitBtn2", "Step", {912, 216, 62, 29});
    BitBtn3 = button(client, "BitBtn3", "Run", {856, 248, 60, 29});
    BitBtn7 = button(client, "BitBtn7", "Clock", {848, 216, 65, 33});
    Button2 = button(client, "Button2", "", {848, 56, 20, 20});
    for (QPushButton* b : {BitBtn2, BitBtn3})
        style::setTextColour(b, style::blue);
    style::setTextColour(Button2, style::lime);
    for (QWidget* w : std::initializer_list<QWidget*>{Memo1, BitBtn2, BitBtn3, BitBtn7, Button2})
        w->hide();

    // The IJVM views: hidden, all but Label2 beyond the right edge.
    QFont viewTitle = title;
    viewTitle.setUnderline(true);
    Label36 = label(client, "Label36", "Constant Pool", viewTitle, style::blue);
    Label36->setGeometry(856, 80, 93, 19);
    Label37 = label(client, "Label37", "Stack", viewTitle, style::blue);
    Label37->setGeometry(848, 120, 38, 19);
    Label38 = label(client, "Label38", "Method Area", viewTitle, style::blue);
    Label38->setGeometry(856, 104, 90, 19);
    Label2 = label(client, "Label2", "<-CPP", bold, style::blue);
    Label2->setGeometry(184, 572, 36, 15);
    Label3 = label(client, "Label3", "<-SP", bold, style::blue);
    Label3->setGeometry(952, 72, 34, 16);
    Label4 = label(client, "Label4", "<-LV", bold, style::blue);
    Label4->setGeometry(952, 96, 32, 16);
    Offset = label(client, "Offset", "Offset", font(), Qt::black);
    Offset->setGeometry(896, 72, 33, 15);
    ListBox1 = listBox(client, "ListBox1", {904, 184, 33, 33}, QAbstractItemView::SingleSelection,
                       style::light3d, Qt::black);
    ListBox2 = listBox(client, "ListBox2", {936, 152, 33, 33}, QAbstractItemView::MultiSelection,
                       style::light3d, style::blue);
    ListBox3 = listBox(client, "ListBox3", {848, 24, 33, 33}, QAbstractItemView::MultiSelection, Qt::black,
                       style::lime);
    ListBox4 = listBox(client, "ListBox4", {936, 184, 33, 33}, QAbstractItemView::MultiSelection,
                       style::dark3d, QColor(255, 0, 0));
    ListBox5 = listBox(client, "ListBox5", {904, 152, 33, 33}, QAbstractItemView::SingleSelection,
                       QColor(0, 128, 192), Qt::white);
    GroupBox1 = new QGroupBox("Standard I/O", client);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(880, 24, 81, 25);
    style::setBackground(GroupBox1, style::light3d);
    GroupBox1->hide();
    Edit1 = new QLineEdit(client);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(880, 40, 73, 23);
    Edit1->hide();
    Edit1->installEventFilter(this);

    // The menus.
    File1 = menuBar()->addMenu("&File");
    File1->setObjectName("File1");
    New1 = item(File1, "New1", "&New", QKeySequence(Qt::CTRL | Qt::Key_N));
    Open1 = File1->addMenu("&Open");
    Open1->setObjectName("Open1");
    Open1->menuAction()->setShortcut(Qt::Key_F3); // opens nothing by itself
    MicroProgram1 = item(Open1, "MicroProgram1", "MicroProgram");
    IJVMProgram1 = item(Open1, "IJVMProgram1", "IJVMProgram");
    IJVMProgram1->setVisible(false);
    Close1 = item(File1, "Close1", "S&keleton");
    Close1->setVisible(false);
    File1->addSeparator();
    Save1 = item(File1, "Save1", "&Save", Qt::Key_F2);
    SaveAs1 = item(File1, "SaveAs1", "Save &As...");
    File1->addSeparator();
    Exit1 = item(File1, "Exit1", "E&xit");
    RunMenu = menuBar()->addMenu("Run");
    RunMenu->setObjectName("Run1");
    Memory1 = item(RunMenu, "Memory1", "Memory");
    RunMenu->addSeparator();
    Reset1 = item(RunMenu, "Reset1", "Reset", Qt::Key_F10);
    SubCycle1 = item(RunMenu, "SubCycle1", "SubCycle", Qt::Key_F6);
    Mic1 = item(RunMenu, "Mic1", "Mic", Qt::Key_F7);
    IJVM1 = item(RunMenu, "IJVM1", "IJVM", Qt::Key_F8);
    Run2 = item(RunMenu, "Run2", "Run", Qt::Key_F9);
    for (QAction* a : {MicroProgram1, SubCycle1, Mic1, IJVM1, Run2})
        a->setVisible(false);
    Option1 = menuBar()->addMenu("Option");
    Option1->setObjectName("Option1");
    WindowIJVMColor1 = item(Option1, "WindowIJVMColor1", "BackColor ");
    WindowIJVMColor1->setVisible(false);
    MicColor1 = item(Option1, "MicColor1", "Mic Color");
    WindowColor1 = item(Option1, "WindowColor1", "Window Color");
    Help1 = menuBar()->addMenu("Help");
    Help1->setObjectName("Help1");
    Info1 = item(Help1, "Info1", "&Info", Qt::Key_F1);

    // The items of IJVM and Run stay hidden, but their keys act: a hidden item takes no
    // key, so the window holds them itself. Escape stops a running Run or IJVM step.
    connect(new QShortcut(Qt::Key_F8, this), &QShortcut::activated, this, &TForm1::IJVM1Click);
    connect(new QShortcut(Qt::Key_F9, this), &QShortcut::activated, this, &TForm1::Run2Click);
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &TForm1::stopRunning);

    connect(New1, &QAction::triggered, this, &TForm1::New1Click);
    connect(MicroProgram1, &QAction::triggered, this, &TForm1::MicroProgram1Click);
    connect(IJVMProgram1, &QAction::triggered, this, &TForm1::IJVMProgram1Click);
    connect(Close1, &QAction::triggered, this, &TForm1::Close1Click);
    connect(Save1, &QAction::triggered, this, &TForm1::Save1Click);
    connect(SaveAs1, &QAction::triggered, this, &TForm1::SaveAs1Click);
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    connect(Memory1, &QAction::triggered, this, &TForm1::Memory1Click);
    connect(Reset1, &QAction::triggered, this, &TForm1::Reset1Click);
    connect(SubCycle1, &QAction::triggered, this, &TForm1::SubCycle1Click);
    connect(Mic1, &QAction::triggered, this, &TForm1::Mic1Click);
    connect(IJVM1, &QAction::triggered, this, &TForm1::IJVM1Click);
    connect(Run2, &QAction::triggered, this, &TForm1::Run2Click);
    connect(WindowIJVMColor1, &QAction::triggered, this, &TForm1::WindowIJVMColor1Click);
    connect(MicColor1, &QAction::triggered, this, &TForm1::MicColor1Click);
    connect(WindowColor1, &QAction::triggered, this, &TForm1::WindowColor1Click);
    connect(Info1, &QAction::triggered, this, &TForm1::Info1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TForm1::BitBtn4Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TForm1::BitBtn5Click);
    connect(BitBtn6, &QPushButton::clicked, this, &TForm1::BitBtn6Click);
    connect(BitBtn7, &QPushButton::clicked, this, &TForm1::BitBtn7Click);
    connect(BitBtn8, &QPushButton::clicked, this, &TForm1::BitBtn8Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm1::ComboBox1Change);
    connect(ListBox5, &QListWidget::itemClicked, this, &TForm1::ListBox5Click);

    // Start-up: the Info dialog before the window first appears; the editor marked
    // modified, so the first compile request compiles it; then the layout.
    info_ = std::make_unique<TForm2>(paths_.readme, paths_.examples);
    Memo2->document()->setModified(true);
    dialogs_.info(*info_);
    Button2Click();
}

TForm1::~TForm1() = default;

// ---- Layout, colours, small commands ----

void TForm1::Button2Click() {
    Label1->setGeometry(320, 91, 3, 13);
    for (int i = 0; i < 10; ++i)
        registerLabel(firstRegisterLabel + i)->setGeometry(136, registerTops[i], 3, 15);
    Label23->setGeometry(9, 20, 38, 15);
    Label27->setGeometry(224, 316, 3, 15);
    Label28->setGeometry(48, 20, 3, 15);
    Label29->setGeometry(266, 342, 3, 14);
    Label30->setGeometry(266, 374, 3, 14);
    Label31->setGeometry(360, -2, 103, 19);
    Label33->setGeometry(472, -2, 4, 19);
    for (QLabel* l : {Label1, Label11, Label12, Label13, Label14, Label15, Label16, Label17, Label18, Label19,
                      Label20, Label23, Label27, Label28, Label29, Label30, Label31, Label33}) {
        l->adjustSize();
        l->show();
    }
    Panel2->setGeometry(136, 362, 78, 17);
    Panel2->show();
    for (int i = 0; i < 36; ++i) {
        QLabel* l = L[static_cast<size_t>(i)];
        l->move(bitLefts[i], 357);
        l->adjustSize();
        l->show();
    }
    for (QAction* a : {Mic1, MicroProgram1, SubCycle1})
        a->setVisible(true);
    if (QWidget* paintBox = client->findChild<QWidget*>("PaintBox1")) paintBox->show();
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::closeEvent(QCloseEvent* event) {
    stop_ = true; // a running Run ends with the window
    event->accept();
}

void TForm1::stopRunning() {
    stop_ = true;
}

void TForm1::Info1Click() {
    command([&] {
        TForm2 dialog(paths_.readme, paths_.examples, this);
        dialogs_.info(dialog);
    });
}

void TForm1::MicColor1Click() {
    command([&] {
        // Two runs: the background, then the text; cancelling one does not skip the other.
        if (auto c = dialogs_.colour(this, colorDialog1_)) {
            colorDialog1_ = *c;
            style::setBackground(Memo2, *c);
        }
        if (auto c = dialogs_.colour(this, colorDialog1_)) {
            colorDialog1_ = *c;
            style::setTextColour(Memo2, *c);
        }
    });
}

void TForm1::WindowIJVMColor1Click() {
    command([&] {
        if (auto c = dialogs_.colour(this, colorDialog1_)) {
            colorDialog1_ = *c;
            style::setBackground(Memo1, *c);
        }
        if (auto c = dialogs_.colour(this, colorDialog1_)) {
            colorDialog1_ = *c;
            style::setTextColour(Memo1, *c);
        }
    });
}

void TForm1::WindowColor1Click() {
    command([&] {
        if (auto c = dialogs_.colour(this, colorDialog1_)) {
            colorDialog1_ = *c;
            style::setBackground(client, *c);
        }
    });
}

void TForm1::BitBtn7Click() {
    for (QWidget* w : {static_cast<QWidget*>(Memo1), client->findChild<QWidget*>("Image2"),
                       static_cast<QWidget*>(Label32), static_cast<QWidget*>(Label34)})
        if (w) w->setVisible(w->isHidden()); // its own flag, whether or not the window is shown
}

void TForm1::ComboBox1Change(int index) {
    command([&] {
        if (index == 0) radix_ = 10;
        if (index == 1) radix_ = 16;
        if (RequireLoaded()) fullRefresh();
    });
}

void TForm1::Memory1Click() {
    BitBtn8Click();
}

void TForm1::BitBtn8Click() {
    command([&] {
        if (!RequireLoaded()) return;
        // A new viewer for each opening, so it starts again at word 0 in decimal.
        TForm5 viewer(dialogs_, &workbench_, this);
        dialogs_.memory(viewer);
    });
}

// ---- File commands ----

void TForm1::New1Click() {
    command([&] {
        setCaption(Label33, "");
        Memo2->clear();
        memo2File_ = EditorFile{}; // a new file is UTF-8 with line feeds
        Memo2->document()->setModified(true);
        Memo3->hide();
    });
}

void TForm1::MicroProgram1Click() {
    command([&] {
        const auto name = dialogs_.openFile(this, {"Open mal File", malFilter, paths_.examples});
        if (!name) return;
        setCaption(Label33, *name);
        CompileMicroprogram();
    });
}

void TForm1::Save1Click() {
    command([&] {
        if (Label33->text().isEmpty()) {
            if (auto name = dialogs_.saveFile(this, {"SaveAs Mic1 File", saveFilter, paths_.examples}))
                setCaption(Label33, *name);
        }
        if (!Label33->text().isEmpty()) saveMemo2(Label33->text());
    });
}

void TForm1::SaveAs1Click() {
    command([&] {
        const auto name = dialogs_.saveFile(this, {"SaveAs Mic1 File", saveFilter, paths_.examples});
        if (!name) return;
        setCaption(Label33, *name);
        saveMemo2(*name);
        Memo2->document()->setModified(true);
    });
}

void TForm1::IJVMProgram1Click() {
    command([&] {
        // With no machine yet there is nothing to assemble into: the command is refused
        // with the not-compiled notice, before any file is asked for.
        if (!workbench_.hasMachine()) {
            dialogs_.notice(this, mustBeLoaded);
            return;
        }
        const auto name = dialogs_.openFile(this, {"Open IJVM File", ijvmFilter, paths_.examples});
        if (!name) return;
        workbench_.openIjvmProgram(fsName(*name));
        ListBox5->clear();
        const auto& diagnostics = workbench_.ijvmProgram().diagnostics;
        for (int32_t i = 0; i < diagnostics.count(); ++i)
            ListBox5->addItem(QString::fromStdString(messageToUtf8(diagnostics[i].message)));
        setCaption(Label34, *name);
        const std::string bytes = readFile(*name);
        memo1File_ = decodeFile(bytes);
        memo1Positions_ = EditorPositions(bytes);
        Memo1->setPlainText(QString::fromStdString(memo1File_.text));
        EditorFile swap = memo1File_;
        writeFile(paths_.swapFile, encodeFile(memo1File_.text, swap));
        loaded_ = false;
        ClearIjvmViews();
    });
}

void TForm1::Close1Click() {
    command([&] {
        ClearIjvmViews();
        Memo1->clear();
        for (std::string_view line : ijvmSkeleton)
            Memo1->appendPlainText(QString::fromStdString(windows1252ToUtf8(line)));
        QTextCursor start(Memo1->document());
        Memo1->setTextCursor(start);
    });
}

// ---- IJVM views ----

void TForm1::ClearIjvmViews() {
    for (QListWidget* l : {ListBox1, ListBox2, ListBox3, ListBox4})
        l->clear();
    ListBox5->hide();
    // The skeleton may come before any compile: then there is no cell to zero.
    if (workbench_.hasMachine()) machine().memoryWord(machine::standardInputAddress) = 0;
    Edit1->setText(QString::fromStdString(decimalText(0)));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::FocusOut) Edit1Exit();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::Edit1Exit() {
    command([&] {
        // The number is checked even with no machine yet; it is then stored nowhere.
        const int32_t value = atolong(Edit1->text().toStdString());
        if (workbench_.hasMachine()) machine().memoryWord(machine::standardInputAddress) = value;
    });
}

void TForm1::ListBox5Click() {
    command([&] {
        if (!workbench_.hasMachine()) return;
        // Indexing tests the bounds: a row beyond the diagnostics shows its fault.
        const Diagnostic& diagnostic = workbench_.ijvmProgram().diagnostics[ListBox5->currentRow()];
        const int last = Memo1->document()->characterCount() - 1;
        const int start = std::min(memo1Positions_.at(diagnostic.start), last);
        const int end = std::min(memo1Positions_.at(int64_t{diagnostic.start} + diagnostic.length), last);
        QTextCursor cursor(Memo1->document());
        cursor.setPosition(start);
        cursor.setPosition(std::max(start, end), QTextCursor::KeepAnchor);
        Memo1->setTextCursor(cursor);
    });
}

// ---- Compile and load ----

void TForm1::SaveAndCompileIfModified() {
    if (Label33->text().isEmpty()) setCaption(Label33, "tmp.mal");
    if (!Memo2->document()->isModified()) return;
    Memo2->document()->setModified(false);
    try {
        saveMemo2(Label33->text());
    } catch (...) {
        // The text reached no file: it stays marked, so the next request tries again.
        Memo2->document()->setModified(true);
        throw;
    }
    CompileMicroprogram();
}

void TForm1::CompileMicroprogram() {
    loaded_ = false;
    const QString name = Label33->text();
    if (name.isEmpty()) return;
    try {
        compileFile(name);
    } catch (...) {
        // The text did not reach the machine: the next request compiles it again.
        Memo2->document()->setModified(true);
        throw;
    }
}

void TForm1::compileFile(const QString& name) {
    // The editor shows exactly the bytes that are compiled.
    const std::string bytes = readFile(name);
    loadMemo2(bytes);
    const std::string source = fsName(name);
    const std::string binary = microprogramFileFor(source);

    // A report left by an earlier run must not pass for this one's.
    QFile::remove(paths_.report);
    switch (runChecker(paths_.checker, name, paths_.report)) {
    case CheckerRun::Finished:
        break;
    case CheckerRun::NotFound:
        failure("The MAL checker quorc was not found beside tarveno.");
        break;
    case CheckerRun::NotStarted:
        failure("The MAL checker " + paths_.checker + " could not be started.");
        break;
    case CheckerRun::TimedOut:
        failure("The MAL checker " + paths_.checker + " did not finish and was stopped.");
        break;
    }
    Memo3->setVisible(CompilerReportedError());
    if (CompilerReportedError()) {
        Memo3->setPlainText(QString::fromStdString(decodeFile(readFile(paths_.report)).text));
        loaded_ = false;
        return;
    }
    workbench_.compileAndLoad(source, binary, Check::Skip);
    positions_ = EditorPositions(bytes);
}

bool TForm1::CompilerReportedError() {
    QFile report(paths_.report);
    // A missing report ends the command, not the program.
    if (!report.open(QIODevice::ReadOnly))
        failure("The checker's report " + paths_.report + " could not be read: " + report.errorString());
    char first = 0;
    return report.getChar(&first) && first == 'E';
}

bool TForm1::RequireLoaded() {
    if (loaded_) return true;
    dialogs_.notice(this, mustBeLoaded);
    return false;
}

void TForm1::BitBtn5Click() {
    command([&] {
        SaveAndCompileIfModified();
        if (CompilerReportedError()) return;
        if (!workbench_.hasMachine()) return;
        fullRefresh();
        dialogs_.notice(this, hasBeenLoaded);
        loaded_ = true;
    });
}

// ---- Stepping ----

void TForm1::subCycle(bool restart) {
    if (restart) {
        phase_ = 0;
        return;
    }
    if (phase_ != 0 && !workbench_.hasMachine()) return;
    switch (phase_) {
    case 0: {
        if (!RequireLoaded()) return;
        machine().microStep();
        instructionBits();
        clearMarks();
        bSourceMark();
        const uint32_t word = executedWord(machine());
        drawing_->bLine(word);
        drawing_->cLines(word);
        drawing_->shiftAndJmpcMarks(word);
        drawing_->clockRepaint();
        drawing_->clockMark(0);
        phase_ = 1;
        break;
    }
    case 1:
        bBusValue();
        drawing_->abFlow(field(machine().mir, Field::B), 1);
        drawing_->clockMark(1);
        phase_ = 2;
        break;
    case 2:
        aluText();
        drawing_->clockMark(2);
        phase_ = 3;
        break;
    default:
        cBusValue();
        drawing_->cFlow(field(machine().mir, Field::C), 1);
        cWriteMarks();
        drawing_->clockMark(3);
        registerValues();
        sourceSelection();
        phase_ = 0;
        break;
    }
}

void TForm1::micCommand() {
    SaveAndCompileIfModified();
    if (!RequireLoaded()) return;
    machine().microStep();
    fullRefresh();
}

void TForm1::ijvmCommand() {
    SaveAndCompileIfModified();
    if (!RequireLoaded()) return;
    runSliced([this](RunLimits limits) { return machine().ijvmStep(limits); });
    fullRefresh();
}

void TForm1::runCommand() {
    SaveAndCompileIfModified();
    if (!RequireLoaded()) return;
    runSliced([this](RunLimits limits) { return machine().run(limits); });
    fullRefresh();
}

void TForm1::resetCommand() {
    if (!RequireLoaded()) return;
    machine().memoryWord(machine::standardInputAddress) = 0;
    machine().reset();
    fullRefresh();
}

void TForm1::runSliced(const std::function<StopReason(RunLimits)>& step) {
    stop_ = false;
    running_ = true;
    setCommandsEnabled(false);
    while (step(RunLimits{runSlice, &stop_}) == StopReason::Bound)
        QApplication::processEvents();
    setCommandsEnabled(true);
    running_ = false;
}

void TForm1::setCommandsEnabled(bool on) {
    menuBar()->setEnabled(on);
    for (QWidget* w : std::initializer_list<QWidget*>{BitBtn1, BitBtn2, BitBtn3, BitBtn4, BitBtn5, BitBtn6,
                                                      BitBtn7, BitBtn8, ComboBox1})
        w->setEnabled(on);
    Memo2->setReadOnly(!on);
}

void TForm1::BitBtn1Click() {
    command([&] {
        subCycle(true);
        SaveAndCompileIfModified();
        micCommand();
    });
}

void TForm1::Mic1Click() {
    command([&] {
        subCycle(true);
        micCommand();
    });
}

void TForm1::BitBtn2Click() {
    IJVM1Click();
}

void TForm1::IJVM1Click() {
    command([&] {
        subCycle(true);
        ijvmCommand();
    });
}

void TForm1::BitBtn3Click() {
    Run2Click();
}

void TForm1::Run2Click() {
    command([&] {
        subCycle(true);
        runCommand();
    });
}

void TForm1::BitBtn4Click() {
    Reset1Click();
}

void TForm1::Reset1Click() {
    command([&] {
        subCycle(true);
        resetCommand();
    });
}

void TForm1::BitBtn6Click() {
    SubCycle1Click();
}

void TForm1::SubCycle1Click() {
    command([&] { subCycle(false); });
}

// ---- Readouts ----

void TForm1::fullRefresh() {
    if (!workbench_.hasMachine()) return;
    const ControlPath& m = machine();
    const uint32_t word = executedWord(m);
    instructionBits();
    clearMarks();
    bSourceMark();
    drawing_->bLine(word);
    drawing_->cLines(word);
    drawing_->shiftAndJmpcMarks(word);
    drawing_->nAndZMarks(m.n != 0, m.z != 0);
    bBusValue();
    drawing_->abFlow(field(m.mir, Field::B), 0);
    aluText();
    cBusValue();
    drawing_->cFlow(field(m.mir, Field::C), 0);
    drawing_->clockRepaint();
    drawing_->clockMark(4);
    cWriteMarks();
    registerValues();
    sourceSelection();
}

QLabel* TForm1::registerLabel(int number) const {
    const std::array<QLabel*, 10> labels{Label11, Label12, Label13, Label14, Label15,
                                         Label16, Label17, Label18, Label19, Label20};
    return labels[static_cast<size_t>(number - firstRegisterLabel)];
}

void TForm1::instructionBits() {
    const auto bits = ui::instructionBits(machine());
    for (size_t i = 0; i < bits.size(); ++i)
        setCaption(L[i], QString(QChar(bits[i])));
}

void TForm1::clearMarks() {
    for (int i = 0; i < 10; ++i)
        style::setTextColour(registerLabel(firstRegisterLabel + i), colourOf(black));
    style::setTextColour(Panel2, colourOf(black));
}

void TForm1::bSourceMark() {
    if (int number = bSourceLabel(field(machine().mir, Field::B)))
        style::setTextColour(registerLabel(number), colourOf(fuchsia));
}

void TForm1::cWriteMarks() {
    for (int number : cWriteLabels(field(machine().mir, Field::C)))
        style::setTextColour(registerLabel(number), colourOf(red));
}

void TForm1::aluText() {
    Panel2->setText(QString::fromStdString(aluCaption(machine())));
    style::setTextColour(Panel2, colourOf(yellow));
}

void TForm1::bBusValue() {
    setCaption(Label27, QString::fromStdString(busText(machine().bBus)));
}

void TForm1::cBusValue() {
    setCaption(Label28, QString::fromStdString(busText(machine().cBus)));
}

void TForm1::registerValues() {
    const ValueTexts t = valueTexts(machine(), radix_);
    for (int i = 0; i < 10; ++i)
        setCaption(registerLabel(firstRegisterLabel + i),
                   QString::fromStdString(t.registers[static_cast<size_t>(i)]));
    setCaption(Label27, QString::fromStdString(t.bBus));
    setCaption(Label28, QString::fromStdString(t.cBus));
    setCaption(Label29, QString::fromStdString(t.n));
    setCaption(Label30, QString::fromStdString(t.z));
    setCaption(Label1, QString::fromStdString(t.mpc));
}

void TForm1::sourceSelection() {
    QTextCursor cursor(Memo2->document());
    const uint32_t mpc = machine().mpc;
    // Beyond the source map (MPC 512 and more) nothing is selected.
    if (mpc < SourceMap::size) {
        const SourceSpan span = workbench_.sourceMap().at(mpc);
        const int last = Memo2->document()->characterCount() - 1;
        const int start = std::min(positions_.at(span.start), last);
        const int end = std::min(positions_.at(int64_t{span.start} + span.length), last);
        cursor.setPosition(start);
        cursor.setPosition(std::max(start, end), QTextCursor::KeepAnchor);
    } else {
        cursor = Memo2->textCursor();
        cursor.clearSelection();
    }
    Memo2->setTextCursor(cursor);
}

// ---- Edges ----

void TForm1::command(const std::function<void()>& body) {
    if (running_) return; // a Run or IJVM step is on: only Escape and closing act
    try {
        body();
    } catch (const CommandAbandoned&) {
    } catch (const std::exception& e) {
        showFailure(dialogs_, this, e);
    }
}

void TForm1::failure(const QString& text) {
    dialogs_.message(this, caption, text);
    throw CommandAbandoned{};
}

std::string TForm1::readFile(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) failure("Cannot open file \"" + name + "\". " + file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError) failure("Cannot read file \"" + name + "\". " + file.errorString());
    return bytes.toStdString();
}

void TForm1::writeFile(const QString& name, const std::string& bytes) {
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        failure("Cannot create file \"" + name + "\". " + file.errorString());
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.flush())
        failure("Cannot write file \"" + name + "\". " + file.errorString());
}

void TForm1::loadMemo2(const std::string& bytes) {
    const EditorFile file = decodeFile(bytes);
    memo2File_ = file;
    Memo2->setPlainText(QString::fromStdString(file.text));
    Memo2->document()->setModified(false);
}

void TForm1::saveMemo2(const QString& name) {
    QString text = Memo2->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QChar('\n'));
    writeFile(name, encodeFile(text.toStdString(), memo2File_));
}

} // namespace tarveno::ui
