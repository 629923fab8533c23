#include "ui/IjvmWindow.h"

#include "ui/CodeEditor.h"
#include "ui/FormStyle.h"
#include "ui/WindowText.h"
#include "ui/model/WindowLayout.h"
#include "workbench/Session.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>

namespace tarveno::ui {

// One of the window's tables over the view model: cells are made when they are shown, and
// a refresh is one reset, however many rows there are.
class IjvmTableModel : public QAbstractTableModel {
  public:
    IjvmTableModel(const IjvmWindowView& view, IjvmTable table, QObject* parent)
        : QAbstractTableModel(parent), view_(view), table_(table) {}

    void retake() {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : view_.rows(table_);
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : IjvmWindowView::columns(table_);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(view_.cell(table_, index.row(), index.column()));
        case Qt::BackgroundRole:
            return QColor(QRgb(view_.background(table_, index.row())));
        case Qt::ForegroundRole:
            return QColor(Qt::black);
        case Qt::FontRole:
            if (view_.marked(table_, index.row())) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        default:
            return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return QString::fromUtf8(IjvmWindowView::heading(table_, section));
    }

  private:
    const IjvmWindowView& view_;
    IjvmTable table_;
};

// The watch list's lines: the watch as typed, where its word is (or why there is none
// now), its value; a word the last command changed is highlighted.
class WatchTableModel : public QAbstractTableModel {
  public:
    WatchTableModel(const std::vector<WatchLine>& lines, QObject* parent)
        : QAbstractTableModel(parent), lines_(lines) {}

    void retake() {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(lines_.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (index.row() < 0 || static_cast<size_t>(index.row()) >= lines_.size()) return {};
        const WatchLine& line = lines_[static_cast<size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
            case 0:
                return QString::fromStdString(line.watch);
            case 1:
                return QString::fromStdString(line.where.empty() ? line.note : line.where);
            case 2:
                return QString::fromStdString(line.value);
            }
            return {};
        case Qt::BackgroundRole:
            return line.changed ? QColor(0xFF, 0xD5, 0x4F) : QColor(Qt::white);
        case Qt::ForegroundRole:
            return line.where.empty() ? QColor(Qt::darkGray) : QColor(Qt::black);
        case Qt::ToolTipRole:
            return line.changed ? QStringLiteral("Changed by the last step or Run") : QVariant();
        default:
            return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        static const char* const headings[] = {"Watch", "Word", "Value"};
        return section >= 0 && section < 3 ? QString(headings[section]) : QVariant();
    }

  private:
    const std::vector<WatchLine>& lines_;
};

namespace {

void sizeColumns(QTableView* view, IjvmTable table) {
    const int digit = view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < IjvmWindowView::columns(table); ++c)
        if (const int chars = IjvmWindowView::columnChars(table, c))
            view->setColumnWidth(c, chars * digit + 8);
}

// A cell as its background and one line of text, without the style's item layout, which
// lays each text out twice (to size it, then to draw it): half of a step's repaint on a deep
// stack. The tables' font is fixed-pitch, so whether a text fits is known from its length.
class CellDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (const QVariant background = index.data(Qt::BackgroundRole); background.isValid())
            painter->fillRect(option.rect, background.value<QColor>());
        const QString text = index.data(Qt::DisplayRole).toString();
        if (text.isEmpty()) return;
        QFont font = option.font;
        if (const QVariant f = index.data(Qt::FontRole); f.isValid()) font = f.value<QFont>().resolve(font);
        const QFontMetrics metrics(font);
        const QRect r = option.rect.adjusted(margin, 0, -margin, 0);
        const bool fits = text.size() * metrics.horizontalAdvance(QLatin1Char('M')) <= r.width();
        painter->save();
        painter->setFont(font);
        painter->setPen(index.data(Qt::ForegroundRole).value<QColor>());
        painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          fits ? text : metrics.elidedText(text, Qt::ElideRight, r.width()));
        painter->restore();
    }

  private:
    static constexpr int margin = 3;
};

QLabel* title(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

QPushButton* button(const char* caption, const char* name, QWidget* parent,
                    const std::function<void()>& call) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    QObject::connect(b, &QPushButton::clicked, parent, [&call] {
        if (call) call();
    });
    return b;
}

