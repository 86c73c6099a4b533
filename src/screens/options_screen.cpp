#include "screens/options_screen.h"

#include <vector>

#include "app/audio.h"
#include "app/game_state.h"
#include "screens/menu_sprites.h"
#include "screens/menu_system.h"
#include "screens/text_input.h"

namespace {

// The words of each line: the hand shows over both, the one not current switches.
constexpr HotRegion kWindowWord{173, 282, 258, 278};
constexpr HotRegion kFullScreenWord{301, 465, 258, 278};
constexpr HotRegion kMusicOnWord{150, 188, 287, 309};
constexpr HotRegion kMusicOffWord{206, 256, 287, 309};
constexpr HotRegion kSoundOnWord{160, 200, 317, 338};
constexpr HotRegion kSoundOffWord{216, 270, 317, 338};
constexpr HotRegion kCountryField{268, 467, 342, 370};
constexpr HotRegion kBack{187, 323, 523, 554};

constexpr HotRegion kWords[] = {kWindowWord,   kFullScreenWord, kMusicOnWord,
                                kMusicOffWord, kSoundOnWord,    kSoundOffWord};

// The keys' items in Tab order: the six words, the country field, Back.
constexpr HotRegion kItems[] = {kWindowWord,  kFullScreenWord, kMusicOnWord,  kMusicOffWord,
                                kSoundOnWord, kSoundOffWord,   kCountryField, kBack};
constexpr int32_t kFieldItem = 6;
constexpr int32_t kBackItem = 7;
const std::vector<FocusSpot> kSpots = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}, {4, 0}};

// The marker before the line the keys have lit, as the current words stay white.
constexpr int32_t kMarkerX = 44;
constexpr int32_t kLineY[] = {255, 285, 315, 345};

// The country text may grow while it is at most this wide (in the options' font) before the
// next character.
constexpr int32_t kCountryWidth = 180 - 15;

// The gamepad's letter chooser, under the country field.
constexpr int32_t kChooserCentre = 253;
constexpr int32_t kChooserTop = 392;

}  // namespace

void OptionsScreen::Enter() {
    BuildFrame({255, 320, false}, [&](TSpriteEngine& root) {
        CreateImageSprite<TImageSprite>(root, ctx.images, "Options_Country", 266, 340, 1);
        CreateImageSprite<TImageSprite>(root, ctx.images, "Options_Back_n", 187, 523, 1);
    });
    ctx.state.CursorBlink = 30;
    letters_.Reset();
    focus_.Clear();
    // A player without a country types it at once.
    ctx.state.GamegoEdit = ctx.state.Edit1.empty();
}

void OptionsScreen::Frame(int32_t lagCount) {
    BlinkTextCursor(ctx);
    letters_.Step(lagCount);
    DrawFrame();
    GameState& s = ctx.state;
    s.CountryName = s.Edit1;
    MenuText(ctx, s.CountryName, 269, 343, 18);
    MenuText(ctx, "OPTIONS", 195, 120, 20);
    // Each line in black, then its current choice again in white over its word.
    MenuText(ctx, "DISPLAY: WINDOW \\ FULL SCREEN", 62, 255, 18);
    if (s.GameFullScreen)
        MenuText(ctx, "FULL SCREEN", 301, 255, 18, kMenuWhite);
    else
        MenuText(ctx, "WINDOW", 175, 255, 18, kMenuWhite);
    MenuText(ctx, "MUSIC: ON \\ OFF", 62, 285, 18);
    if (s.GameMusic)
        MenuText(ctx, "ON", 151, 285, 18, kMenuWhite);
    else
        MenuText(ctx, "OFF", 208, 285, 18, kMenuWhite);
    MenuText(ctx, "SOUND: ON \\ OFF", 62, 315, 18);
    if (s.GameSound)
        MenuText(ctx, "ON", 162, 315, 18, kMenuWhite);
    else
        MenuText(ctx, "OFF", 219, 315, 18, kMenuWhite);
    MenuText(ctx, "YOUR COUNTRY:", 62, 345, 18);
    if (focus_.Any() && focus_.Lit() < kBackItem) MenuText(ctx, ">", kMarkerX, kLineY[focus_.Lit() / 2], 18);
    if (s.GamegoEdit && letters_.Shown()) letters_.Draw(ctx, kChooserCentre, kChooserTop);
}

void OptionsScreen::Leave() {
    SubScreen::Leave();
    ctx.state.GamegoEdit = false;
    ctx.host.SaveConfig();
}

