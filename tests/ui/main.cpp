// Runs the tests with a QApplication on the offscreen platform; listing the tests (as the
// build does) needs none.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    testing::InitGoogleTest(&argc, argv);
    if (listing) return RUN_ALL_TESTS();
    // A screen as large as a desktop's, unless the test names one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qgetenv("QT_QPA_PLATFORM") == "offscreen")
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" TARVENO_TEST_SCREENS "/screen-1920x1080.json");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", TARVENO_XDG_RUNTIME_DIR);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
