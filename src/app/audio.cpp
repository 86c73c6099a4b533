#include "app/audio.h"

#include "app/game_state.h"
#include "engine/wave_list.h"
#include "platform/music_player.h"

GameAudio::GameAudio(GameState& state, TWaveCollection& waves, IMusicPlayer* music,
                     std::filesystem::path dataRoot)
    : state_(state), waves_(waves), music_(music), dataRoot_(std::move(dataRoot)) {}

GameAudio::~GameAudio() {
    StopMusic();
}

void GameAudio::PlaySound(const std::string& name, bool wait) {
    if (!state_.GameSound) return;
    if (WavesIncomplete && waves_.Find(name) == nullptr) return;
    waves_.FindWave(name).PlayWave(wait);
    if (RecordSounds) SoundsPlayed.push_back(name);
}

void GameAudio::StopSound(const std::string& name) {
    if (name == "all") {
        for (int32_t i = 0; i < waves_.Count(); ++i) waves_.Item(i).StopWave();
        return;
    }
    if (WavesIncomplete && waves_.Find(name) == nullptr) return;
    waves_.FindWave(name).StopWave();
}

void GameAudio::PlayMusic(MusicTrack track) {
    if (!state_.GameMusic || music_ == nullptr) return;
    LastMusicOrder = 0;
    StopMusic();
    const char* name = track == MusicTrack::Game       ? "Main"
                       : track == MusicTrack::GameOver ? "GameOver"
                                                       : "Menu";
    MusicHandle = music_->SongLoadFromFile((dataRoot_ / "Music" / (std::string(name) + ".xm")).string());
    if (MusicHandle != 0) {
        music_->SongPlay(MusicHandle);
        MusicName = name;
    }
}

void GameAudio::StopMusic() {
    if (MusicHandle != 0 && music_ != nullptr) music_->SongFree(MusicHandle);
    MusicHandle = 0;
    MusicName.clear();
}

void GameAudio::MusicRestartRule(std::optional<MusicTrack> track) {
    if (MusicHandle == 0 || music_ == nullptr) return;
    const int32_t order = music_->SongGetOrder(MusicHandle);
    if (order != 0 || LastMusicOrder == 0) {
        LastMusicOrder = order;
        return;
    }
    if (track) PlayMusic(*track);
}
