#pragma once
// Points, rectangles and colours of the forms and pictures, in logical pixels (before any
// zoom), and the zoom that scales them.

#include <array>
#include <cmath>
#include <cstdint>

namespace tarveno::ui {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace colour {
inline constexpr Rgb black{0, 0, 0};
inline constexpr Rgb white{255, 255, 255};
inline constexpr Rgb navy{0, 0, 128};
inline constexpr Rgb blue{0, 0, 255};
inline constexpr Rgb lime{0, 255, 0};
inline constexpr Rgb yellow{255, 255, 0};
inline constexpr Rgb red{255, 0, 0};
inline constexpr Rgb fuchsia{255, 0, 255};
inline constexpr Rgb gray{128, 128, 128};
inline constexpr Rgb toolTipBackground{255, 255, 225};
inline constexpr Rgb light3d{227, 227, 227};
inline constexpr Rgb dark3d{105, 105, 105};
inline constexpr Rgb scrollBar{200, 200, 200};
inline constexpr Rgb report{0, 128, 192}; // the checker's report
// The pictures' own: text and outlines, the B and A buses, and the boxes' fills.
inline constexpr Rgb pictureInk{40, 40, 40};
inline constexpr Rgb bBus{215, 0, 0};
inline constexpr Rgb aBus{0, 150, 0};
inline constexpr Rgb registerFill{236, 242, 252};
inline constexpr Rgb aluFill{236, 236, 236};
inline constexpr Rgb mirFill{255, 251, 232};
inline constexpr Rgb mpcFill{30, 34, 64};
inline constexpr Rgb guideGrey{150, 150, 150};
} // namespace colour

// The zoom levels of the window, in percent; the first is the default.
inline constexpr std::array<int, 4> zoomLevels{100, 125, 150, 200};

// The level after (step 1) or before (step -1) percent, staying at the ends; a percent
// that is no level counts as the default.
int steppedZoom(int percent, int step);

// A logical length or coordinate at a zoom. Rectangles are scaled at their edges, so
// neighbours that touch at 100 % still touch.
inline int scaled(int value, double zoom) {
    return static_cast<int>(std::lround(value * zoom));
}
inline Rect scaled(const Rect& r, double zoom) {
    const int x = scaled(r.x, zoom), y = scaled(r.y, zoom);
    return {x, y, scaled(r.x + r.width, zoom) - x, scaled(r.y + r.height, zoom) - y};
}

} // namespace tarveno::ui
