#pragma once
// The sprite classes every menu screen is built from.

#include <string_view>

#include "engine/sprite.h"

class IDrawSurface;
class TPictureCollection;

// Base of every hover highlight, so all highlights can be found by class and killed together.
class TMenuGame : public TImageSprite {
public:
    using TImageSprite::TImageSprite;
};

// Base of every dialog-panel sprite (the quit overlay, the clear question, the name entry).
class TMenu : public TImageSprite {
public:
    using TImageSprite::TImageSprite;
};

class TMainExit : public TMenu {
public:
    using TMenu::TMenu;
};

class TMainExit_Word : public TMenu {
public:
    using TMenu::TMenu;
};

// Gives a new sprite its picture (looked up by name), its size from the picture's pattern size,
// its position and its layer. Throws "Image '%s' not found".
void SetUpImageSprite(TImageSprite& sprite, TPictureCollection& images, std::string_view name, double x,
                      double y, int z);

template <class T>
T* CreateImageSprite(TSprite& parent, TPictureCollection& images, std::string_view name, double x, double y,
                     int z) {
    auto* sprite = new T(&parent);
    try {
        SetUpImageSprite(*sprite, images, name, x, y, z);
    } catch (...) {
        delete sprite;
        throw;
    }
    return sprite;
}

// A background sprite with a 1 x 1 map of pattern 0 of `name`, wrapped so it tiles the surface.
TBackgroundSprite* CreateTiledBackground(TSprite& parent, TPictureCollection& images, std::string_view name);

// Kills every sprite of class TMenu or TMenuGame (and their subclasses) among the root's children.
void KillMenuSprites(TSpriteEngine& engine);

// The frame of the splash and the main menu: the menus animate by a fixed lag of 16 a frame,
// whatever time has passed.
void MenuFrame(TDXSpriteEngine& sprites);
// The frame of the sub-screens: as the menu's, on a black surface.
void SubScreenFrame(TDXSpriteEngine& sprites, IDrawSurface& surface);
