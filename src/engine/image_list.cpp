#include "engine/image_list.h"

#include <algorithm>

#include "base/errors.h"
#include "engine/color_table.h"
#include "engine/pattern_grid.h"
#include "platform/draw_surface.h"

// ---------------------------------------------------------------------------------------------
// TPictureCollectionItem

TPictureCollectionItem::TPictureCollectionItem(ImageItemData data) : data_(std::move(data)) {
    BuildKeyedPixels();
}

TPictureCollectionItem::~TPictureCollectionItem() = default;

int32_t TPictureCollectionItem::PatternWidth() const {
    if (data_.patternWidth > 0) return data_.patternWidth;
    return data_.picture ? data_.picture->width : 0;
}

int32_t TPictureCollectionItem::PatternHeight() const {
    if (data_.patternHeight > 0) return data_.patternHeight;
    return data_.picture ? data_.picture->height : 0;
}

int32_t TPictureCollectionItem::PatternCount() const {
    if (initialized_) return static_cast<int32_t>(patterns_.size());
    return static_cast<int32_t>(PatternGrid(data_).size());
}

Rect TPictureCollectionItem::PatternRect(int32_t index) const {
    if (const Pattern* p = FindPattern(index)) return p->rect;
    if (!data_.picture) return Rect{};
    const auto grid = PatternGrid(data_);
    if (index >= 0 && index < static_cast<int32_t>(grid.size())) return grid[static_cast<size_t>(index)];
    return MakeRect(0, 0, PatternWidth(), PatternHeight());
}

const TPictureCollectionItem::Pattern* TPictureCollectionItem::FindPattern(int32_t index) const {
    if (!initialized_ || index < 0 || index >= static_cast<int32_t>(patterns_.size())) return nullptr;
    const Pattern& pattern = patterns_[static_cast<size_t>(index)];
    return pattern.tile >= 0 ? &pattern : nullptr;
}

// 32-bit pictures with an alpha byte draw with it; the rest use the colour key.
void TPictureCollectionItem::BuildKeyedPixels() {
    keyed_.clear();
    if (!data_.picture) return;
    // The pixels move here rather than being copied: nothing reads the picture's own pixels
    // again, and a pack of pictures is not held twice.
    Picture& picture = *data_.picture;
    keyed_ = std::move(picture.pixels);
    picture.pixels.clear();
    if (picture.hasAlpha) return;
    const uint32_t key = data_.transparentColor;
    const uint32_t keyRgb = ((key & 0xFF) << 16) | (key & 0xFF00) | ((key >> 16) & 0xFF);
    for (uint32_t& pixel : keyed_) {
        if (data_.transparent && (pixel & 0xFFFFFF) == keyRgb)
            pixel &= 0x00FFFFFF;
        else
            pixel |= 0xFF000000;
    }
}

void TPictureCollectionItem::Initialize(IDrawSurface& surface) {
    Finalize();
    initialized_ = true;
    if (!data_.picture) return;
    const Picture& picture = *data_.picture;
    const PatternLayout layout = MakePatternLayout(picture.width, picture.height, data_.patternWidth,
                                                   data_.patternHeight, data_.skipWidth, data_.skipHeight);
    const TileLayout tiles = LayoutTiles(picture.width, picture.height, layout, data_.systemMemory);
    std::vector<uint32_t> buffer;
    for (const Rect& rect : tiles.tiles) {
        if (rect.left == 0 && rect.Width() == picture.width) {
            // Whole rows: the tile's pixels lie in one piece already.
            const uint32_t* rows = keyed_.data() + static_cast<ptrdiff_t>(rect.top) * picture.width;
            tiles_.push_back(Tile{rect, surface.CreateTexture(rows, rect.Width(), rect.Height())});
            continue;
        }
        buffer.resize(static_cast<size_t>(rect.Width()) * static_cast<size_t>(rect.Height()));
        for (int32_t y = rect.top; y < rect.bottom; ++y) {
            std::copy_n(keyed_.begin() + static_cast<ptrdiff_t>(y) * picture.width + rect.left, rect.Width(),
                        buffer.begin() + static_cast<ptrdiff_t>(y - rect.top) * rect.Width());
        }
        tiles_.push_back(Tile{rect, surface.CreateTexture(buffer.data(), rect.Width(), rect.Height())});
    }
    for (int64_t i = 0; i < layout.Count(); ++i) {
        const PatternPlace& place = tiles.patterns[static_cast<size_t>(i)];
        patterns_.push_back(Pattern{layout.PatternRect(i), place.tile, place.rect});
    }
}

