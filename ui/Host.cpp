#include "ui/Host.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace tarveno::ui {

namespace {

QString firstExisting(const QStringList& candidates, bool executable) {
    for (const QString& c : candidates) {
        const QFileInfo info(c);
        if (info.exists() && (!executable || (info.isFile() && info.isExecutable())))
            return info.absoluteFilePath();
    }
    return {};
}

} // namespace

HostPaths defaultHostPaths() {
    HostPaths p;
    const QString exeDir = QCoreApplication::applicationDirPath();
    p.checker = firstExisting(
        {exeDir + "/quorc", exeDir + "/../checker/quorc", QStringLiteral(TARVENO_INSTALL_BINDIR "/quorc")},
        true);
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty()) data = QDir::tempPath() + "/tarveno";
    QDir().mkpath(data);
    p.report = data + "/output";
    p.swapFile = data + "/tmp.swp";
    p.examples =
        firstExisting({exeDir + "/../share/tarveno/examples", QStringLiteral(TARVENO_EXAMPLES_DIR)}, false);
    if (p.examples.isEmpty()) p.examples = QDir::currentPath();
    p.readme =
        firstExisting({exeDir + "/../share/doc/tarveno/README.md", QStringLiteral(TARVENO_README)}, false);
    return p;
}

CheckerRun runChecker(const QString& checker, const QString& source, const QString& report, int timeoutMs) {
    if (checker.isEmpty() || !QFileInfo(checker).isExecutable()) return CheckerRun::NotFound;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(checker, {source, report});
    if (!process.waitForStarted()) return CheckerRun::NotStarted;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return CheckerRun::TimedOut;
    }
    return CheckerRun::Finished;
}

std::string checkerFailure(const QString& checker, const QString& source, const QString& report) {
    switch (runChecker(checker, source, report)) {
    case CheckerRun::Finished:
        return {};
    case CheckerRun::NotFound:
        return "The MAL checker quorc was not found beside tarveno.";
    case CheckerRun::NotStarted:
        return ("The MAL checker " + checker + " could not be started.").toStdString();
    case CheckerRun::TimedOut:
        return ("The MAL checker " + checker + " did not finish and was stopped.").toStdString();
    }
    return {};
}

} // namespace tarveno::ui