// A panel: its title over its widgets, the tables and the editor taking the height.
QWidget* panelOf(QWidget* parent, const char* name, std::initializer_list<QWidget*> widgets) {
    auto* box = new QWidget(parent);
    box->setObjectName(name);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(4, 4, 4, 4);
    for (QWidget* w : widgets)
        layout->addWidget(w, qobject_cast<QAbstractItemView*>(w) || qobject_cast<CodeEditor*>(w) ? 1 : 0);
    return box;
}

} // namespace

IjvmWindow::IjvmWindow(QWidget* parent, const QString& settingsFile)
    : QWidget(parent, Qt::Window), settingsFile_(settingsFile) {
    setObjectName("ijvmWindow");
    setWindowTitle("TARVENO - IJVM");
    setAccessibleName(windowTitle());
    resize(1200, 640);

    // The commands in a tool bar, which shows those that do not fit behind its arrow, so the
    // window can be narrow.
    commands_ = new QToolBar("IJVM", this);
    commands_->setObjectName("ijvmCommands");
    auto add = [&](const char* caption, const char* name, std::function<void()>& call) {
        auto* b = button(caption, name, commands_, call);
        style::makeKeyboardButton(b);
        commands_->addWidget(b);
        buttons_.push_back(b);
    };
    add("Open IJVM Program...", "openIjvmProgramButton", openProgram);
    add("Assemble and Place", "assembleButton", assemble);
    add("Save", "ijvmSaveButton", save);
    commands_->addSeparator();
    add("Back (Shift+F7)", "microBackButton", stepBack);
    add("IJVM Back (Shift+F8)", "ijvmBackButton", ijvmStepBack);
    add("Mic (F7)", "ijvmMicButton", mic);
    add("IJVM Step (F8)", "ijvmStepButton", ijvmStep);
    add("Run (F9)", "ijvmRunButton", run);
    add("Reset (F10)", "ijvmResetButton", reset);

    // The keys of the main window's Run menu act here too, and Assemble and Place has its own.
    assembleAction_ = new QAction("Assemble and Place", this);
    assembleAction_->setObjectName("assembleAndPlace");
    assembleAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    connect(assembleAction_, &QAction::triggered, this, [this] {
        if (assemble) assemble();
    });
    addAction(assembleAction_);
    const std::pair<QKeySequence, std::function<void()>*> keys[] = {
        {Qt::Key_F7, &mic},
        {Qt::Key_F8, &ijvmStep},
        {Qt::Key_F9, &run},
        {Qt::Key_F10, &reset},
        {Qt::Key_Escape, &stop},
        {QKeySequence(Qt::SHIFT | Qt::Key_F7), &stepBack},
        {QKeySequence(Qt::SHIFT | Qt::Key_F8), &ijvmStepBack}};
    for (const auto& key : keys) {
        std::function<void()>* call = key.second;
        connect(new QShortcut(key.first, this), &QShortcut::activated, this, [call] {
            if (*call) (*call)();
        });
    }

    fileName_ = new QLabel(this);
    fileName_->setObjectName("ijvmFileName");
    // A long path is cut at the window's edge rather than widening the window past the
    // screen; the whole name is in the tool tip.
    fileName_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    editor_ = new CodeEditor(this);
    editor_->setObjectName("ijvmSourceEditor");
    editor_->setAccessibleName("IJVM program");
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(editor_, &CodeEditor::gutterClicked, this, [this](int line) {
        if (breakpointToggled) breakpointToggled(line);
    });
    connect(editor_->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (!showing_ && (removed || added) && edited) edited();
    });
    sourceNote_ = new QLabel(QString::fromUtf8(notPlacedNote.data(), notPlacedNote.size()), this);
    sourceNote_->setObjectName("ijvmSourceNote");
    sourceNote_->setStyleSheet("color: #B00020; font-weight: bold");
    sourceNote_->setWordWrap(true);
    sourceNote_->hide();
    diagnostics_ = new QListWidget(this);
    diagnostics_->setObjectName("ijvmDiagnostics");
    diagnostics_->setAccessibleName("Diagnostics");
    diagnostics_->setMaximumHeight(110);
    diagnostics_->hide();
    connect(diagnostics_, &QListWidget::itemClicked, this, [this] {
        if (diagnosticClicked) diagnosticClicked(diagnostics_->currentRow());
    });
    news_ = new QLabel(this);
    news_->setObjectName("ijvmStatus");
    news_->setWordWrap(true);
    QFont bold = news_->font();
    bold.setBold(true);
    news_->setFont(bold);

    for (int i = 0; i < 5; ++i)
        models_[i] = new IjvmTableModel(view_, static_cast<IjvmTable>(i), this);
    methodArea_ = makeTable(IjvmTable::MethodArea, "methodAreaView");
    pool_ = makeTable(IjvmTable::ConstantPool, "constantPoolView");
    stack_ = makeTable(IjvmTable::Stack, "stackView");
    output_ = makeTable(IjvmTable::Output, "outputView");
    counts_ = makeTable(IjvmTable::Counts, "countsView");
    status_ = new QLabel(this);
    status_->setObjectName("ijvmRegisters");
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* io = new QWidget(this);
    io->setObjectName("standardIoGroup");
    input_ = new QLineEdit("0", io);
    input_->setObjectName("standardInput");
    input_->setAccessibleName("Standard input");
    input_->setToolTip("The number IN reads (the standard-input cell); it is stored when you leave the box");
    input_->installEventFilter(this);
    // Enter stores the number as leaving the box does, once.
    connect(input_, &QLineEdit::returnPressed, this, [this] {
        if (inputLeft) inputLeft(input_->text());
        input_->selectAll();
    });
    auto* ioLayout = new QVBoxLayout(io);
    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(new QLabel("Input", io));
    inputRow->addWidget(input_, 1);
    ioLayout->addLayout(inputRow);
    ioLayout->addWidget(output_, 1);

    for (size_t i = 0; i < ijvmPanels.size(); ++i)
        titles_[i] = title(ijvmPanelTitle(ijvmPanels[i]).data(), this);
    panels_[0] =
        panelOf(this, "ijvmSourcePanel", {titles_[0], fileName_, editor_, sourceNote_, diagnostics_, news_});
    panels_[1] = panelOf(this, "ijvmMethodAreaPanel", {titles_[1], methodArea_});
    panels_[2] = panelOf(this, "ijvmConstantPoolPanel", {titles_[2], pool_});
    panels_[3] = panelOf(this, "ijvmStackPanel", {titles_[3], stack_, status_});
    panels_[4] = panelOf(this, "ijvmStandardIoPanel", {titles_[4], io});
    panels_[5] = panelOf(this, "ijvmCountsPanel", {titles_[5], counts_});
    panels_[6] = makeWatches();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(commands_);
    takePanelsBack();
}