void TPictureCollectionItem::Finalize() {
    tiles_.clear();
    patterns_.clear();
    initialized_ = false;
}

void TPictureCollectionItem::DrawPattern(IDrawSurface& surface, int32_t x, int32_t y, int32_t pattern) {
    const Pattern* p = FindPattern(pattern);
    if (p == nullptr) return;
    ITexture* texture = tiles_[static_cast<size_t>(p->tile)].texture.get();
    if (texture == nullptr) return;
    surface.Draw(*texture, p->inTile, MakeRect(x, y, p->inTile.Width(), p->inTile.Height()), 255);
}

void TPictureCollectionItem::StretchDraw(IDrawSurface& surface, const Rect& dst, int32_t pattern,
                                         int32_t opacity) {
    const Pattern* p = FindPattern(pattern);
    if (p == nullptr) return;
    ITexture* texture = tiles_[static_cast<size_t>(p->tile)].texture.get();
    if (texture == nullptr) return;
    surface.Draw(*texture, p->inTile, dst, opacity);
}

void TPictureCollectionItem::DrawRotated(IDrawSurface& surface, const Rect& dst, int32_t pattern,
                                         double degrees, int32_t opacity) {
    const Pattern* p = FindPattern(pattern);
    if (p == nullptr) return;
    ITexture* texture = tiles_[static_cast<size_t>(p->tile)].texture.get();
    if (texture == nullptr) return;
    surface.DrawRotated(*texture, p->inTile, dst, degrees, opacity);
}

bool TPictureCollectionItem::IsOpaqueAt(int32_t pattern, int32_t x, int32_t y) const {
    const Pattern* p = FindPattern(pattern);
    if (p == nullptr || !data_.picture) return false;
    if (x < 0 || y < 0 || x >= p->rect.Width() || y >= p->rect.Height()) return false;
    const int32_t px = p->rect.left + x;
    const int32_t py = p->rect.top + y;
    if (px >= data_.picture->width || py >= data_.picture->height) return false;
    return (keyed_[static_cast<size_t>(py) * static_cast<size_t>(data_.picture->width) +
                   static_cast<size_t>(px)] >>
            24) != 0;
}

// ---------------------------------------------------------------------------------------------
// TPictureCollection

TPictureCollection::TPictureCollection() = default;
TPictureCollection::~TPictureCollection() = default;

void TPictureCollection::LoadContents(PackContents contents) {
    Fill(contents.images);
    if (contents.colorTable) colorTable_ = ColorTableFromBytes(*contents.colorTable);
    if (surface_ != nullptr)
        for (auto& item : items_) item->Initialize(*surface_);
}

void TPictureCollection::LoadPack(const std::string& path) {
    ReadPackFile(path, [this](PackContents contents) { LoadContents(std::move(contents)); });
}

void TPictureCollection::Initialize(IDrawSurface* surface) {
    surface_ = surface;
    if (surface_ == nullptr) return;
    for (auto& item : items_) item->Initialize(*surface_);
}

void TPictureCollection::Finalize() {
    for (auto& item : items_) item->Finalize();
    surface_ = nullptr;
}

void TPictureCollection::Restore() {
    if (surface_ == nullptr) return;
    for (auto& item : items_) item->Initialize(*surface_);
}

void TPictureCollection::BuildColorTable() {
    std::vector<const Picture*> pictures;
    for (auto& item : items_)
        if (item->Data().picture) pictures.push_back(&*item->Data().picture);
    colorTable_ = ::BuildColorTable(pictures);
}
