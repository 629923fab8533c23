#include "ui/Workspace.h"

#include "ui/CodeEditor.h"
#include "ui/EditorPane.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QToolBar>

namespace tarveno::ui {

namespace {

Rect rectOf(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}
QRect qRect(const Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

// The available area of the screen a window is on.
QRect availableFor(const QWidget* w) {
    const QScreen* screen = w->screen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
}

// The outer rectangle wanted, as the window's own geometry (its frame taken off).
QRect withoutFrame(const QWidget* w, const QRect& outer) {
    const QRect frame = w->frameGeometry(), inner = w->geometry();
    return outer.adjusted(inner.left() - frame.left(), inner.top() - frame.top(),
                          inner.right() - frame.right(), inner.bottom() - frame.bottom());
}

const char* dockName(IjvmPanel p) {
    constexpr std::array<const char*, 7> names{"ijvmSourceDock", "ijvmMethodAreaDock", "ijvmConstantPoolDock",
                                               "ijvmStackDock",  "ijvmStandardIoDock", "ijvmCountsDock",
                                               "ijvmWatchesDock"};
    return names[static_cast<size_t>(p)];
}

} // namespace

Workspace::Workspace(const Parts& parts, QString settingsFile)
    : QObject(parts.window), parts_(parts), settingsFile_(std::move(settingsFile)) {
    scroll_ = new QScrollArea(parts_.window);
    scroll_->setObjectName("clientScroll");
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidget(parts_.client);
    scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    parts_.window->setCentralWidget(scroll_);

    editorDock_ = makeDock("Microprogram", "microprogramDock");
    reportDock_ = makeDock("Report", "reportDock");
    memoryDock_ = makeDock("Memory", "memoryDock");
    for (IjvmPanel p : ijvmPanels)
        ijvmDocks_[static_cast<size_t>(p)] =
            makeDock(QString::fromUtf8(ijvmPanelTitle(p).data()), dockName(p));
    parts_.memory->hide();
}

QDockWidget* Workspace::makeDock(const QString& title, const char* name) {
    auto* dock = new QDockWidget(title, parts_.window);
    dock->setObjectName(name);
    dock->setAccessibleName(title);
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable |
                      QDockWidget::DockWidgetFloatable);
    parts_.window->addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
    QAction* toggle = dock->toggleViewAction();
    toggle->setObjectName(QString(name) + "Toggle");
    toggle->setEnabled(false);
    dockActions_.push_back(toggle);
    return dock;
}

void Workspace::apply(Layout layout) {
    if (applied_ && layout == layout_) return;
    if (applied_) save();
    applied_ = true;
    layout_ = layout;
    if (layout == Layout::Docked)
        arrangeDocked();
    else
        arrangeClassic();
    for (QAction* a : dockActions_)
        a->setEnabled(layout == Layout::Docked);
    QSettings(settingsFile_, QSettings::IniFormat)
        .setValue("layout", QString::fromUtf8(layoutName(layout).data()));
}

void Workspace::arrangeDocked() {
    parts_.editor->setDocked(true);
    editorDock_->setWidget(parts_.editor->editor);
    reportDock_->setWidget(parts_.editor->report());
    parts_.editor->area()->hide();
    memoryDock_->setWidget(parts_.memory);
    parts_.memory->show();
    const bool ijvmWasShown = parts_.ijvm->isVisible();
    for (IjvmPanel p : ijvmPanels)
        ijvmDocks_[static_cast<size_t>(p)]->setWidget(parts_.ijvm->panel(p));
    parts_.ijvm->givePanels();
    parts_.window->addToolBar(Qt::TopToolBarArea, parts_.ijvm->commands());
    parts_.ijvm->commands()->show();
    // The timeline under the pictures.
    parts_.window->addToolBar(Qt::BottomToolBarArea, parts_.timeline);
    parts_.timeline->show();

    // Any size the user likes, at most the screen.
    parts_.window->setMinimumSize(320, 240);
    const QRect available = availableFor(parts_.window);
    QSettings settings(settingsFile_, QSettings::IniFormat);
    if (!parts_.window->restoreGeometry(settings.value("docked/geometry").toByteArray()))
        parts_.window->setGeometry(
            available.adjusted(0, 0, -available.width() / 20, -available.height() / 20));
    parts_.window->setGeometry(qRect(fitInside(rectOf(parts_.window->geometry()), rectOf(available))));
    if (!parts_.window->restoreState(settings.value("docked/state").toByteArray())) resetDocks();
    editorDock_->show();
    if (ijvmWasShown) presentIjvm();
}

void Workspace::resetDocks() {
    QMainWindow* w = parts_.window;
    // The editor over the report and the memory (tabbed) on the right; the IJVM panels side
    // by side below, the pool and the counts tabbed behind the method area and the I/O.
    w->addDockWidget(Qt::RightDockWidgetArea, editorDock_);
    w->addDockWidget(Qt::RightDockWidgetArea, reportDock_);
    w->splitDockWidget(editorDock_, reportDock_, Qt::Vertical);
    w->tabifyDockWidget(reportDock_, memoryDock_);
    auto dock = [&](IjvmPanel p) { return ijvmDocks_[static_cast<size_t>(p)]; };
    w->addDockWidget(Qt::BottomDockWidgetArea, dock(IjvmPanel::Source));
    w->splitDockWidget(dock(IjvmPanel::Source), dock(IjvmPanel::MethodArea), Qt::Horizontal);
    w->splitDockWidget(dock(IjvmPanel::MethodArea), dock(IjvmPanel::Stack), Qt::Horizontal);
    w->splitDockWidget(dock(IjvmPanel::Stack), dock(IjvmPanel::StandardIo), Qt::Horizontal);
    // The watches stay in view beside the stack while stepping.
    w->splitDockWidget(dock(IjvmPanel::StandardIo), dock(IjvmPanel::Watches), Qt::Horizontal);
    w->tabifyDockWidget(dock(IjvmPanel::MethodArea), dock(IjvmPanel::ConstantPool));
    w->tabifyDockWidget(dock(IjvmPanel::StandardIo), dock(IjvmPanel::Counts));
    dock(IjvmPanel::MethodArea)->raise();
    dock(IjvmPanel::StandardIo)->raise();
    reportDock_->raise();
    // The editor takes most of the right, the IJVM panels a third of the height.
    const QSize size = w->size();
    w->resizeDocks({editorDock_, reportDock_}, {size.height() * 2 / 5, size.height() / 5}, Qt::Vertical);
    w->resizeDocks({editorDock_}, {std::max(380, size.width() / 3)}, Qt::Horizontal);
    w->resizeDocks({dock(IjvmPanel::Source)}, {size.height() / 3}, Qt::Vertical);
    for (QDockWidget* d : {editorDock_, reportDock_, memoryDock_}) {
        d->setFloating(false);
        d->show();
    }
    for (QDockWidget* d : ijvmDocks_) {
        d->setFloating(false);
        d->show();
    }
}

void Workspace::arrangeClassic() {
    for (QDockWidget* d : ijvmDocks_)
        d->hide();
    for (QDockWidget* d : {editorDock_, reportDock_, memoryDock_})
        d->hide();
    parts_.editor->setDocked(false);
    parts_.editor->area()->show();
    parts_.memory->hide();
    parts_.memory->setParent(parts_.window);
    parts_.memory->hide();
    parts_.window->removeToolBar(parts_.ijvm->commands());
    parts_.window->removeToolBar(parts_.timeline);
    parts_.ijvm->takePanelsBack();
    // The course form keeps its size: the timeline goes under the IJVM window's commands.
    parts_.ijvm->takeTimeline(parts_.timeline);
    fitToScreen();
}

void Workspace::fitToScreen() {
    QMainWindow* w = parts_.window;
    const QRect available = availableFor(w);
    if (layout_ == Layout::Docked) {
        w->setGeometry(qRect(fitInside(rectOf(w->geometry()), rectOf(available))));
        return;
    }
    // The form's client and the menu bar, the scroll area taking no more; within the screen
    // (without the frame), the client then scrolls.
    const int menu = w->menuBar()->sizeHint().height();
    QRect wanted(w->geometry().topLeft(), QSize(parts_.client->width(), parts_.client->height() + menu));
    const QRect inner = withoutFrame(w, available);
    const QRect fitted = qRect(fitInside(rectOf(wanted), rectOf(inner)));
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    w->setGeometry(fitted);
}

void Workspace::presentIjvm() {
    if (layout_ == Layout::Docked) {
        for (QDockWidget* d : ijvmDocks_)
            if (d->isHidden()) d->show();
        ijvmDocks_[static_cast<size_t>(IjvmPanel::Source)]->raise();
        return;
    }
    const QRect available = availableFor(parts_.window);
    QRect main = parts_.window->frameGeometry();
    // Room beside the main window, made by moving it to the screen's edge where that is
    // enough.
    if (available.right() - main.right() < minIjvmWidth && available.width() - main.width() >= minIjvmWidth) {
        parts_.window->move(parts_.window->pos() - QPoint(main.left() - available.left(), 0));
        main = parts_.window->frameGeometry();
    }
    const Rect beside = besideOrOver(rectOf(main), rectOf(available), minIjvmWidth, 1200, available.height());
    parts_.ijvm->present(qRect(beside));
}

bool Workspace::ijvmShown() const {
    // A dock counts while it is open, even behind another tab or with the window minimised.
    if (layout_ == Layout::Classic) return parts_.ijvm->isVisible();
    for (QDockWidget* d : ijvmDocks_)
        if (!d->isHidden()) return true;
    return false;
}

bool Workspace::memoryShown() const {
    return layout_ == Layout::Docked && !memoryDock_->isHidden();
}

void Workspace::save() const {
    if (settingsFile_.isEmpty()) return;
    QSettings settings(settingsFile_, QSettings::IniFormat);
    if (layout_ == Layout::Docked) {
        settings.setValue("docked/state", parts_.window->saveState());
        settings.setValue("docked/geometry", parts_.window->saveGeometry());
    }
}

} // namespace tarveno::ui