void OptionsScreen::KeyDown(int32_t key, uint32_t shift) {
    if (key == kVkEscape) {
        ctx.host.SetScreenState(Screen::MainMenu);
        return;
    }
    const FocusKey move = FocusKeyOf(key, shift);
    if (move == FocusKey::Choose) {
        if (focus_.Any()) ClickAt(CentreX(kItems[focus_.Lit()]), CentreY(kItems[focus_.Lit()]));
        return;
    }
    const bool wasLit = focus_.Any();
    if (!focus_.Move(move, kSpots)) return;
    ShowLit();
    // Left and Right switch the line they move along; the first key only lights a word.
    if (wasLit && (move == FocusKey::Left || move == FocusKey::Right))
        ClickAt(CentreX(kItems[focus_.Lit()]), CentreY(kItems[focus_.Lit()]));
}

void OptionsScreen::ShowLit() {
    BeginKeyHover(ctx);
    GameState& s = ctx.state;
    // As a click in the field or elsewhere: the field takes typing while lit, and a country
    // already there ends its editing when the light moves on.
    if (focus_.Lit() == kFieldItem)
        s.GamegoEdit = true;
    else if (!s.Edit1.empty())
        s.GamegoEdit = false;
    if (focus_.Lit() == kBackItem) HoverItem<HelpGame_Back>(ctx, "Help_Back_p", 187, 523, 2);
}

void OptionsScreen::Char(char c) {
    GameState& s = ctx.state;
    if (!s.GamegoEdit) return;
    if (c == static_cast<char>(kVkBack)) {
        if (!s.Edit1.empty()) s.Edit1.pop_back();
        return;
    }
    // Measured on the text as it stands now, not as the last frame drew it, so that characters
    // arriving together (a paste) still stop at the field's end.
    if (!IsFieldCharacter(c) || s.Edit1.size() >= kFieldLength) return;
    if (MenuTextWidth(ctx, s.Edit1, 18) > kCountryWidth) return;
    s.Edit1 += c;
}

void OptionsScreen::PointerMove(int32_t x, int32_t y) {
    focus_.Clear();
    BeginMenuPointerMove(ctx);
    if (LeftPanel(x, y, true)) return;
    if (kBack.Contains(x, y)) {
        HoverItem<HelpGame_Back>(ctx, "Help_Back_p", 187, 523, 2);
        return;
    }
    ArmHover(ctx);
    for (const HotRegion& word : kWords)
        if (word.Contains(x, y)) ctx.window.SetPointer(PointerShape::Hand);
    if (kCountryField.Contains(x, y)) ctx.window.SetPointer(PointerShape::IBeam);
}

void OptionsScreen::PointerDown(MouseButton button) {
    if (button == MouseButton::Left) ClickAt(ctx.state.MouseX, ctx.state.MouseY);
}

void OptionsScreen::ClickAt(int32_t x, int32_t y) {
    GameState& s = ctx.state;
    // Any click ends the editing of a country already there.
    if (!s.Edit1.empty()) s.GamegoEdit = false;
    if (kWindowWord.Contains(x, y) && s.GameFullScreen) {
        ctx.host.GameFullScreenClick();
    } else if (kFullScreenWord.Contains(x, y) && !s.GameFullScreen) {
        ctx.host.GameFullScreenClick();
    } else if (kMusicOnWord.Contains(x, y) && !s.GameMusic) {
        ctx.host.GameMusicClick();
        ctx.audio.PlayMusic(MusicTrack::Menu);
    } else if (kMusicOffWord.Contains(x, y) && s.GameMusic) {
        ctx.host.GameMusicClick();
        ctx.audio.StopMusic();
    } else if ((kSoundOnWord.Contains(x, y) && !s.GameSound) ||
               (kSoundOffWord.Contains(x, y) && s.GameSound)) {
        ctx.host.GameSoundClick();
    } else if (kCountryField.Contains(x, y)) {
        s.GamegoEdit = true;
    } else if (kBack.Contains(x, y)) {
        ctx.host.SetScreenState(Screen::MainMenu);
    } else {
        return;
    }
    // After the switch, so turning the sound off is silent and turning it on is heard.
    ClickSound(ctx);
}

bool OptionsScreen::PadInput(const InputEvent& event) {
    return letters_.Take(event, ctx.state.GamegoEdit, LetterChooser::FieldOf(*this));
}
