#include "app/main_form.h"

#include <cstdio>
#include <iostream>

#include "app/settings_file.h"
#include "base/errors.h"
#include "platform/clock.h"
#include "platform/draw_surface.h"
#include "platform/music_player.h"
#include "platform/sound_device.h"
#include "platform/window.h"
#include "screens/main_menu.h"
#include "screens/menu_sprites.h"

namespace {

const char* const kCaption = "Vandrax";
const char* const kPausedCaption = "Vandrax [Pause]";
const char* const kMenuPack = "Data/GraphicsMenu.dxg";
const char* const kMainPack = "Data/GraphicsMain.dxg";
const char* const kSoundPack = "Data/Sound.dxw";

// Fills a text up with "%" to a multiple of 5 characters, as the settings file stores it.
void FillToFive(std::string& text) {
    if (text.empty()) return;
    while (text.size() % 5 != 0) text += '%';
}

}  // namespace

TMainForm::TMainForm(const Platform& platform) : platform_(platform) {
    HighScores = DefaultHighScores();
    auto guarded = [this](void (TMainForm::*handler)()) {
        return [this, handler] { Guard([&] { (this->*handler)(); }); };
    };
    Timer1.OnTimer = guarded(&TMainForm::Timer1Timer);
}

TMainForm::~TMainForm() {
    SpriteEngine.Engine().FreeChildren();
    if (MusicHandle != 0 && platform_.music != nullptr) platform_.music->SongFree(MusicHandle);
}

uint64_t TMainForm::Now() const { return platform_.clock != nullptr ? platform_.clock->Milliseconds() : 0; }

std::string TMainForm::DataPath(const std::string& relative) const {
    return (platform_.dataRoot / relative).string();
}

std::filesystem::path TMainForm::ConfigFile() const { return ConfigPath(platform_.settingsFolder); }

void TMainForm::ReportError(const std::string& message) {
    Errors.push_back(message);
    std::fprintf(stderr, "vandrax: %s\n", message.c_str());
    if (platform_.window != nullptr) platform_.window->ShowMessage(message);
}

// ---------------------------------------------------------------------------------------------
// Start-up and the platform's events

void TMainForm::FormCreate() {
    // An error here skips the rest of start-up; the window opens anyway.
    Guard([&] {
        TextFontName = "Arial";
        ResizePending = false;
        platform_.window->SetCaption(kCaption);
        platform_.window->SetPointer(PointerShape::None);
        LoadGraphicsPack(kMenuPack);
        ImageList.BuildColorTable();
        Clan = 1;
        GameOverPending = false;
        Paused = false;
        GamegoEdit = GameMainExit = GameEnterName = GameSendResult = GameClearHighScore = GameFullScreen = false;
        GameSound = GameMusic = true;
        ResetHighScores();
        LoadConfig();
        SetScreenState(1);
    });
}

void TMainForm::Show() {
    if (!surfaceReady_) Guard([&] { DXDrawInitialize(); });
}

bool TMainForm::Idle() {
    const uint64_t now = Now();
    for (TTimer* timer : WindowTimers()) timer->Poll(now);
    if (terminated_) return false;
    const int32_t lag = DXTimer.Poll(now);
    if (lag <= 0) return false;
    DXTimerTimer(lag);
    return true;
}

uint64_t TMainForm::NextDueAt() const {
    uint64_t due = DXTimer.DueAt();
    for (const TTimer* timer : WindowTimers()) due = std::min(due, timer->DueAt());
    return due;
}

void TMainForm::FormKeyDown(int key, uint32_t shift) {
    Guard([&] {
        const bool alt = (shift & kShiftAlt) != 0;
        switch (ScreenState) {
            case 1:
                if (key == kVkEscape || (key == kVkReturn && !alt)) SetScreenState(2);
                break;
            default:
                break;
        }
        if (alt && key == kVkReturn) GameFullScreenClick();
    });
}

void TMainForm::FormKeyPress(char) {}

void TMainForm::DXDrawMouseMove(int32_t x, int32_t y) {
    Guard([&] {
        MouseX = x;
        MouseY = y;
    });
}

