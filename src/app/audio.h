#pragma once
// The game's sound and music operations: sound effects by name from the sound pack, the three
// modules by track, and the rule that starts a module over once it has played through.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/screens.h"

class IMusicPlayer;
class TWaveCollection;
struct GameState;

class GameAudio {
public:
    GameAudio(GameState& state, TWaveCollection& waves, IMusicPlayer* music, std::filesystem::path dataRoot);
    ~GameAudio();
    GameAudio(const GameAudio&) = delete;
    GameAudio& operator=(const GameAudio&) = delete;

    // Nothing while the sound is switched off. Throws "Wave '%s' not found".
    void PlaySound(const std::string& name, bool wait = false);
    // "all" stops every sound item.
    void StopSound(const std::string& name);
    // Nothing while the music is switched off; a module that cannot be loaded stays silent.
    void PlayMusic(MusicTrack track);
    void StopMusic();
    // Run after every frame: back at order 0 after a later one, the module has played
    // through, so `track` (the current screen's own, none on the promotion page) starts over.
    void MusicRestartRule(std::optional<MusicTrack> track);

    // What happened, for the simulator's state and the tests. Sounds are recorded only while
    // RecordSounds is set (the game itself keeps no list that would grow for ever).
    bool RecordSounds = false;
    // The sound pack could only be read in part (and the player was told which file): a sound
    // it lacks is silence, not an error.
    bool WavesIncomplete = false;
    std::vector<std::string> SoundsPlayed;
    std::string MusicName;  // the module last started, empty when none
    int32_t MusicHandle = 0;
    int32_t LastMusicOrder = 0;

private:
    GameState& state_;
    TWaveCollection& waves_;
    IMusicPlayer* music_;
    std::filesystem::path dataRoot_;
};
