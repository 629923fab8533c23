#pragma once
// How the main window is arranged. Classic: the course form at its places in a scroll area,
// the IJVM window beside it with the timeline under its commands. Docked: the pictures in the
// centre with the timeline under them, and every view a dock of its own (the microprogram
// editor, the report, the memory view and each IJVM panel), movable, closable, tabbable and
// floatable. Both show the same widgets over the same session; only
// the arrangement differs. The layout, the window's place and the docks are remembered.

#include "ui/IjvmWindow.h"
#include "ui/model/WindowLayout.h"

#include <QObject>
#include <QString>

#include <vector>

class QAction;
class QDockWidget;
class QMainWindow;
class QScrollArea;
class QToolBar;
class QWidget;

namespace tarveno::ui {

class EditorPane;

class Workspace : public QObject {
    Q_OBJECT
  public:
    struct Parts {
        QMainWindow* window;
        QWidget* client; // the form's client area, at its zoomed size
        EditorPane* editor;
        IjvmWindow* ijvm;
        QWidget* memory; // the memory view of the Docked layout
        QToolBar* timeline;
    };
    Workspace(const Parts& parts, QString settingsFile);

    Layout layout() const { return layout_; }
    // Arranges the window so, and remembers it.
    void apply(Layout layout);
    // The docks as they first stand.
    void resetDocks();
    // The window's size for the client at its zoom, within the screen's available area:
    // the client scrolls where the screen is smaller.
    void fitToScreen();
    // Shows the IJVM views: the IJVM window beside the main window, or their docks.
    void presentIjvm();
    bool ijvmShown() const;
    bool memoryShown() const;
    // The View menu's toggles of the docks (enabled in Docked only).
    const std::vector<QAction*>& dockActions() const { return dockActions_; }
    // Remembers the window's place and the docks, for the next start.
    void save() const;

  private:
    // The IJVM window beside the main window is no narrower (its panels then stand in tabs).
    static constexpr int minIjvmWidth = 480;
    QDockWidget* makeDock(const QString& title, const char* name);
    void arrangeDocked();
    void arrangeClassic();

    Parts parts_;
    QString settingsFile_;
    Layout layout_ = Layout::Classic;
    bool applied_ = false;
    QScrollArea* scroll_;
    QDockWidget* editorDock_;
    QDockWidget* reportDock_;
    QDockWidget* memoryDock_;
    std::array<QDockWidget*, ijvmPanels.size()> ijvmDocks_{};
    std::vector<QAction*> dockActions_;
};

} // namespace tarveno::ui