void TMainForm::DXDrawMouseDown(MouseButton button, int32_t, int32_t) {
    // Clicks act where the last pointer move left MouseX and MouseY, not at their own position.
    Guard([&] {
        if (ScreenState == 1 && button == MouseButton::Left) SetScreenState(2);
    });
}

void TMainForm::FormCloseQuery() {
    Guard([&] {
        switch (ScreenState) {
            case 2:
                if (!GameMainExit) {
                    GameMainExitClick();
                    PlaySound("button_down");
                }
                break;
            case 4:
                PlaySound("button_down");
                if (!GameMainExit) GameMainExitClick();
                break;
            case 9:
                // The promotion page lets the window close once its countdown has run out.
                if (PromoCountdown <= 1) terminated_ = true;
                break;
            default:
                break;
        }
    });
}

void TMainForm::SetApplicationActive(bool active) {
    Guard([&] {
        if (active == DXTimer.Active()) return;
        DXTimer.SetActive(active, Now());
        if (active)
            DXTimerActivate();
        else
            DXTimerDeactivate();
    });
}

void TMainForm::FormResize(bool maximized) {
    if (maximized) ResizePending = true;
}

void TMainForm::SurfaceRestored() {
    Guard([&] { ImageList.Restore(); });
}

// ---------------------------------------------------------------------------------------------
// Screens

void TMainForm::ClearSpriteWorld() { SpriteEngine.Engine().FreeChildren(); }

void TMainForm::SetScreenState(uint8_t value) {
    LeaveState(ScreenState);
    ScreenState = value;
    EnterState(value);
}

void TMainForm::EnterState(uint8_t value) {
    switch (value) {
        case 1:
            ShowSplash();
            break;
        case 2:
            BuildMainMenu(*this);
            break;
        case 4:
            // Entering the game swaps in the road's pictures.
            LoadGraphicsPack(kMainPack);
            ImageList.BuildColorTable();
            PlayMusic(2);
            break;
        case 9:
            ShowShareScreen();
            break;
        default:
            // The clan choice, help, options, high-score and game-over screens build their sprites here.
            break;
    }
}

void TMainForm::LeaveState(uint8_t value) {
    switch (value) {
        case 1:
        case 2:
        case 3:
        case 5:
            ClearSpriteWorld();
            break;
        case 4:
            LeaveGame();
            break;
        case 6:
            ClearSpriteWorld();
            GamegoEdit = false;
            SaveConfig();
            break;
        case 7:
            ClearSpriteWorld();
            SaveConfig();
            break;
        case 10:
            ClearSpriteWorld();
            GameOverPending = false;
            GameEnterName = GamegoEdit = GameSendResult = false;
            SaveConfig();
            break;
        default:  // 0 during creation, 9 never leaves
            break;
    }
}

void TMainForm::MenuFrame() {
    SpriteEngine.MoveWorld(16);
    SpriteEngine.RemoveDead();
    SpriteEngine.Render();
}

void TMainForm::ShowSplash() {
    BackFromGame = false;
    PlayMusic(1);
    TSpriteEngine& root = SpriteEngine.Engine();
    CreateTiledBackground(root, ImageList, "mySplash_fon");
    CreateImageSprite<TImageSprite>(root, ImageList, "mySplash", 252, 270, 100);
    Timer1.SetEnabled(true, Now());
}

void TMainForm::Timer1Timer() {
    Timer1.SetEnabled(false, Now());
    if (ScreenState == 1) SetScreenState(2);
}

void TMainForm::LeaveGame() {
    ClearSpriteWorld();
    BackFromGame = true;
    StopSound("all");
    LoadGraphicsPack(kMenuPack);
    ImageList.BuildColorTable();
}

void TMainForm::ShowShareScreen() {
    // The promotion page has nothing to show yet: the program ends here.
    PromoCountdown = 0;
    FormCloseQuery();
}

void TMainForm::LoadGraphicsPack(const std::string& relative) {
    PacksLoaded.push_back(relative);
    ImageList.LoadPack(DataPath(relative));
}

