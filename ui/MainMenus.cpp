#include "ui/MainMenus.h"

#include "ui/MainWindow.h"
#include "ui/Workspace.h"

#include <QActionGroup>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>

namespace tarveno::ui {

namespace {

using Command = void (MainWindow::*)();

struct Item {
    const char* name; // "" for a separator
    const char* caption;
    QKeySequence key;
    bool shown;
    Command command;
};

void addItems(MainWindow& window, QMenu* menu, std::initializer_list<Item> items) {
    for (const Item& i : items) {
        if (!*i.name) {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(i.caption);
        a->setObjectName(i.name);
        a->setShortcut(i.key);
        a->setVisible(i.shown);
        QObject::connect(a, &QAction::triggered, &window, i.command);
    }
}

// One of several choices, checked alone: its item's name, caption and value.
template <class Value> struct Choice {
    const char* name;
    const char* caption;
    Value value;
};

// Adds the choices to menu as checkable items of one group; choosing one calls choose
// with its value.
template <class Value, class Choose>
void addChoices(MainWindow& window, QMenu* menu, std::initializer_list<Choice<Value>> choices,
                Choose choose) {
    auto* group = new QActionGroup(menu);
    for (const Choice<Value>& c : choices) {
        QAction* a = menu->addAction(c.caption);
        a->setObjectName(c.name);
        a->setCheckable(true);
        group->addAction(a);
        const Value value = c.value;
        QObject::connect(a, &QAction::triggered, &window,
                         [&window, choose, value] { choose(window, value); });
    }
}

QMenu* named(QMenu* menu, const char* name) {
    menu->setObjectName(name);
    return menu;
}

const Item separator{"", "", {}, true, nullptr};

} // namespace

void addMainMenus(MainWindow& w) {
    QMenuBar* bar = w.menuBar();
    // Every menu opens by its letter (Alt+F, Alt+E, Alt+R, Alt+O, Alt+V, Alt+H).
    QMenu* file = named(bar->addMenu("&File"), "File1");
    addItems(w, file,
             {{"New1", "&New", QKeySequence(Qt::CTRL | Qt::Key_N), true, &MainWindow::onNewClicked}});
    QMenu* open = named(file->addMenu("&Open"), "Open1");
    addItems(w, open,
             {{"MicroProgram1", "&MicroProgram", Qt::Key_F3, false, &MainWindow::onOpenMicroprogramClicked},
              {"IJVMProgram1", "IJVMProgram", {}, false, &MainWindow::onOpenIjvmClicked},
              {"openIjvmProgram", "&IJVM Program...", {}, true, &MainWindow::onPlaceIjvmClicked}});
    addItems(w, file,
             {{"Close1", "S&keleton", {}, false, &MainWindow::onSkeletonClicked},
              separator,
              {"Save1", "&Save", Qt::Key_F2, true, &MainWindow::onSaveClicked},
              {"SaveAs1", "Save &As...", {}, true, &MainWindow::onSaveAsClicked},
              {"exportTrace", "Export &Trace...", {}, true, &MainWindow::onExportTraceClicked},
              separator,
              {"Exit1", "E&xit", {}, true, &MainWindow::onExitClicked}});
    // Find and Go to Line act in the editor the user was in last.
    addItems(
        w, named(bar->addMenu("&Edit"), "editMenu"),
        {{"find", "&Find...", QKeySequence(Qt::CTRL | Qt::Key_F), true, &MainWindow::onFind},
         {"findNext", "Find &Next", QKeySequence(Qt::CTRL | Qt::Key_F3), true, &MainWindow::onFindNext},
         {"goToLine", "&Go to Line...", QKeySequence(Qt::CTRL | Qt::Key_G), true, &MainWindow::onGoToLine}});
    addItems(w, named(bar->addMenu("&Run"), "Run1"),
             {{"compileAndLoad", "&Compile and Load", QKeySequence(Qt::CTRL | Qt::Key_B), true,
               &MainWindow::onCompileClicked},
              {"Memory1", "&Memory", QKeySequence(Qt::CTRL | Qt::Key_M), true, &MainWindow::onMemoryClicked},
              separator,
              {"Reset1", "R&eset", Qt::Key_F10, true, &MainWindow::onResetClicked},
              {"SubCycle1", "&SubCycle", Qt::Key_F6, false, &MainWindow::onSubCycleClicked},
              {"Mic1", "M&ic", Qt::Key_F7, false, &MainWindow::onMicClicked},
              {"IJVM1", "&IJVM", Qt::Key_F8, true, &MainWindow::onIjvmStepClicked},
              {"Run2", "&Run", Qt::Key_F9, true, &MainWindow::onRunClicked},
              separator,
              {"stepBack", "Step &Back", QKeySequence(Qt::SHIFT | Qt::Key_F7), true,
               &MainWindow::onStepBackClicked},
              {"ijvmStepBack", "IJVM Step Bac&k", QKeySequence(Qt::SHIFT | Qt::Key_F8), true,
               &MainWindow::onIjvmStepBackClicked},
              {"goToStep", "Go to S&tep...", QKeySequence(Qt::CTRL | Qt::Key_T), true,
               &MainWindow::onGoToStepClicked},
              separator,
              {"runTestSuite", "Test S&uite...", QKeySequence(Qt::CTRL | Qt::Key_U), true,
               &MainWindow::onTestSuiteClicked},
              separator,
              {"showIjvmWindow", "IJVM &Window", QKeySequence(Qt::CTRL | Qt::Key_J), true,
               &MainWindow::onShowIjvmWindow}});
    QMenu* run = w.findChild<QMenu*>("Run1");
    QMenu* breakpoints = named(run->addMenu("Break&points"), "breakpointsMenu");
    QObject::connect(breakpoints, &QMenu::aboutToShow, &w,
                     [&w, breakpoints] { w.listBreakpoints(breakpoints); });
    w.listBreakpoints(breakpoints);
    // The zoom scales the whole client area by 100, 125, 150 or 200 %, for a projector.
    QMenu* option = named(bar->addMenu("&Option"), "Option1");
    addItems(w, option,
             {{"WindowIJVMColor1", "BackColor ", {}, false, &MainWindow::onIjvmColoursClicked},
              {"MicColor1", "&Mic Color", {}, true, &MainWindow::onMicColoursClicked},
              {"WindowColor1", "&Window Color", {}, true, &MainWindow::onWindowColourClicked},
              separator,
              {"zoomIn", "Zoom &In", QKeySequence(Qt::CTRL | Qt::Key_Equal), true, &MainWindow::onZoomIn},
              {"zoomOut", "Zoom &Out", QKeySequence(Qt::CTRL | Qt::Key_Minus), true, &MainWindow::onZoomOut},
              {"zoomActual", "&Actual Size", QKeySequence(Qt::CTRL | Qt::Key_0), true,
               &MainWindow::onZoomActual}});
    option->findChild<QAction*>("zoomIn")->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
    addChoices<const char*>(w, named(option->addMenu("&Theme"), "themeMenu"),
                            {{"themeSystem", "&System", "System"},
                             {"themeLight", "&Light", "Light"},
                             {"themeDark", "&Dark", "Dark"}},
                            [](MainWindow& m, const char* theme) { m.setTheme(theme); });

    // The course texts are the window's own; English translates them, and the engine's
    // messages with them.
    addChoices<Language>(w, named(option->addMenu("&Language"), "languageMenu"),
                         {{"languageCourse", "&Course texts", Language::Course},
                          {"languageEnglish", "&English", Language::English}},
                         [](MainWindow& m, Language l) { m.chooseLanguage(l); });

    QMenu* view = named(bar->addMenu("&View"), "viewMenu");
    addChoices<Layout>(
        w, named(view->addMenu("&Layout"), "layoutMenu"),
        {{"layoutClassic", "&Classic", Layout::Classic}, {"layoutDocked", "&Docked", Layout::Docked}},
        [](MainWindow& m, Layout l) { m.setLayout(l); });
    addItems(w, view, {{"resetLayout", "&Reset Layout", {}, true, &MainWindow::onResetLayout}, separator});
    if (QToolBar* timeline = w.findChild<QToolBar*>("timelineBar")) {
        QAction* toggle = timeline->toggleViewAction();
        toggle->setText("&Timeline");
        view->addAction(toggle);
    }
    for (QAction* toggle : w.workspace().dockActions())
        view->addAction(toggle);

    addItems(w, named(bar->addMenu("&Help"), "Help1"),
             {{"Info1", "&Info", Qt::Key_F1, true, &MainWindow::onInfoClicked},
              separator,
              {"malReference", "&MAL Reference", {}, true, &MainWindow::onMalReferenceClicked},
              {"ijvmReference", "I&JVM Reference", {}, true, &MainWindow::onIjvmReferenceClicked},
              {"tutorial", "&Tutorial", {}, true, &MainWindow::onTutorialClicked}});

    QObject::connect(new QShortcut(Qt::Key_Escape, &w), &QShortcut::activated, &w,
                     &MainWindow::onStopRequested);
}

} // namespace tarveno::ui
