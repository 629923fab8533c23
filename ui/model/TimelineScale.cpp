#include "ui/model/TimelineScale.h"

#include <algorithm>
#include <limits>

namespace tarveno::ui {

namespace {

constexpr uint64_t spreadPositions = 1'000'000;

uint64_t span(const RunController::Timeline& t) {
    return t.last > t.first ? t.last - t.first : 0;
}

bool oneAStep(const RunController::Timeline& t) {
    return span(t) <= static_cast<uint64_t>(std::numeric_limits<int>::max());
}

} // namespace

SliderPosition sliderPosition(const RunController::Timeline& t) {
    const uint64_t steps = span(t);
    const uint64_t present = std::clamp(t.present, t.first, std::max(t.first, t.last)) - t.first;
    if (oneAStep(t)) return {static_cast<int>(steps), static_cast<int>(present)};
    const long double at = static_cast<long double>(present) / static_cast<long double>(steps);
    return {static_cast<int>(spreadPositions), static_cast<int>(at * spreadPositions + 0.5L)};
}

uint64_t stepAt(const RunController::Timeline& t, int position) {
    const uint64_t p = static_cast<uint64_t>(std::max(position, 0));
    if (oneAStep(t)) return std::min(t.first + p, std::max(t.first, t.last));
    const long double at = static_cast<long double>(std::min(p, spreadPositions)) / spreadPositions;
    return t.first + static_cast<uint64_t>(at * static_cast<long double>(span(t)) + 0.5L);
}

std::string timelineText(const RunController::Timeline& t) {
    std::string text = "step " + std::to_string(t.present) + " of " + std::to_string(t.last);
    if (t.first > 0) text += " (history from step " + std::to_string(t.first) + ")";
    return text;
}

} // namespace tarveno::ui