// ---------------------------------------------------------------------------------------------
// Frame loop

void TMainForm::DXTimerTimer(int32_t lagCount) {
    if (!surfaceReady_) return;
    // An error abandons this frame; the next one runs normally.
    Guard([&] {
        if (ScreenState == 6 || ScreenState == 10) CursorBlink = static_cast<uint8_t>((CursorBlink + 1) % 30);
        if (ResizePending) {
            ResizePending = false;
            if (platform_.window->IsMaximized()) GameFullScreenClick();
        }
        switch (ScreenState) {
            case 1:
            case 2:
                MenuFrame();
                break;
            case 4:
                SpriteEngine.MoveWorld(lagCount);
                SpriteEngine.Render();
                SpriteEngine.RemoveDead();
                break;
            case 3:
            case 5:
            case 6:
            case 7:
            case 10:
                SpriteEngine.MoveWorld(16);
                SpriteEngine.RemoveDead();
                platform_.surface->FillRect(Rect{0, 0, 800, 600}, 0x000000);
                SpriteEngine.Render();
                break;
            default:
                break;
        }
        if (!surfaceReady_) return;
        platform_.surface->Present();
        ++FramesDrawn;
        MusicRestartRule();
    });
}

void TMainForm::UpdateCaption() {
    platform_.window->SetCaption(!DXTimer.Active() || GameMainExit ? kPausedCaption : kCaption);
}

void TMainForm::DXTimerActivate() { UpdateCaption(); }

void TMainForm::DXTimerDeactivate() { UpdateCaption(); }

void TMainForm::DXDrawInitialize() {
    platform_.window->ShowNormal();
    surfaceReady_ = true;
    SpriteEngine.SurfaceInitialized(platform_.surface);
    if (!ImageList.Bound()) ImageList.Initialize(platform_.surface);
    DXTimer.SetEnabled(true, Now());
    // The sound pack is read again at every initialisation of the drawing surface.
    DXWaveList.Initialize(platform_.sound);
    ++SoundPackLoads;
    // A sound pack that cannot be read is reported here and the switch still completes; every
    // sound asked for later reports its own missing wave.
    Guard([&] { DXWaveList.LoadPack(DataPath(kSoundPack)); });
}

void TMainForm::DXDrawFinalize() {
    DXTimer.SetEnabled(false, Now());
    SpriteEngine.SurfaceFinalized();
    surfaceReady_ = false;
}

void TMainForm::GameFullScreenClick() {
    GameFullScreen = !GameFullScreen;
    GamegoEdit = false;
    IWindow& window = *platform_.window;
    DXDrawFinalize();
    if (GameFullScreen) {
        if (!window.IsFullScreen()) window.StorePlacement();
        window.SetFullScreen(true);
    } else {
        const bool wasFullScreen = window.IsFullScreen();
        window.SetFullScreen(false);
        if (wasFullScreen) window.RestorePlacement();
    }
    DXDrawInitialize();
}

void TMainForm::GameSoundClick() { GameSound = !GameSound; }

void TMainForm::GameMusicClick() { GameMusic = !GameMusic; }

void TMainForm::GameMainExitClick() {
    if (Paused) return;
    if (ScreenState != 2 && ScreenState != 4 && ScreenState != 5 && ScreenState != 6 && ScreenState != 7) return;
    GameMainExit = !GameMainExit;
    if (GameMainExit) {
        Driving = false;
        UpdateCaption();
        platform_.window->SetPointer(PointerShape::Hand);
        PlaySound("pause");
        TSpriteEngine& root = SpriteEngine.Engine();
        TPictureCollectionItem& panel = ImageList.FindImage("Exit_Main");
        // The panel sits 5 px above the centre; the question goes on top of it.
        CreateImageSprite<TMainExit>(root, ImageList, "Exit_Main", (800 - panel.PatternWidth()) / 2.0,
                                     (600 - panel.PatternHeight()) / 2.0 - 5, 901);
        CreateImageSprite<TMainExit_Word>(root, ImageList, "Exit_Main_Word", 235, 220, 902);
    } else {
        UpdateCaption();
        platform_.window->SetPointer(PointerShape::None);
        PlaySound("after_pause");
        KillMenuSprites(SpriteEngine.Engine());
    }
}

