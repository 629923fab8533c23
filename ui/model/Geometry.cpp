#include "ui/model/Geometry.h"

#include <algorithm>

namespace tarveno::ui {

int steppedZoom(int percent, int step) {
    const auto at = std::find(zoomLevels.begin(), zoomLevels.end(), percent);
    const auto index = at == zoomLevels.end() ? 0 : at - zoomLevels.begin();
    const auto next = std::clamp<std::ptrdiff_t>(index + step, 0, std::ssize(zoomLevels) - 1);
    return zoomLevels[static_cast<size_t>(next)];
}

} // namespace tarveno::ui
