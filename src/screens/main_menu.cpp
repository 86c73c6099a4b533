#include "screens/main_menu.h"

#include "app/main_form.h"
#include "platform/window.h"
#include "screens/menu_sprites.h"

namespace {
struct MenuItemPlace {
    const char* image;
    int y;
};
constexpr MenuItemPlace kItems[] = {{"Start Game_n", 118}, {"Options_n", 188},        {"High Score_n", 258},
                                    {"Help_n", 328},       {"Visit Web Site_n", 398}, {"Exit_n", 468}};
}  // namespace

void BuildMainMenu(TMainForm& form) {
    form.Window().SetPointer(PointerShape::Arrow);
    if (form.BackFromGame) form.PlayMusic(1);
    form.BackFromGame = false;
    TSpriteEngine& root = form.SpriteEngine.Engine();
    for (const MenuItemPlace& item : kItems) CreateImageSprite<TImageSprite>(root, form.ImageList, item.image, 514, item.y, 0);
    CreateImageSprite<TImageSprite>(root, form.ImageList, "fgg_inactiv", 532, 526, 0);
    // Created last on layer 0, so it lies beneath every item.
    CreateTiledBackground(root, form.ImageList, "menu");
}
