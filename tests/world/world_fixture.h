#pragma once
// A road to put objects on: the real main pack and sound pack, the game state, the window's
// timers, the polled input over a fake keyboard, and a game flow that counts lost cars.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/audio.h"
#include "app/game_state.h"
#include "app/input_states.h"
#include "app/timers.h"
#include "engine/image_list.h"
#include "engine/sprite.h"
#include "engine/wave_list.h"
#include "platform/fake/fakes.h"
#include "world/world.h"

class RecordingFlow {
public:
    void ByeByeMyCar() { ++carsLost; }
    uint64_t Now() const { return now; }
    int carsLost = 0;
    uint64_t now = 1000;
};

class WorldTest : public ::testing::Test {
protected:
    WorldTest()
        : audio(state, waves, nullptr, VANDRAX_DATA), input(keyboard, pad), world{state,
                                                                                  images,
                                                                                  audio,
                                                                                  timers,
                                                                                  input,
                                                                                  [this] { flow.ByeByeMyCar(); },
                                                                                  [this] { return flow.Now(); },
                                                                                  engine.Engine()} {
        audio.RecordSounds = true;
        images.LoadPack(std::string(VANDRAX_DATA) + "/Data/GraphicsMain.dxg");
        waves.Initialize(&device);
        waves.LoadPack(std::string(VANDRAX_DATA) + "/Data/Sound.dxw");
        // The state as a game in progress has it: level 1, driving, the car on its row.
        state.Level = 1;
        state.Lives = 3;
        state.Health = 100;
        state.Driving = true;
        state.StartBlink = false;
        state.LevelLength = 20000;
        state.PlayerX = 400;
        state.PlayerY = 399;
        state.PlayerZ = 4;
    }
    ~WorldTest() override { engine.Engine().FreeChildren(); }

    TSpriteEngine& Root() { return engine.Engine(); }
    // Runs the move pass once (every sprite's Step) and frees the dead, as a game frame does.
    void Frame(int32_t lag = 3) {
        engine.MoveWorld(lag);
        engine.RemoveDead();
    }
    // The live sprites of class T under the root.
    template <class T>
    std::vector<T*> All() {
        std::vector<T*> found;
        for (int32_t i = 0; i < Root().ChildCount(); ++i)
            if (auto* s = dynamic_cast<T*>(Root().ChildAt(i)); s != nullptr && !s->Dead()) found.push_back(s);
        return found;
    }
    template <class T>
    int Count() {
        return static_cast<int>(All<T>().size());
    }
    const std::vector<std::string>& Sounds() const { return audio.SoundsPlayed; }
    void ClearSounds() { audio.SoundsPlayed.clear(); }

    GameState state;
    TDXSpriteEngine engine;
    TPictureCollection images;
    ManualClock clock;
    RecordingSoundDevice device{clock};
    TWaveCollection waves;
    GameAudio audio;
    WindowTimers timers;
    FakeKeyboard keyboard;
    PadState pad;
    TDXInput input;
    RecordingFlow flow;
    WorldContext world;
};