QWidget* IjvmWindow::panel(IjvmPanel p) const {
    return panels_[static_cast<size_t>(p)];
}

void IjvmWindow::takePanelsBack() {
    docked_ = false;
    if (layout()->indexOf(commands_) < 0) static_cast<QVBoxLayout*>(layout())->insertWidget(0, commands_);
    commands_->show();
    arrange(width() < narrowWidth);
}

void IjvmWindow::takeTimeline(QWidget* timeline) {
    auto* box = static_cast<QVBoxLayout*>(layout());
    if (box->indexOf(timeline) < 0) box->insertWidget(box->indexOf(commands_) + 1, timeline);
    timeline->show();
}

void IjvmWindow::arrange(bool narrow) {
    narrow_ = narrow;
    // The panels go into a new arrangement; the old one, left empty, goes.
    QWidget* old = arrangement_;
    auto splitter = [](Qt::Orientation o, QWidget* parent) {
        auto* s = new QSplitter(o, parent);
        s->setChildrenCollapsible(false);
        return s;
    };
    QSplitter* top = splitter(narrow ? Qt::Vertical : Qt::Horizontal, this);
    if (narrow) {
        // The source over two tab sets: the listings, and the stack with the I/O and counts.
        auto tabs = [&](QWidget* parent, std::initializer_list<IjvmPanel> which) {
            auto* t = new QTabWidget(parent);
            for (IjvmPanel p : which)
                t->addTab(panel(p), QString::fromUtf8(ijvmPanelTitle(p).data()));
            return t;
        };
        top->addWidget(panel(IjvmPanel::Source));
        QSplitter* below = splitter(Qt::Horizontal, top);
        below->addWidget(tabs(below, {IjvmPanel::MethodArea, IjvmPanel::ConstantPool}));
        below->addWidget(
            tabs(below, {IjvmPanel::Stack, IjvmPanel::Watches, IjvmPanel::StandardIo, IjvmPanel::Counts}));
        top->addWidget(below);
        top->setSizes({2, 3});
    } else {
        // Source | method area | constant pool over stack | standard I/O over the watches
        // over counts.
        auto column = [&](std::initializer_list<std::pair<IjvmPanel, int>> panels) {
            QSplitter* s = splitter(Qt::Vertical, top);
            QList<int> sizes;
            for (const auto& [p, size] : panels) {
                s->addWidget(panel(p));
                sizes << size;
            }
            s->setSizes(sizes);
            return s;
        };
        top->addWidget(panel(IjvmPanel::Source));
        top->addWidget(panel(IjvmPanel::MethodArea));
        top->addWidget(column({{IjvmPanel::ConstantPool, 150}, {IjvmPanel::Stack, 450}}));
        top->addWidget(
            column({{IjvmPanel::StandardIo, 220}, {IjvmPanel::Watches, 200}, {IjvmPanel::Counts, 180}}));
        top->setSizes({300, 320, 360, 240});
    }
    // In tabs the tab names the panel; in columns its title does.
    for (size_t i = 0; i < titles_.size(); ++i)
        titles_[i]->setVisible(!narrow || ijvmPanels[i] == IjvmPanel::Source);
    for (QWidget* p : panels_)
        p->show();
    static_cast<QVBoxLayout*>(layout())->addWidget(top, 1);
    arrangement_ = top;
    delete old;
}

void IjvmWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!docked_ && (width() < narrowWidth) != narrow_) arrange(!narrow_);
}

void IjvmWindow::givePanels() {
    // The docks take the panels; their title bars name them.
    docked_ = true;
    for (QLabel* t : titles_)
        t->hide();
    hide();
}

IjvmWindow::~IjvmWindow() = default;

QWidget* IjvmWindow::makeWatches() {
    watchModel_ = new WatchTableModel(watchLines_, this);
    watchTable_ = new QTableView(this);
    watchTable_->setObjectName("watchList");
    watchTable_->setAccessibleName("Watches");
    watchTable_->setModel(watchModel_);
    watchTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    watchTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    watchTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    watchTable_->setShowGrid(false);
    watchTable_->verticalHeader()->hide();
    watchTable_->horizontalHeader()->setStretchLastSection(true);
    watchTable_->installEventFilter(this);
    watchEntry_ = new QLineEdit(this);
    watchEntry_->setObjectName("watchEntry");
    watchEntry_->setAccessibleName("Watch to add");
    watchEntry_->setPlaceholderText("word address or variable");
    watchEntry_->setToolTip(
        "A word address (1027, 0x403, -6 the input cell) or the name of a variable of the "
        "method running; Enter adds it");
    connect(watchEntry_, &QLineEdit::returnPressed, this, &IjvmWindow::addWatch);
    auto* add = new QPushButton("&Add", this);
    add->setObjectName("addWatchButton");
    add->setAccessibleName("Add watch");
    style::makeKeyboardButton(add);
    connect(add, &QPushButton::clicked, this, &IjvmWindow::addWatch);
    auto* remove = new QPushButton("Remo&ve", this);
    remove->setObjectName("removeWatchButton");
    remove->setAccessibleName("Remove watch");
    style::makeKeyboardButton(remove);
    connect(remove, &QPushButton::clicked, this, &IjvmWindow::removeWatch);
    watchNote_ = new QLabel(this);
    watchNote_->setObjectName("watchNote");
    watchNote_->setWordWrap(true);
    watchNote_->hide();
    auto* row = new QWidget(this);
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->addWidget(watchEntry_, 1);
    rowLayout->addWidget(add);
    rowLayout->addWidget(remove);
    return panelOf(this, "ijvmWatchesPanel", {titles_[6], row, watchNote_, watchTable_});
}

