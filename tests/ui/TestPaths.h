#pragma once
// The window's host paths for a test: the checker program of the build, every file the
// window writes inside the test's own folder, the source tree's examples.

#include "ui/Host.h"

#include <QDir>
#include <QTemporaryDir>

inline tarveno::ui::HostPaths testHostPaths(const QTemporaryDir& dir) {
    QDir().mkpath(dir.filePath("app"));
    tarveno::ui::HostPaths paths;
    paths.checker = QUORC_PATH;
    paths.mic1 = MIC1_PATH;
    paths.report = dir.filePath("app/output");
    paths.swapFile = dir.filePath("app/tmp.swp");
    paths.unnamedFile = dir.filePath("app/tmp.mal");
    paths.cacheFolder = dir.filePath("cache");
    paths.examples = TARVENO_EXAMPLES_DIR;
    paths.readme = "README.md";
    paths.interpreter = QString(TARVENO_EXAMPLES_DIR) + "/ijvm.mal";
    paths.settings = dir.filePath("app/settings.ini");
    return paths;
}
