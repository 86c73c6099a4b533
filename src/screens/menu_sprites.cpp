#include "screens/menu_sprites.h"

#include "engine/image_list.h"
#include "platform/draw_surface.h"

void SetUpImageSprite(TImageSprite& sprite, TPictureCollection& images, std::string_view name, double x,
                      double y, int z) {
    TPictureCollectionItem& item = images.FindImage(name);
    sprite.ImageItem = &item;
    sprite.Width = item.PatternWidth();
    sprite.Height = item.PatternHeight();
    sprite.X = x;
    sprite.Y = y;
    sprite.SetZ(z);
}

TBackgroundSprite* CreateTiledBackground(TSprite& parent, TPictureCollection& images, std::string_view name) {
    TPictureCollectionItem& item = images.FindImage(name);
    auto* background = new TBackgroundSprite(&parent);
    background->ResizeMap(1, 1);
    background->ImageItem = &item;
    background->Wrap = true;
    return background;
}

namespace {
template <class Predicate>
void KillWhere(TSpriteEngine& engine, Predicate predicate) {
    const int32_t n = engine.ChildCount();
    for (int32_t i = 0; i < n; ++i) {
        TSprite* sprite = engine.ChildAt(i);
        if (predicate(sprite)) sprite->Kill();
    }
}
}  // namespace

void KillMenuSprites(TSpriteEngine& engine) {
    KillWhere(engine,
              [](TSprite* s) { return dynamic_cast<TMenu*>(s) != nullptr || dynamic_cast<TMenuGame*>(s); });
}

void KillHighlights(TSpriteEngine& engine) {
    KillWhere(engine, [](TSprite* s) { return dynamic_cast<TMenuGame*>(s) != nullptr; });
}

void MenuFrame(TDXSpriteEngine& sprites) {
    sprites.MoveWorld(16);
    sprites.RemoveDead();
    sprites.Render();
}

void SubScreenFrame(TDXSpriteEngine& sprites, IDrawSurface& surface) {
    sprites.MoveWorld(16);
    sprites.RemoveDead();
    surface.FillRect(Rect{0, 0, 800, 600}, 0x000000);
    sprites.Render();
}
