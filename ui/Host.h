#pragma once
// The window's few places in the host: the checker program, its report file, the swap
// copy of the IJVM source, the examples folder and the README. Nothing else in the
// window knows a path.

#include <QString>

#include <string>

namespace tarveno::ui {

struct HostPaths {
    QString checker;  // the quorc program; empty when none was found
    QString report;   // the file the checker writes its report to
    QString swapFile; // the copy of the last IJVM source opened
    QString examples; // the folder the file dialogs open in
    QString readme;   // shown in the Info dialog
};

// The paths of this installation or build tree: quorc beside tarveno (or in the build
// tree's checker folder, or the installed programs' folder), the report and the swap file
// in the user's application-data folder (made when missing), the installed examples or
// the source tree's.
HostPaths defaultHostPaths();

// How running the checker ended.
enum class CheckerRun { Finished, NotFound, NotStarted, TimedOut };

// Runs checker on source with report as its two arguments, without a shell, and waits for
// its end. A checker that runs longer than timeoutMs is stopped.
CheckerRun runChecker(const QString& checker, const QString& source, const QString& report,
                      int timeoutMs = 60000);

// Runs the checker as runChecker does and answers "" when it ran, otherwise why not, in
// words for the user.
std::string checkerFailure(const QString& checker, const QString& source, const QString& report);

} // namespace tarveno::ui
