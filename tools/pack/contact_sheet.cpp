#include "contact_sheet.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "engine/pattern_grid.h"

namespace {

constexpr int kMargin = 16;
constexpr int kGap = 20;
constexpr double kFontSize = 12;
constexpr int kLineHeight = 16;
constexpr int kLabelLines = 3;
constexpr int kChecker = 8;
constexpr int kPreferredWidth = 1600;
constexpr int kMaxCairoSide = 32767;  // cairo's image surface limit

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using Context = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

Surface MakeSurface(int width, int height) {
    return Surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), cairo_surface_destroy);
}

void SetFont(cairo_t* cr) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kFontSize);
}

double TextWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

void DrawText(cairo_t* cr, double x, double baseline, const std::string& text, double r, double g, double b) {
    cairo_set_source_rgb(cr, r, g, b);
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, text.c_str());
}

// The picture as cairo wants it (premultiplied); pixels of the key colour are cleared when the
// game would draw them with the colour key.
Surface PictureSurface(const ImageItemData& item) {
    const Picture& picture = *item.picture;
    Surface surface = MakeSurface(picture.width, picture.height);
    cairo_surface_flush(surface.get());
    uint8_t* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    const bool keyed = item.transparent && !picture.hasAlpha;
    const uint32_t key = ((item.transparentColor & 0xFF) << 16) | (item.transparentColor & 0xFF00) |
                         ((item.transparentColor >> 16) & 0xFF);
    for (int32_t y = 0; y < picture.height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
        const uint32_t* source = picture.pixels.data() + static_cast<size_t>(y) * picture.width;
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint32_t pixel = source[x];
            const uint32_t alpha = pixel >> 24;
            if (keyed && (pixel & 0xFFFFFF) == key) {
                row[x] = 0;
            } else if (alpha == 0xFF) {
                row[x] = pixel;
            } else {
                auto premultiplied = [&](int shift) {
                    return (((pixel >> shift) & 0xFF) * alpha + 127) / 255;
                };
                row[x] =
                    (alpha << 24) | (premultiplied(16) << 16) | (premultiplied(8) << 8) | premultiplied(0);
            }
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

void DrawChecker(cairo_t* cr, int left, int top, int width, int height) {
    cairo_save(cr);
    cairo_rectangle(cr, left, top, width, height);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, 0.62, 0.62, 0.62);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.42, 0.42, 0.42);
    for (int y = 0; y < height; y += kChecker) {
        for (int x = ((y / kChecker) % 2) * kChecker; x < width; x += 2 * kChecker) {
            cairo_rectangle(cr, left + x, top + y, kChecker, kChecker);
        }
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

struct Cell {
    const ImageItemData* item;
    std::vector<std::string> label;
    int pictureWidth = 0;
    int pictureHeight = 0;
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
};

std::string KeyText(uint32_t bgr) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return text;
}

std::vector<std::string> LabelOf(const ImageItemData& item, int64_t patterns) {
    char line[256];
    std::vector<std::string> label{item.name};
    if (!item.picture) {
        label.push_back("no picture");
        label.push_back("");
        return label;
    }
    const Picture& picture = *item.picture;
    std::snprintf(line, sizeof line, "%dx%d  pattern %dx%d x%lld", picture.width, picture.height,
                  EffectivePatternSize(item.patternWidth, picture.width),
                  EffectivePatternSize(item.patternHeight, picture.height), static_cast<long long>(patterns));
    label.push_back(line);
    std::string how = picture.hasAlpha   ? "alpha"
                      : item.transparent ? "key " + KeyText(item.transparentColor)
                                         : "opaque";
    if (item.skipWidth != 0 || item.skipHeight != 0) {
        std::snprintf(line, sizeof line, "  skip %dx%d", item.skipWidth, item.skipHeight);
        how += line;
    }
    if (item.systemMemory) how += "  system";
    label.push_back(how);
    return label;
}

void WriteSurface(cairo_surface_t* surface, const std::string& outPath) {
    if (cairo_surface_write_to_png(surface, outPath.c_str()) != CAIRO_STATUS_SUCCESS) {
        throw GameError(FormatMessage("%s: cannot write PNG", outPath.c_str()));
    }
}

void DrawGraphicsSheet(const PackContents& contents, const std::string& outPath) {
    Surface scratch = MakeSurface(1, 1);
    Context measure(cairo_create(scratch.get()), cairo_destroy);
    SetFont(measure.get());

    std::vector<Cell> cells;
    int widest = 0;
    for (const ImageItemData& item : contents.images) {
        Cell cell{&item, {}, 0, 0, 0, 0, 0, 0};
        int64_t patterns = 0;
        if (item.picture) {
            cell.pictureWidth = item.picture->width;
            cell.pictureHeight = item.picture->height;
            patterns = MakePatternLayout(cell.pictureWidth, cell.pictureHeight, item.patternWidth,
                                         item.patternHeight, item.skipWidth, item.skipHeight)
                           .Count();
        }
        cell.label = LabelOf(item, patterns);
        cell.width = cell.pictureWidth;
        for (const std::string& line : cell.label) {
            cell.width = std::max(cell.width, static_cast<int>(TextWidth(measure.get(), line)) + 2);
        }
        cell.height = kLabelLines * kLineHeight + 4 + cell.pictureHeight;
        widest = std::max(widest, cell.width);
        cells.push_back(std::move(cell));
    }

    // Shelves: left to right, a new row when the next cell does not fit.
    int oneRow = 2 * kMargin - kGap;
    for (const Cell& cell : cells) oneRow += cell.width + kGap;
    const int sheetWidth = std::max(std::min(kPreferredWidth, oneRow), widest + 2 * kMargin);
    int x = kMargin, y = kMargin, rowHeight = 0;
    for (Cell& cell : cells) {
        if (x > kMargin && x + cell.width > sheetWidth - kMargin) {
            x = kMargin;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        cell.x = x;
        cell.y = y;
        x += cell.width + kGap;
        rowHeight = std::max(rowHeight, cell.height);
    }
    const int sheetHeight = y + rowHeight + kMargin;
    if (sheetWidth > kMaxCairoSide || sheetHeight > kMaxCairoSide) {
        throw GameError(FormatMessage("The sheet would be %dx%d px, more than one PNG can hold", sheetWidth,
                                      sheetHeight));
    }

    Surface sheet = MakeSurface(sheetWidth, sheetHeight);
    Context cr(cairo_create(sheet.get()), cairo_destroy);
    cairo_set_source_rgb(cr.get(), 0.16, 0.17, 0.19);
    cairo_paint(cr.get());
    SetFont(cr.get());
    for (const Cell& cell : cells) {
        for (size_t i = 0; i < cell.label.size(); ++i) {
            const double shade = i == 0 ? 1.0 : 0.75;
            DrawText(cr.get(), cell.x, cell.y + kLineHeight * (i + 1) - 4, cell.label[i], shade, shade,
                     i == 0 ? 0.6 : shade);
        }
        if (!cell.item->picture) continue;
        const int top = cell.y + kLabelLines * kLineHeight + 4;
        DrawChecker(cr.get(), cell.x, top, cell.pictureWidth, cell.pictureHeight);
        Surface picture = PictureSurface(*cell.item);
        cairo_set_source_surface(cr.get(), picture.get(), cell.x, top);
        cairo_paint(cr.get());

        const ImageItemData& item = *cell.item;
        const PatternLayout layout =
            MakePatternLayout(cell.pictureWidth, cell.pictureHeight, item.patternWidth, item.patternHeight,
                              item.skipWidth, item.skipHeight);
        if (layout.Count() <= 1) continue;
        // Outline every pattern and number it where there is room.
        cairo_set_line_width(cr.get(), 1.0);
        cairo_set_font_size(cr.get(), 10);
        const bool numbered =
            layout.patternWidth >= 18 && layout.patternHeight >= 14 && layout.Count() <= 4096;
        for (int64_t i = 0; i < layout.Count(); ++i) {
            const Rect rect = layout.PatternRect(i);
            cairo_set_source_rgba(cr.get(), 0.0, 0.9, 1.0, 0.8);
            cairo_rectangle(cr.get(), cell.x + rect.left + 0.5, top + rect.top + 0.5, rect.Width() - 1.0,
                            rect.Height() - 1.0);
            cairo_stroke(cr.get());
            if (numbered) {
                DrawText(cr.get(), cell.x + rect.left + 2, top + rect.top + 11, std::to_string(i), 0.0, 0.9,
                         1.0);
            }
        }
        SetFont(cr.get());
    }
    WriteSurface(sheet.get(), outPath);
}

void DrawSoundSheet(const PackContents& contents, const std::string& outPath) {
    std::vector<std::string> lines;
    char line[512];
    for (const SoundItemData& item : contents.sounds) {
        const WaveData wave = item.wave.value_or(WaveData{});
        const double seconds =
            wave.bytesPerSecond > 0 ? static_cast<double>(wave.samples.size()) / wave.bytesPerSecond : 0.0;
        std::snprintf(
            line, sizeof line, "%u ch, %u Hz, %u bit, %.2f s%s%s", wave.channels, wave.sampleRate,
            wave.bitsPerSample, seconds, item.looped ? ", looped" : "",
            item.maxPlayingCount > 0 ? (", max " + std::to_string(item.maxPlayingCount)).c_str() : "");
        lines.push_back(item.name);
        lines.push_back(line);
    }
    Surface scratch = MakeSurface(1, 1);
    Context measure(cairo_create(scratch.get()), cairo_destroy);
    SetFont(measure.get());
    int width = 400;
    for (size_t i = 0; i < lines.size(); i += 2) {
        width = std::max(width, static_cast<int>(TextWidth(measure.get(), lines[i]) +
                                                 TextWidth(measure.get(), lines[i + 1])) +
                                    40);
    }
    const int rows = static_cast<int>(lines.size() / 2);
    const int height = 2 * kMargin + std::max(rows, 1) * (kLineHeight + 4);
    if (width + 2 * kMargin > kMaxCairoSide || height > kMaxCairoSide) {
        throw GameError(
            FormatMessage("The sheet would be %dx%d px, more than one PNG can hold", width, height));
    }
    Surface sheet = MakeSurface(width + 2 * kMargin, height);
    Context cr(cairo_create(sheet.get()), cairo_destroy);
    cairo_set_source_rgb(cr.get(), 0.16, 0.17, 0.19);
    cairo_paint(cr.get());
    SetFont(cr.get());
    for (int row = 0; row < rows; ++row) {
        const double baseline = kMargin + row * (kLineHeight + 4) + kLineHeight - 3;
        DrawText(cr.get(), kMargin, baseline, lines[2 * row], 1.0, 1.0, 0.6);
        const double nameWidth = TextWidth(cr.get(), lines[2 * row]);
        DrawText(cr.get(), kMargin + nameWidth + 20, baseline, lines[2 * row + 1], 0.75, 0.75, 0.75);
    }
    WriteSurface(sheet.get(), outPath);
}

}  // namespace

void DrawContactSheet(const PackContents& contents, const std::string& outPath) {
    if (contents.kind == PackKind::Graphics) {
        DrawGraphicsSheet(contents, outPath);
    } else {
        DrawSoundSheet(contents, outPath);
    }
}

void ReleaseSheetFonts() {
    cairo_debug_reset_static_data();
    FcFini();
}
