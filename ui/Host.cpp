#include "ui/Host.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryDir>

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

QString userFolder(QStandardPaths::StandardLocation location, const QString& fallback) {
    QString folder = QStandardPaths::writableLocation(location);
    if (folder.isEmpty() || !QDir().mkpath(folder)) folder = QDir::tempPath() + "/" + fallback;
    QDir().mkpath(folder);
    return folder;
}

} // namespace

QString claimUnnamedFile(const QString& dataFolder, std::shared_ptr<QLockFile>& lock) {
    // A window that ended without unlocking leaves a stale lock, which QLockFile takes over.
    for (int n = 1;; ++n) {
        QString name = dataFolder + (n == 1 ? QString("/tmp.mal") : QString("/tmp-%1.mal").arg(n));
        auto candidate = std::make_shared<QLockFile>(name + ".lock");
        candidate->setStaleLockTime(0);
        if (candidate->tryLock(0) || n == 100) {
            lock = std::move(candidate);
            return name;
        }
    }
}

HostPaths defaultHostPaths() {
    HostPaths p;
    const QString exeDir = QCoreApplication::applicationDirPath();
    p.checker = firstExisting(
        {exeDir + "/quorc", exeDir + "/../checker/quorc", QStringLiteral(TARVENO_INSTALL_BINDIR "/quorc")},
        true);
    p.mic1 = firstExisting(
        {exeDir + "/mic1", exeDir + "/../cli/mic1", QStringLiteral(TARVENO_INSTALL_BINDIR "/mic1")}, true);
    p.privateFolder = std::make_shared<QTemporaryDir>(QDir::tempPath() + "/tarveno-XXXXXX");
    const QString own = p.privateFolder->isValid() ? p.privateFolder->path() : QDir::tempPath();
    p.report = own + "/output";
    p.swapFile = own + "/tmp.swp";
    p.unnamedFile = claimUnnamedFile(userFolder(QStandardPaths::AppDataLocation, "tarveno"), p.unnamedLock);
    p.cacheFolder = userFolder(QStandardPaths::CacheLocation, "tarveno-cache");
    p.examples =
        firstExisting({exeDir + "/../share/tarveno/examples", QStringLiteral(TARVENO_EXAMPLES_DIR)}, false);
    if (p.examples.isEmpty()) p.examples = QDir::currentPath();
    p.readme =
        firstExisting({exeDir + "/../share/doc/tarveno/README.md", QStringLiteral(TARVENO_README)}, false);
    p.interpreter = p.examples + "/ijvm.mal";
    p.settings = userFolder(QStandardPaths::AppConfigLocation, "tarveno-config") + "/tarveno.conf";
    return p;
}

CheckerProcess::CheckerProcess(QObject* parent) : QObject(parent) {
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.setStandardOutputFile(QProcess::nullDevice());
    timeout_.setSingleShot(true);
    connect(&process_, &QProcess::finished, this, [this](int status, QProcess::ExitStatus how) {
        if (how == QProcess::CrashExit)
            end("The MAL checker " + checker_ + " stopped abnormally.");
        else if (status != 0 && status != 3) // 3: it found errors, which its report lists
            end(QString("The MAL checker %1 failed with exit status %2.").arg(checker_).arg(status));
        else
            end({});
    });
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) end("The MAL checker " + checker_ + " could not be started.");
    });
    connect(&timeout_, &QTimer::timeout, this, [this] {
        process_.kill();
        end(QString("The MAL checker %1 did not finish within %2 s and was stopped.")
                .arg(checker_)
                .arg(timeout_.interval() / 1000.0));
    });
}

CheckerProcess::~CheckerProcess() {
    abandon();
}

void CheckerProcess::start(const QString& checker, const QString& source, const QString& report,
                           int timeoutMs) {
    abandon();
    checker_ = checker;
    active_ = true;
    if (checker.isEmpty() || !QFileInfo(checker).isExecutable()) {
        // Answered from the event loop like every other end.
        QTimer::singleShot(0, this, [this] { end("The MAL checker quorc was not found beside tarveno."); });
        return;
    }
    timeout_.start(timeoutMs);
    process_.start(checker, {source, report});
}

void CheckerProcess::abandon() {
    active_ = false;
    timeout_.stop();
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(1000);
    }
}

SuiteProcess::SuiteProcess(QObject* parent) : QObject(parent) {
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    killTimer_.setSingleShot(true);
    connect(&killTimer_, &QTimer::timeout, this, [this] { process_.kill(); });
    connect(&process_, &QProcess::finished, this, [this](int, QProcess::ExitStatus how) {
        if (how == QProcess::CrashExit)
            end(false, "mic1 stopped abnormally while it ran the tests.");
        else
            end(true, {});
    });
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) end(false, "mic1, which runs the tests, could not be started.");
    });
}

SuiteProcess::~SuiteProcess() {
    active_ = false;
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(1000);
    }
}

void SuiteProcess::start(const QString& mic1, const QStringList& arguments, const QString& folder) {
    if (active_) return;
    active_ = true;
    if (mic1.isEmpty() || !QFileInfo(mic1).isExecutable()) {
        QTimer::singleShot(
            0, this, [this] { end(false, "mic1, which runs the tests, was not found beside tarveno."); });
        return;
    }
    process_.setWorkingDirectory(folder);
    process_.start(mic1, arguments);
}

void SuiteProcess::stop() {
    if (!active_ || process_.state() == QProcess::NotRunning) return;
    // SIGTERM first: mic1 then ends the tests that run and still writes its report, the
    // tests it stopped as errors; one that does not end soon is killed.
    process_.terminate();
    killTimer_.start(3000);
}

void SuiteProcess::end(bool started, const QString& failure) {
    if (!active_) return;
    active_ = false;
    killTimer_.stop();
    const QByteArray output = process_.isOpen() ? process_.readAllStandardOutput() : QByteArray();
    const QString errorOutput =
        process_.isOpen() ? QString::fromUtf8(process_.readAllStandardError()) : QString();
    emit finished(started, process_.exitCode(), output, errorOutput, failure);
}

void CheckerProcess::end(const QString& failure) {
    if (!active_) return;
    active_ = false;
    timeout_.stop();
    const QString errorOutput =
        process_.isOpen() ? QString::fromUtf8(process_.readAllStandardError()) : QString();
    emit finished(failure, errorOutput);
}

} // namespace tarveno::ui
