#pragma once
// Where the windows go on a screen, without Qt: the layout a first start takes, a window
// moved and shrunk into the screen's available area, and the IJVM window placed in the
// free space beside the main window, or over the screen when there is none.

#include "ui/model/Geometry.h"

#include <optional>
#include <string_view>

namespace tarveno::ui {

// Classic: the main window at the course form's places, the IJVM window beside it.
// Docked: one resizable window, the pictures in the centre, every view a dock.
enum class Layout { Classic, Docked };

std::optional<Layout> layoutNamed(std::string_view name); // "classic" or "docked"
std::string_view layoutName(Layout layout);

// A first start on a screen smaller than 1600 x 900 opens Docked, otherwise Classic.
Layout firstLayout(const Rect& available);

// The rectangle moved, then shrunk, as little as needed to lie inside available.
Rect fitInside(const Rect& wanted, const Rect& available);

// The IJVM window's rectangle: in the free space right of main, else left of it, else
// below it, at most wanted's size, where that space is at least minWidth wide (and half
// wanted's height high); otherwise the whole available area (it then lies over the main
// window, which the user brings back by its menu).
Rect besideOrOver(const Rect& main, const Rect& available, int minWidth, int wantedWidth, int wantedHeight);

} // namespace tarveno::ui
