#pragma once
// The image collection: named pictures of the loaded graphics pack, cut into patterns and
// turned into textures of the drawing surface. Only one graphics pack is loaded at a time.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/geometry.h"
#include "engine/named_collection.h"
#include "engine/pack_data.h"

class IDrawSurface;
class ITexture;

class TPictureCollectionItem {
public:
    explicit TPictureCollectionItem(ImageItemData data);
    ~TPictureCollectionItem();

    const std::string& Name() const { return data_.name; }
    // The item as read from its pack; the picture's pixels have moved into the keyed copy.
    const ImageItemData& Data() const { return data_; }
    // Effective pattern size: the stored one when above 0, else the picture's.
    int32_t PatternWidth() const;
    int32_t PatternHeight() const;
    int32_t PatternCount() const;
    Rect PatternRect(int32_t index) const;

    bool Initialized() const { return initialized_; }
    // Builds the pattern grid and the textures (tiles of about 512 px) from the kept picture.
    void Initialize(IDrawSurface& surface);
    void Finalize();

    // An index outside the built patterns, or an item not initialised, draws nothing.
    void DrawPattern(IDrawSurface& surface, int32_t x, int32_t y, int32_t pattern);
    void StretchDraw(IDrawSurface& surface, const Rect& dst, int32_t pattern, int32_t opacity);
    void DrawRotated(IDrawSurface& surface, const Rect& dst, int32_t pattern, double degrees,
                     int32_t opacity);

    bool HasPixels() const { return data_.picture.has_value() && initialized_; }
    // Pixel (x, y) of a pattern is not transparent (false outside the pattern).
    bool IsOpaqueAt(int32_t pattern, int32_t x, int32_t y) const;

    // The textures the picture was cut into and where each lies in the picture (a benchmark
    // names the pictures behind a frame's draws with them).
    int32_t TileCount() const { return static_cast<int32_t>(tiles_.size()); }
    const Rect& TileRect(int32_t index) const { return tiles_[static_cast<size_t>(index)].rect; }
    ITexture* TileTexture(int32_t index) const { return tiles_[static_cast<size_t>(index)].texture.get(); }

private:
    struct Pattern {
        Rect rect;          // in the picture
        int32_t tile = -1;  // the tile holding its top-left corner
        Rect inTile;        // the rectangle within that tile
    };
    struct Tile {
        Rect rect;
        std::unique_ptr<ITexture> texture;
    };
    const Pattern* FindPattern(int32_t index) const;
    void BuildKeyedPixels();

    ImageItemData data_;
    std::vector<uint32_t> keyed_;  // the picture with colour-key pixels made transparent
    std::vector<Tile> tiles_;
    std::vector<Pattern> patterns_;
    bool initialized_ = false;
};

class TPictureCollection : public NamedCollection<TPictureCollectionItem> {
public:
    TPictureCollection();
    ~TPictureCollection();

    // Replaces the whole collection with a pack's items; a pack that fails half-way leaves the
    // items read so far. Initialises them at once when the collection is bound to a surface.
    void LoadPack(const std::string& path);
    void LoadContents(PackContents contents);

    // Case-insensitive; the last item of a name wins. Throws "Image '%s' not found".
    TPictureCollectionItem& FindImage(std::string_view name) {
        return FindOrThrow(name, "Image '%s' not found");
    }

    // Surface events: bind and initialise every item; free every item's textures; rebuild them.
    void Initialize(IDrawSurface* surface);
    void Finalize();
    void Restore();
    bool Bound() const { return surface_ != nullptr; }

    // Rebuilds the 256-entry colour table from the fixed system colours and the pictures' palettes.
    void BuildColorTable();
    const std::array<uint32_t, 256>& ColorTable() const { return colorTable_; }

private:
    std::array<uint32_t, 256> colorTable_{};
    IDrawSurface* surface_ = nullptr;
};
