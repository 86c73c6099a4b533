// Both built graphics packs hold every picture the game looks up, in the right pack, with the
// pattern sizes the screens are laid out for and at least the patterns the animations use.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "engine/pack_reader.h"
#include "engine/pattern_grid.h"

namespace {

struct Expected {
    const char* name;
    int32_t width;  // one pattern
    int32_t height;
    int32_t patterns;  // at least
};

const Expected kMenu[] = {
    {"mySplash_fon", 0, 0, 1},
    {"mySplash", 296, 60, 1},
    {"menu", 800, 600, 1},
    {"Start Game_n", 256, 55, 1},
    {"Start Game_d", 256, 55, 1},
    {"Options_n", 256, 55, 1},
    {"Options_d", 256, 55, 1},
    {"High Score_n", 256, 55, 1},
    {"High Score_d", 256, 55, 1},
    {"Help_n", 256, 55, 1},
    {"Help_d", 256, 55, 1},
    {"Visit Web Site_n", 256, 55, 1},
    {"Visit Web Site_d", 256, 55, 1},
    {"Exit_n", 256, 55, 1},
    {"Exit_d", 256, 55, 1},
    {"fgg_inactiv", 235, 67, 1},
    {"fgg_active", 235, 67, 1},
    {"menuPodmenu", 475, 457, 1},
    {"BuldogsPic", 200, 200, 1},
    {"DragonsPic", 200, 200, 1},
    {"BuldogsPic_na", 200, 200, 1},
    {"DragonsPic_na", 200, 200, 1},
    {"HighScore_Back_n", 137, 32, 1},
    {"HighScore_Back_d", 137, 32, 1},
    {"HighScore_Clear_n", 137, 32, 1},
    {"HighScore_Clear_d", 137, 32, 1},
    {"HighScore_View_n", 137, 32, 1},
    {"HighScore_View_d", 137, 32, 1},
    {"Help_prev", 137, 32, 1},
    {"Help_next", 137, 32, 1},
    {"Help_back_n", 137, 32, 1},
    {"Help_Back_p", 137, 32, 1},
    {"Help_Up", 137, 32, 1},
    {"Help_Down", 137, 32, 1},
    {"Options_Back_n", 137, 32, 1},
    {"HighScore_head", 410, 28, 1},
    {"HighScore_Table_row", 410, 28, 1},
    {"HighScore_Replay_n", 28, 28, 1},
    {"HighScore_Replay_d", 28, 28, 1},
    {"Options_Country", 204, 32, 1},
    {"palka", 12, 3, 1},  // an underscore: the cursor is placed on the text's baseline
    {"Exit_Main", 400, 240, 1},
    {"Exit_Main_Word", 330, 100, 1},
    {"HighScore_Clear_Word", 390, 110, 1},
    {"Exit_Main_Yes_d", 147, 57, 1},
    {"Exit_Main_No_d", 147, 57, 1},
    {"gameOver", 800, 600, 1},
    {"Enter_Name", 420, 300, 1},
    {"Enter_Name_Send", 48, 40, 1},
    {"log", 120, 120, 1},
};

const Expected kMain[] = {
    {"background", 800, 200, 1},
    {"carOfBuldogsPlayer", 60, 100, 4},
    {"carOfDragonsPlayer", 60, 100, 4},
    {"carOfBuldogs", 74, 120, 1},
    {"carOfDragons", 74, 120, 1},
    {"carOfPolice", 70, 120, 1},
    {"car1_down", 70, 120, 1},
    {"car2_down", 70, 120, 1},
    {"moto_down", 36, 80, 1},
    {"gruz_down", 84, 170, 1},
    {"fura", 96, 338, 6},
    {"pistolet", 46, 42, 4},
    {"avtomat", 46, 42, 4},
    {"bazuka", 46, 42, 4},
    {"raketnica", 46, 42, 4},
    {"bulet_pistolet", 8, 16, 2},
    {"raketa", 14, 40, 3},
    {"nitroFlames", 52, 40, 1},
    {"stolb", 120, 34, 1},
    {"rocks", 90, 120, 1},
    {"policeState", 210, 110, 1},
    {"shipi", 150, 24, 1},
    {"zagrajdenie", 100, 40, 1},
    {"luja", 110, 60, 1},
    {"lujaUje", 110, 60, 1},
    {"cr_pr", 800, 50, 1},
    {"live_b", 45, 45, 1},
    {"live_d", 45, 45, 1},
    {"pistolet_b", 45, 45, 1},
    {"pistolet_d", 45, 45, 1},
    {"avtomat_b", 45, 45, 1},
    {"avtomat_d", 45, 45, 1},
    {"bazuka_b", 45, 45, 1},
    {"bazuka_d", 45, 45, 1},
    {"raketnica_b", 45, 45, 1},
    {"raketnica_d", 45, 45, 1},
    {"bonus_b", 45, 45, 1},
    {"bonus_d", 45, 45, 1},
    {"nitro_b", 45, 45, 1},
    {"nitro_d", 45, 45, 1},
    {"remont_b", 45, 45, 1},
    {"remont_d", 45, 45, 1},
    {"znak30", 70, 70, 1},
    {"znak60", 70, 70, 1},
    {"znak90", 70, 70, 1},
    {"m_helthLineOfBuldogs", 460, 14, 1},
    {"m_helthLineOfDragons", 460, 14, 1},
    {"m_police", 90, 60, 1},
    {"m_pistolet", 60, 60, 1},
    {"m_nitro", 60, 60, 1},
    {"boom", 80, 80, 16},
    {"m_panel_bandOfBuldogs", 119, 448, 1},
    {"m_panel_bandOfDragons", 119, 448, 1},
    {"m_panel_down", 800, 152, 1},
    {"m_panel_score", 200, 36, 1},
    {"Exit_Main", 400, 240, 1},
    {"Exit_Main_Word", 330, 100, 1},
    {"Exit_Main_Yes_d", 147, 57, 1},
    {"Exit_Main_No_d", 147, 57, 1},
};

// Only the quit overlay is in both packs.
const std::set<std::string> kShared = {"Exit_Main", "Exit_Main_Word", "Exit_Main_Yes_d", "Exit_Main_No_d"};

std::map<std::string, const ImageItemData*> ByName(const PackContents& pack) {
    std::map<std::string, const ImageItemData*> items;
    for (const ImageItemData& item : pack.images) items[item.name] = &item;
    return items;
}

void CheckPack(const char* file, const Expected* begin, const Expected* end, const Expected* otherBegin,
               const Expected* otherEnd) {
    PackContents pack;
    ASSERT_NO_THROW(LoadPackFile(std::string(VANDRAX_DATA) + "/Data/" + file, pack)) << file;
    EXPECT_EQ(pack.kind, PackKind::Graphics);
    const auto items = ByName(pack);
    for (const Expected* e = begin; e != end; ++e) {
        auto found = items.find(e->name);
        ASSERT_NE(found, items.end()) << file << " lacks " << e->name;
        const ImageItemData& item = *found->second;
        ASSERT_TRUE(item.picture.has_value()) << e->name;
        const int32_t pw = EffectivePatternSize(item.patternWidth, item.picture->width);
        const int32_t ph = EffectivePatternSize(item.patternHeight, item.picture->height);
        if (e->width != 0) {
            EXPECT_EQ(pw, e->width) << e->name;
            EXPECT_EQ(ph, e->height) << e->name;
        }
        EXPECT_GE(static_cast<int32_t>(PatternGrid(item).size()), e->patterns) << e->name;
    }
    for (const Expected* e = otherBegin; e != otherEnd; ++e) {
        if (kShared.count(e->name) != 0) continue;
        EXPECT_EQ(items.count(e->name), 0u) << file << " should not hold " << e->name;
    }
}

TEST(GraphicsPacks, MenuPackHoldsEveryMenuPictureAndNoRoadPicture) {
    CheckPack("GraphicsMenu.dxg", std::begin(kMenu), std::end(kMenu), std::begin(kMain), std::end(kMain));
}

TEST(GraphicsPacks, MainPackHoldsEveryRoadPictureAndNoMenuPicture) {
    CheckPack("GraphicsMain.dxg", std::begin(kMain), std::end(kMain), std::begin(kMenu), std::end(kMenu));
}

TEST(GraphicsPacks, OpaqueBackgroundsHaveNoHoles) {
    // Full-screen pictures and the road tile are drawn as they are: no key colour cuts holes in them.
    for (const auto& [file, name] :
         {std::pair{"GraphicsMenu.dxg", "menu"}, std::pair{"GraphicsMenu.dxg", "gameOver"},
          std::pair{"GraphicsMain.dxg", "background"}}) {
        PackContents pack;
        LoadPackFile(std::string(VANDRAX_DATA) + "/Data/" + file, pack);
        const auto items = ByName(pack);
        ASSERT_EQ(items.count(name), 1u);
        const ImageItemData& item = *items.at(name);
        if (item.picture->hasAlpha) {
            for (uint32_t pixel : item.picture->pixels) ASSERT_EQ(pixel >> 24, 0xFFu) << name;
        } else {
            EXPECT_FALSE(item.transparent) << name << " would lose its key-coloured pixels";
        }
    }
}

}  // namespace
