#include "ui/model/WindowLayout.h"

#include <algorithm>

namespace tarveno::ui {

std::optional<Layout> layoutNamed(std::string_view name) {
    if (name == "classic") return Layout::Classic;
    if (name == "docked") return Layout::Docked;
    return std::nullopt;
}

std::string_view layoutName(Layout layout) {
    return layout == Layout::Classic ? "classic" : "docked";
}

Layout firstLayout(const Rect& available) {
    return available.width < 1600 || available.height < 900 ? Layout::Docked : Layout::Classic;
}

Rect fitInside(const Rect& wanted, const Rect& available) {
    Rect r = wanted;
    r.width = std::min(r.width, available.width);
    r.height = std::min(r.height, available.height);
    r.x = std::clamp(r.x, available.x, available.x + available.width - r.width);
    r.y = std::clamp(r.y, available.y, available.y + available.height - r.height);
    return r;
}

Rect besideOrOver(const Rect& main, const Rect& available, int minWidth, int wantedWidth, int wantedHeight) {
    const int right = available.x + available.width, bottom = available.y + available.height;
    const int height = std::min(wantedHeight, available.height);
    // Beside: the whole height of the screen is the IJVM window's to take.
    const int rightSpace = right - (main.x + main.width);
    if (rightSpace >= minWidth)
        return {main.x + main.width, available.y, std::min(wantedWidth, rightSpace), height};
    const int leftSpace = main.x - available.x;
    if (leftSpace >= minWidth) {
        const int width = std::min(wantedWidth, leftSpace);
        return {main.x - width, available.y, width, height};
    }
    const int belowSpace = bottom - (main.y + main.height);
    if (belowSpace >= wantedHeight / 2)
        return {available.x, main.y + main.height, std::min(wantedWidth, available.width), belowSpace};
    return available;
}

} // namespace tarveno::ui
