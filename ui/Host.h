#pragma once
// The window's few places in the host: the checker program, its report file, the swap
// copy of the IJVM source, where an unnamed program and a microprogram file that cannot go
// beside its source are kept, the examples folder and the README, and mic1, which runs
// test suites; and the checker and mic1 run as processes the window does not wait for.
// Nothing else in the window knows a path.

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

#include <memory>
#include <string>

class QLockFile;
class QTemporaryDir;

namespace tarveno::ui {

struct HostPaths {
    QString checker;              // the quorc program; empty when none was found
    QString mic1;                 // the mic1 program, which runs test suites; empty when none was found
    QString report;               // the file the checker writes its report to: this window's own
    QString swapFile;             // the copy of the last IJVM source opened: this window's own
    QString unnamedFile;          // where an unnamed program is saved and compiled
    QString cacheFolder;          // microprogram files whose source's folder cannot take them
    QString examples;             // the folder the file dialogs open in; never written to
    QString readme;               // shown in the Info dialog
    QString interpreter;          // the shipped IJVM interpreter, offered when none is loaded
    QString settings;             // where the window remembers its places; "": nowhere
    int checkerTimeoutMs = 60000; // a checker still running then is stopped
    // Held while the window lives: the private folder of report and swap file (removed
    // with it), and the lock that keeps unnamedFile this window's alone.
    std::shared_ptr<QTemporaryDir> privateFolder;
    std::shared_ptr<QLockFile> unnamedLock;
};

// The paths of this installation or build tree: quorc beside tarveno (or in the build
// tree's checker folder, or the installed programs' folder); the report and the swap file
// in a private temporary folder, removed at exit; "tmp.mal" in the user's application-data
// folder, or "tmp-2.mal" and so on while another window holds it; the microprogram cache
// in the user's cache folder; the installed examples or the source tree's.
HostPaths defaultHostPaths();

// The first of dataFolder's "tmp.mal", "tmp-2.mal", ... that no other window holds,
// locked for the caller.
QString claimUnnamedFile(const QString& dataFolder, std::shared_ptr<QLockFile>& lock);

// The checker run on one source: started, and finished once, through the event loop.
class CheckerProcess : public QObject {
    Q_OBJECT
  public:
    explicit CheckerProcess(QObject* parent = nullptr);
    ~CheckerProcess() override;

    // Starts checker on source with report as its two arguments, without a shell. A
    // checker that runs longer than timeoutMs is stopped.
    void start(const QString& checker, const QString& source, const QString& report, int timeoutMs = 60000);
    bool running() const { return active_; }
    // Ends a running checker without a finished signal.
    void abandon();

  signals:
    // failure: "" when it ran to its end and wrote its report, otherwise why not, for the
    // user; errorOutput: what it wrote to its standard error.
    void finished(const QString& failure, const QString& errorOutput);

  private:
    void end(const QString& failure);

    QProcess process_;
    QTimer timeout_;
    QString checker_;
    bool active_ = false;
};

// A test suite run by mic1 in the background: the window goes on meanwhile, and a suite
// that runs long (or a test that does) can be stopped.
class SuiteProcess : public QObject {
    Q_OBJECT
  public:
    explicit SuiteProcess(QObject* parent = nullptr);
    ~SuiteProcess() override;

    // Starts mic1 with arguments in folder, without a shell.
    void start(const QString& mic1, const QStringList& arguments, const QString& folder);
    bool running() const { return active_; }
    // Asks a running suite to end: finished follows with the report of what ran.
    void stop();

  signals:
    // started: mic1 ran to its end (its exitStatus and output are its own); otherwise
    // failure says why not.
    void finished(bool started, int exitStatus, const QByteArray& output, const QString& errorOutput,
                  const QString& failure);

  private:
    void end(bool started, const QString& failure);

    QProcess process_;
    QTimer killTimer_;
    bool active_ = false;
};

} // namespace tarveno::ui