// ---------------------------------------------------------------------------------------------
// Sound and music

void TMainForm::PlaySound(const std::string& name, bool wait) {
    if (!GameSound) return;
    DXWaveList.FindWave(name).PlayWave(wait);
    SoundsPlayed.push_back(name);
}

void TMainForm::StopSound(const std::string& name) {
    if (name == "all") {
        for (int32_t i = 0; i < DXWaveList.Count(); ++i) DXWaveList.Item(i).StopWave();
        return;
    }
    DXWaveList.FindWave(name).StopWave();
}

void TMainForm::PlayMusic(int32_t number) {
    if (!GameMusic || platform_.music == nullptr) return;
    LastMusicOrder = 0;
    if (MusicHandle != 0) {
        platform_.music->SongFree(MusicHandle);
        MusicHandle = 0;
        MusicName.clear();
    }
    const char* name = number == 2 ? "Main" : number == 3 ? "GameOver" : "Menu";
    MusicHandle = platform_.music->SongLoadFromFile(DataPath(std::string("Music/") + name + ".xm"));
    if (MusicHandle != 0) {
        platform_.music->SongPlay(MusicHandle);
        MusicName = name;
    }
}

void TMainForm::StopMusic() {
    if (MusicHandle != 0 && platform_.music != nullptr) platform_.music->SongFree(MusicHandle);
    MusicHandle = 0;
    MusicName.clear();
}

void TMainForm::MusicRestartRule() {
    if (MusicHandle == 0 || platform_.music == nullptr) return;
    const int32_t order = platform_.music->SongGetOrder(MusicHandle);
    if (order != 0 || LastMusicOrder == 0) {
        LastMusicOrder = platform_.music->SongGetOrder(MusicHandle);
        return;
    }
    // Back at order 0 after a later one: the module has played through. Start the screen's own.
    switch (ScreenState) {
        case 4:
            PlayMusic(2);
            break;
        case 10:
            PlayMusic(3);
            break;
        case 9:
            break;
        default:
            PlayMusic(1);
            break;
    }
}

// ---------------------------------------------------------------------------------------------
// Settings and high scores

void TMainForm::ResetHighScores() {
    HighScores = DefaultHighScores();
    SetScreenState(7);
}

ConfigValues TMainForm::CurrentSettings() const {
    ConfigValues values;
    values.fullScreen = GameFullScreen;
    values.music = GameMusic;
    values.sound = GameSound;
    values.country = Edit1;
    values.name = Edit2;
    values.highScores = HighScores;
    return values;
}

void TMainForm::LoadConfig() {
    ConfigValues values = CurrentSettings();
    ConfigReadResult result;
    if (!ReadConfigFile(ConfigFile(), values, result)) return;
    for (const std::string& problem : result.problems) std::fprintf(stderr, "vandrax: %s\n", problem.c_str());
    if (result.switchToFullScreen) GameFullScreenClick();
    GameMusic = values.music;
    GameSound = values.sound;
    Edit1 = CountryName = values.country;
    Edit2 = PlayerName = values.name;
    HighScores = values.highScores;
}

void TMainForm::SaveConfig() {
    // The filling stays on the mirrors until they are next refreshed from the text fields.
    CountryName = Edit1;
    FillToFive(CountryName);
    PlayerName = Edit2;
    FillToFive(PlayerName);
    try {
        WriteConfigFile(ConfigFile(), FormatConfig(CurrentSettings()));
    } catch (const GameError& error) {
        // An unwritable settings folder is told once; the game runs on with its settings in memory.
        if (settingsWriteReported_) {
            std::fprintf(stderr, "vandrax: %s\n", error.what());
            return;
        }
        settingsWriteReported_ = true;
        ReportError(error.what());
    }
}
