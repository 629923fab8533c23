#include "ui/TestSuiteWindow.h"

#include "ui/FormStyle.h"

#include <QAbstractTableModel>
#include <QBoxLayout>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>

namespace tarveno::ui {

class SuiteResultsModel : public QAbstractTableModel {
  public:
    SuiteResultsModel(const SuiteReport& report, QObject* parent)
        : QAbstractTableModel(parent), report_(report) {}

    void retake() {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(report_.tests.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : suiteResultColumns;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (index.row() < 0 || static_cast<size_t>(index.row()) >= report_.tests.size()) return {};
        const TestRow& row = report_.tests[static_cast<size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(row.cell(index.column()));
        case Qt::BackgroundRole:
            if (row.failed()) return QColor(0xFF, 0xCD, 0xD2);
            return row.verdict == "PASS" ? QColor(0xC8, 0xE6, 0xC9) : QColor(0xE0, 0xE0, 0xE0);
        case Qt::ForegroundRole:
            return QColor(Qt::black);
        case Qt::ToolTipRole:
            return row.failed() && row.program
                       ? QStringLiteral("Double-click to place its program and step it")
                       : QVariant();
        default:
            return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return QString(suiteResultHeading(section));
    }

  private:
    const SuiteReport& report_;
};

namespace {

QPushButton* button(const char* caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    style::makeKeyboardButton(b);
    return b;
}

} // namespace

TestSuiteWindow::TestSuiteWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("testSuiteWindow");
    setWindowTitle("TARVENO - Test Suite");
    setAccessibleName(windowTitle());
    resize(820, 480);

    suite_ = new QLabel(this);
    suite_->setObjectName("testSuiteFile");
    suite_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status_ = new QLabel(this);
    status_->setObjectName("testSuiteStatus");
    status_->setWordWrap(true);
    QFont bold = status_->font();
    bold.setBold(true);
    status_->setFont(bold);

    model_ = new SuiteResultsModel(report_, this);
    results_ = new QTableView(this);
    results_->setObjectName("testSuiteResults");
    results_->setAccessibleName("Test results");
    results_->setModel(model_);
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->setShowGrid(false);
    results_->verticalHeader()->hide();
    results_->horizontalHeader()->setStretchLastSection(true);
    results_->setColumnWidth(0, 70);
    results_->setColumnWidth(1, 110);
    results_->setColumnWidth(2, 200);
    results_->setColumnWidth(3, 130);
    connect(results_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TestSuiteWindow::chosen);
    // A double click, or Enter, on a failing test places its program.
    connect(results_, &QTableView::activated, this, &TestSuiteWindow::place);

    details_ = new QPlainTextEdit(this);
    details_->setObjectName("testSuiteDetails");
    details_->setAccessibleName("Test details");
    details_->setReadOnly(true);

    runAgain_ = button("&Run Again", "runSuiteAgainButton", this);
    stop_ = button("S&top", "stopSuiteButton", this);
    place_ = button("&Place Test Program", "placeTestButton", this);
    connect(runAgain_, &QPushButton::clicked, this, [this] {
        if (runAgain) runAgain();
    });
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (stop) stop();
    });
    connect(place_, &QPushButton::clicked, this, &TestSuiteWindow::place);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(place_);
    buttons->addStretch(1);
    buttons->addWidget(runAgain_);
    buttons->addWidget(stop_);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setChildrenCollapsible(false);
    split->addWidget(results_);
    split->addWidget(details_);
    split->setSizes({320, 120});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(suite_);
    layout->addWidget(status_);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    chosen();
}

TestSuiteWindow::~TestSuiteWindow() = default;

void TestSuiteWindow::showRunning(const QString& suiteFile) {
    report_ = SuiteReport{};
    model_->retake();
    suite_->setText("Suite: " + suiteFile);
    suite_->setToolTip(suiteFile);
    status_->setText("Running the tests on the microprogram loaded ... (Stop ends them)");
    details_->clear();
    stop_->setEnabled(true);
    runAgain_->setEnabled(false);
    chosen();
}

void TestSuiteWindow::showReport(const SuiteReport& report, const QString& note) {
    report_ = report;
    model_->retake();
    QString status = QString::fromStdString(report_.summary());
    if (!report_.assembles) status = "The microprogram does not assemble: no test ran";
    if (!note.isEmpty()) status = note + " " + status;
    status_->setText(status);
    QString text;
    for (const std::string& d : report_.assemblyDiagnostics)
        text += QString::fromStdString(d) + "\n";
    details_->setPlainText(text);
    stop_->setEnabled(false);
    runAgain_->setEnabled(true);
    // The first failing test is chosen, ready for Enter.
    for (size_t i = 0; i < report_.tests.size(); ++i)
        if (report_.tests[i].failed()) {
            results_->selectRow(static_cast<int>(i));
            break;
        }
    chosen();
}

void TestSuiteWindow::showFailure(const QString& why) {
    report_ = SuiteReport{};
    model_->retake();
    status_->setText("No test ran.");
    details_->setPlainText(why);
    stop_->setEnabled(false);
    runAgain_->setEnabled(true);
    chosen();
}

void TestSuiteWindow::chosen() {
    const int row = results_->currentIndex().row();
    const bool any = row >= 0 && static_cast<size_t>(row) < report_.tests.size();
    place_->setEnabled(any && report_.tests[static_cast<size_t>(row)].program.has_value());
    if (any)
        details_->setPlainText(QString::fromStdString(report_.tests[static_cast<size_t>(row)].explanation()));
}

void TestSuiteWindow::place() {
    const int row = results_->currentIndex().row();
    if (row < 0 || static_cast<size_t>(row) >= report_.tests.size()) return;
    const TestRow& test = report_.tests[static_cast<size_t>(row)];
    if (test.program && placeTest) placeTest(*test.program);
}

} // namespace tarveno::ui