void IjvmWindow::addWatch() {
    const std::string why = watches_.add(watchEntry_->text().toStdString());
    watchNote_->setText(QString::fromStdString(why));
    watchNote_->setVisible(!why.empty());
    if (!why.empty()) return;
    watchEntry_->clear();
    if (watchesChanged) watchesChanged();
}

void IjvmWindow::removeWatch() {
    const QModelIndex at = watchTable_->currentIndex();
    if (!at.isValid()) return;
    watches_.remove(static_cast<size_t>(at.row()));
    if (watchesChanged) watchesChanged();
}

void IjvmWindow::showWatches(Session& session) {
    watchLines_.clear();
    if (session.workbench().hasMachine()) {
        const Machine& machine = session.workbench().machine();
        const bool placed = session.ijvm().placed;
        const RunController& controller = session.run();
        watchLines_ = watches_.lines(machine, placed ? &session.workbench().ijvmProgram() : nullptr,
                                     instructionPc(machine, controller.counts()), controller.radix(),
                                     [&](uint32_t w) { return controller.changedByLast(w); });
    }
    const int row = watchTable_->currentIndex().row();
    watchModel_->retake();
    if (row >= 0 && row < static_cast<int>(watchLines_.size())) watchTable_->selectRow(row);
}

QTableView* IjvmWindow::makeTable(IjvmTable table, const char* name) {
    auto* view = new QTableView(this);
    view->setObjectName(name);
    view->setModel(models_[static_cast<int>(table)]);
    view->setItemDelegate(new CellDelegate(view));
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    // Fixed row heights and no sizing to contents: the view asks for the rows it shows only.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setStretchLastSection(true);
    view->horizontalHeader()->setHighlightSections(false);
    QFont mono("monospace");
    mono.setStyleHint(QFont::TypeWriter);
    mono.setPixelSize(font().pixelSize() > 0 ? font().pixelSize() : 13);
    view->setFont(mono);
    sizeColumns(view, table);
    return view;
}

QString IjvmWindow::editorText() const {
    return editor_->toPlainText();
}

QWidget* IjvmWindow::sourceEditor() const {
    return editor_;
}

void IjvmWindow::show(const Outcome& o, Session& session) {
    const IjvmDocument& d = session.ijvm();
    showing_ = true;
    if (o.redraw.has(View::IjvmEditor)) {
        editor_->setPlainText(QString::fromStdString(d.file.text));
        editor_->setCurrentSpan(-1, -1);
    }
    showing_ = false;
    if (o.redraw.has(View::Diagnostics)) {
        diagnostics_->clear();
        for (const std::string& message : d.diagnostics)
            diagnostics_->addItem(QString::fromStdString(message));
        diagnostics_->setVisible(!d.diagnostics.empty());
        std::vector<CodeMark> marks;
        for (const EditorSpan& span : d.diagnosticSpans)
            marks.push_back({span.start, span.end, true});
        editor_->setMarks(marks);
    }
    const bool placed = o.redraw.has(View::IjvmImage), cleared = o.redraw.has(View::IjvmCleared);
    if (cleared) {
        view_.clear();
        input_->setText("0");
    }
    if (placed && session.workbench().hasMachine())
        view_.place(session.workbench().ijvmProgram(), session.workbench().machine());
    if (o.ijvmSelection) {
        editor_->selectSpan(o.ijvmSelection->start, o.ijvmSelection->end);
        editor_->setFocus();
    }
    if (cleared || placed) refresh(session);
    showName(session);
}

