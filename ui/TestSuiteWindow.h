#pragma once
// The results of a test suite run from the window: a line per test with its verdict, the
// reason of the one chosen, and its program placed in the IJVM window on a double click (or
// Enter) so that the student can step it. What the lines say is ui/model/SuiteResults's.

#include "ui/model/SuiteResults.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace tarveno::ui {

class SuiteResultsModel;

class TestSuiteWindow : public QWidget {
    Q_OBJECT
  public:
    explicit TestSuiteWindow(QWidget* parent);
    ~TestSuiteWindow() override;

    // The suite runs: the lines of the last run go.
    void showRunning(const QString& suiteFile);
    void showReport(const SuiteReport& report, const QString& note);
    // No report: why.
    void showFailure(const QString& why);
    const SuiteReport& report() const { return report_; }

    // Forwarded to the main window.
    std::function<void(const TestProgram&)> placeTest;
    std::function<void()> runAgain, stop;

  private:
    void chosen();
    void place();

    SuiteReport report_;
    SuiteResultsModel* model_;
    QLabel* suite_;
    QLabel* status_;
    QTableView* results_;
    QPlainTextEdit* details_;
    QPushButton* runAgain_;
    QPushButton* stop_;
    QPushButton* place_;
};

} // namespace tarveno::ui
