// Where the 800 x 600 surface lands in windows of every shape, and how window pixels map back
// to surface pixels and surface pixels out to window pixels.

#include <gtest/gtest.h>

#include <vector>

#include "platform/sdl/sdl_surface.h"
#include "platform/sdl/sdl_window.h"

namespace {

constexpr int kW = 800;
constexpr int kH = 600;

struct Point {
    int32_t x, y;
    bool operator==(const Point&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Point& p) {
    return out << "(" << p.x << ", " << p.y << ")";
}

Point ToSurface(const Rect& place, int x, int y) {
    Point p{};
    MapWindowToSurface(place, kW, kH, x, y, p.x, p.y);
    return p;
}

struct WindowCase {
    const char* what;
    int width, height;
    Rect place;
    // Window pixels and the surface pixels they must land on.
    std::vector<std::pair<Point, Point>> points;
};

const std::vector<WindowCase>& Windows() {
    static const std::vector<WindowCase> cases = {
        {"the surface's own size",
         800,
         600,
         {0, 0, 800, 600},
         {{{0, 0}, {0, 0}},
          {{799, 599}, {799, 599}},
          {{400, 300}, {400, 300}},
          {{-1, -1}, {-1, -1}},
          {{800, 600}, {800, 600}}}},
        {"1280 x 720, bars left and right",
         1280,
         720,
         {160, 0, 1120, 720},
         {{{160, 0}, {0, 0}},
          {{1119, 719}, {799, 599}},
          {{640, 360}, {400, 300}},
          {{159, 360}, {-1, 300}},  // the bar's innermost column is not the surface's first
          {{1120, 360}, {800, 300}},
          {{0, 0}, {-133, 0}},
          {{161, 1}, {1, 1}}}},
        {"1024 x 1024, bars above and below",
         1024,
         1024,
         {0, 128, 1024, 896},
         {{{0, 128}, {0, 0}},
          {{1023, 895}, {799, 599}},
          {{512, 512}, {400, 300}},
          {{512, 127}, {400, -1}},
          {{512, 896}, {400, 600}},
          {{0, 0}, {0, -100}}}},
        {"1920 x 1080",
         1920,
         1080,
         {240, 0, 1680, 1080},
         {{{240, 0}, {0, 0}},
          {{1679, 1079}, {799, 599}},
          {{960, 540}, {400, 300}},
          {{239, 540}, {-1, 300}},
          {{1680, 540}, {800, 300}},
          {{241, 1}, {0, 0}},  // 1.8 window pixels a surface pixel: the second column is still pixel 0
          {{242, 2}, {1, 1}}}},
        {"2560 x 1440", 2560, 1440, {320, 0, 2240, 1440}, {{{320, 0}, {0, 0}}, {{2239, 1439}, {799, 599}}}},
        {"3440 x 1440, very wide",
         3440,
         1440,
         {760, 0, 2680, 1440},
         {{{760, 0}, {0, 0}}, {{2679, 1439}, {799, 599}}, {{759, 0}, {-1, 0}}, {{2680, 0}, {800, 0}}}},
        {"twice the size",
         1600,
         1200,
         {0, 0, 1600, 1200},
         {{{0, 0}, {0, 0}}, {{1, 1}, {0, 0}}, {{2, 3}, {1, 1}}, {{1599, 1199}, {799, 599}}}},
        {"one pixel more each way",
         801,
         601,
         {0, 0, 801, 601},
         {{{0, 0}, {0, 0}}, {{800, 600}, {799, 599}}, {{400, 300}, {400, 300}}}},
        {"odd and wide",
         1001,
         333,
         {278, 0, 722, 333},
         {{{278, 0}, {0, 0}},
          {{721, 332}, {799, 599}},
          {{277, 0}, {-1, 0}},
          {{722, 0}, {800, 0}},
          {{500, 166}, {400, 300}}}},
        {"odd and tall, smaller than the surface",
         333,
         1001,
         {0, 375, 333, 625},
         // Shrunk, a window pixel covers more than one surface pixel and takes the one under its centre.
         {{{0, 375}, {1, 1}}, {{332, 624}, {798, 598}}, {{0, 374}, {1, -2}}, {{0, 625}, {1, 601}}}},
        {"smaller, same shape", 640, 480, {0, 0, 640, 480}, {{{0, 0}, {0, 0}}, {{639, 479}, {799, 599}}}},
        {"a single pixel", 1, 1, {0, 0, 1, 1}, {{{0, 0}, {400, 300}}}},
        {"no window area: the surface as it is", 0, 0, {0, 0, 800, 600}, {{{17, 23}, {17, 23}}}},
    };
    return cases;
}

TEST(Letterbox, PresentedRectangleKeepsTheAspectAndIsCentred) {
    for (const WindowCase& c : Windows()) {
        SCOPED_TRACE(c.what);
        const Rect place = LetterboxRect(c.width, c.height, kW, kH);
        EXPECT_EQ(place, c.place) << place.left << "," << place.top << " " << place.Width() << "x"
                                  << place.Height();
        if (c.width <= 0 || c.height <= 0) continue;
        // Fills one direction of the window, centred in the other.
        EXPECT_TRUE(place.Width() == c.width || place.Height() == c.height);
        EXPECT_LE(place.right, c.width);
        EXPECT_LE(place.bottom, c.height);
        EXPECT_LE(std::abs(place.left - (c.width - place.right)), 1);
        EXPECT_LE(std::abs(place.top - (c.height - place.bottom)), 1);
        // The aspect is kept to within the rounding of one pixel.
        EXPECT_NEAR(static_cast<double>(place.Width()) / place.Height(), 4.0 / 3.0,
                    4.0 / 3.0 / std::min(place.Width(), place.Height()) + 1e-9);
    }
}

TEST(Letterbox, WindowPixelsMapToTheSurfacePixelsUnderThem) {
    for (const WindowCase& c : Windows()) {
        SCOPED_TRACE(c.what);
        const Rect place = LetterboxRect(c.width, c.height, kW, kH);
        for (const auto& [window, surface] : c.points)
            EXPECT_EQ(ToSurface(place, window.x, window.y), surface) << "window " << window;
    }
}

TEST(Letterbox, EveryWindowColumnAndRowMapsInsideExactlyWhenItIsOnThePicture) {
    for (const WindowCase& c : Windows()) {
        if (c.width <= 0 || c.height <= 0) continue;
        SCOPED_TRACE(c.what);
        const Rect place = LetterboxRect(c.width, c.height, kW, kH);
        const bool enlarged = place.Width() >= kW;
        std::vector<int> hits(kW, 0);
        int32_t previous = INT32_MIN;
        for (int wx = 0; wx < c.width; ++wx) {
            const int32_t x = ToSurface(place, wx, place.top).x;
            const bool onPicture = wx >= place.left && wx < place.right;
            ASSERT_EQ(x >= 0 && x < kW, onPicture) << "column " << wx << " -> " << x;
            ASSERT_GE(x, previous) << "column " << wx;
            previous = x;
            if (onPicture) ++hits[static_cast<size_t>(x)];
        }
        // Enlarged, every surface column shows in at least one window column.
        if (enlarged) {
            for (int x = 0; x < kW; ++x) {
                ASSERT_GT(hits[static_cast<size_t>(x)], 0) << "surface column " << x;
            }
        }
        previous = INT32_MIN;
        for (int wy = 0; wy < c.height; ++wy) {
            const int32_t y = ToSurface(place, place.left, wy).y;
            ASSERT_EQ(y >= 0 && y < kH, wy >= place.top && wy < place.bottom) << "row " << wy << " -> " << y;
            ASSERT_GE(y, previous) << "row " << wy;
            previous = y;
        }
    }
}

TEST(Letterbox, APointerPutOnASurfacePixelReadsBackAsThatPixel) {
    for (const WindowCase& c : Windows()) {
        if (c.width <= 0 || c.height <= 0) continue;
        SCOPED_TRACE(c.what);
        const Rect place = LetterboxRect(c.width, c.height, kW, kH);
        for (int32_t x = 0; x < kW; ++x) {
            for (int32_t y : {0, 1, 299, 300, 599}) {
                int wx = 0;
                int wy = 0;
                MapSurfaceToWindow(place, kW, kH, x, y, wx, wy);
                ASSERT_TRUE(wx >= place.left && wx < place.right && wy >= place.top && wy < place.bottom)
                    << Point{x, y} << " -> " << Point{wx, wy};
                // Shrunk, several surface pixels share a window pixel; enlarged, the way back is exact.
                if (place.Width() >= kW) {
                    ASSERT_EQ(ToSurface(place, wx, wy), (Point{x, y}));
                }
            }
        }
    }
}

}  // namespace