void IjvmWindow::refresh(Session& session) {
    const bool placed = session.ijvm().placed && session.workbench().hasMachine();
    if (placed) {
        const Machine& machine = session.workbench().machine();
        view_.refresh(machine, session.workbench().ijvmProgram(), session.run().counts());
        // The box shows the cell, unless the user is typing in it.
        if (!input_->hasFocus()) {
            const int32_t* cell = machine.peekWord(machine::standardInputAddress);
            input_->setText(QString::number(cell ? *cell : 0));
        }
    } else {
        view_.clear();
    }
    for (IjvmTableModel* m : models_)
        m->retake();
    std::string status =
        placed ? view_.registers() : "No IJVM program is placed: open one, or assemble and place the source";
    if (session.workbench().hasMachine())
        status += "      executed: " + IjvmWindowView::executed(session.run().counts());
    status_->setText(QString::fromStdString(status));
    const ListingLine* line = view_.pcLine();
    std::optional<EditorSpan> span;
    if (line && line->sourceStart >= 0)
        span = session.ijvm().editorSpan(line->sourceStart, line->sourceLength);
    if (span)
        editor_->setCurrentSpan(span->start, span->end);
    else
        editor_->setCurrentSpan(-1, -1);
    if (view_.pcRow() >= 0) methodArea_->scrollTo(models_[0]->index(view_.pcRow(), 0));
    output_->scrollToBottom();
    showWatches(session);
}

void IjvmWindow::showBreakpoints(const std::set<int>& lines) {
    editor_->setBreakpoints(lines);
}

void IjvmWindow::showStatus(const QString& status) {
    news_->setText(status);
}

void IjvmWindow::showName(Session& session) {
    QString name =
        session.ijvm().fileName.empty() ? QString("(not saved)") : shownName(session.ijvm().fileName);
    if (session.ijvm().unsaved) name += "*";
    fileName_->setText(name);
    fileName_->setToolTip(name);
    sourceNote_->setVisible(session.ijvm().differs);
}

void IjvmWindow::present(const QRect& proposed) {
    bool first = false;
    if (!placedOnce_) {
        placedOnce_ = true;
        bool restored = false;
        if (!settingsFile_.isEmpty()) {
            QSettings settings(settingsFile_, QSettings::IniFormat);
            restored = restoreGeometry(settings.value("ijvmWindow/geometry").toByteArray());
        }
        first = !restored;
        if (first) setGeometry(proposed);
    }
    QWidget::show();
    raise();
    // Shown, its frame is known: the whole window, frame and all, lies inside the screen,
    // and at first the frame stands where proposed.
    if (const QScreen* s = screen()) {
        const QRect free = s->availableGeometry(), frame = frameGeometry(), inner = geometry();
        const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(),
                               frame.right() - inner.right(), frame.bottom() - inner.bottom());
        const QRect outer = first ? proposed : frame;
        const Rect inside = fitInside({outer.x(), outer.y(), outer.width(), outer.height()},
                                      {free.x(), free.y(), free.width(), free.height()});
        setGeometry(QRect(inside.x, inside.y, inside.width, inside.height).marginsRemoved(margins));
    }
}

void IjvmWindow::setZoom(int percent) {
    QFont f = QApplication::font();
    if (f.pixelSize() > 0)
        f.setPixelSize(f.pixelSize() * percent / 100);
    else
        f.setPointSizeF(f.pointSizeF() * percent / 100.0);
    setFont(f);
    const std::pair<QTableView*, IjvmTable> tables[5] = {{methodArea_, IjvmTable::MethodArea},
                                                         {pool_, IjvmTable::ConstantPool},
                                                         {stack_, IjvmTable::Stack},
                                                         {output_, IjvmTable::Output},
                                                         {counts_, IjvmTable::Counts}};
    for (const auto& [t, table] : tables) {
        QFont mono = t->font();
        mono.setPixelSize(13 * percent / 100);
        t->setFont(mono);
        t->verticalHeader()->setDefaultSectionSize(QFontMetrics(mono).height() + 4);
        sizeColumns(t, table);
    }
}

void IjvmWindow::setCommandsEnabled(bool on) {
    for (QPushButton* b : buttons_)
        b->setEnabled(on);
}

void IjvmWindow::rememberPlace() {
    if (settingsFile_.isEmpty()) return;
    QSettings settings(settingsFile_, QSettings::IniFormat);
    settings.setValue("ijvmWindow/geometry", saveGeometry());
}

void IjvmWindow::hideEvent(QHideEvent* event) {
    rememberPlace();
    QWidget::hideEvent(event);
}

bool IjvmWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == input_ && event->type() == QEvent::FocusOut && inputLeft) inputLeft(input_->text());
    // Delete removes the watch chosen in the list.
    if (watched == watchTable_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        removeWatch();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tarveno::ui
