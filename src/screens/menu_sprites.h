#pragma once
// The sprite classes every menu screen is built from.

#include <string_view>

#include "engine/image_list.h"
#include "engine/sprite.h"

class IDrawSurface;

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

// The highlights, one class an item, named after it.
#define VANDRAX_HIGHLIGHT(Name)     \
    class Name : public TMenuGame { \
    public:                         \
        using TMenuGame::TMenuGame; \
    }
VANDRAX_HIGHLIGHT(Start_Game);
VANDRAX_HIGHLIGHT(Options);
VANDRAX_HIGHLIGHT(High_Score);
VANDRAX_HIGHLIGHT(Help);
VANDRAX_HIGHLIGHT(Visit_Web_Site);
VANDRAX_HIGHLIGHT(Exit_);
VANDRAX_HIGHLIGHT(fggActive);
VANDRAX_HIGHLIGHT(HelpGame_Back);
VANDRAX_HIGHLIGHT(HelpGame_Down);
VANDRAX_HIGHLIGHT(HelpGame_Up);
VANDRAX_HIGHLIGHT(HighScore_Clear);
VANDRAX_HIGHLIGHT(HighScore_Back);
VANDRAX_HIGHLIGHT(HighScore_View);
VANDRAX_HIGHLIGHT(HighScore_Replay);
VANDRAX_HIGHLIGHT(TMainExit_Yes);
VANDRAX_HIGHLIGHT(TMainExit_No);
#undef VANDRAX_HIGHLIGHT

// The dialog panels: the quit overlay, the clear question, the name entry.
#define VANDRAX_PANEL(Name)     \
    class Name : public TMenu { \
    public:                     \
        using TMenu::TMenu;     \
    }
VANDRAX_PANEL(TMainExit);
VANDRAX_PANEL(TMainExit_Word);
VANDRAX_PANEL(TClearHighScore);
VANDRAX_PANEL(TClearHighScore_Word);
VANDRAX_PANEL(TEnter_Name);
VANDRAX_PANEL(TEnter_Name_Send);
#undef VANDRAX_PANEL

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

// A picture centred on the 800 x 600 surface, `raise` pixels above the middle: the dialog panels.
template <class T>
T* CreateCentredSprite(TSprite& parent, TPictureCollection& images, std::string_view name, double raise,
                       int z) {
    const TPictureCollectionItem& item = images.FindImage(name);
    return CreateImageSprite<T>(parent, images, name, (800 - item.PatternWidth()) / 2.0,
                                (600 - item.PatternHeight()) / 2.0 - raise, z);
}

// A background sprite with a 1 x 1 map of pattern 0 of `name`, wrapped so it tiles the surface.
TBackgroundSprite* CreateTiledBackground(TSprite& parent, TPictureCollection& images, std::string_view name);

// Kills every sprite of class TMenu or TMenuGame (and their subclasses) among the root's children.
void KillMenuSprites(TSpriteEngine& engine);
// Kills every highlight (class TMenuGame and its subclasses).
void KillHighlights(TSpriteEngine& engine);

// The frame of the splash and the main menu: the menus animate by a fixed lag of 16 a frame,
// whatever time has passed.
void MenuFrame(TDXSpriteEngine& sprites);
// The frame of the sub-screens: as the menu's, on a black surface.
void SubScreenFrame(TDXSpriteEngine& sprites, IDrawSurface& surface);
