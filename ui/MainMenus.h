#pragma once
// The main window's menus: File, Run, Option and Help with their items' names, captions,
// keys and visibility, each wired to the window's command; and the keys the window holds
// itself (F8 and F9 act although their items stay hidden; Escape stops a Run).

namespace tarveno::ui {

class MainWindow;

void addMainMenus(MainWindow& window);

} // namespace tarveno::ui
