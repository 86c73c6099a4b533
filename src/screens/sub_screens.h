#pragma once
// The sub-screens whose own pages are still to come (clan choice, help, options, high scores,
// game over): a black page with whatever sprites they hold, and their leave actions.

#include "app/screen.h"

class BlankSubScreen : public IScreen {
public:
    // saveOnLeave: options, high scores and game over write the settings file when left.
    BlankSubScreen(const ScreenContext& context, Screen which) : IScreen(context), which_(which) {}
    void Enter() override {}
    void Frame(int32_t lagCount) override;
    void Leave() override;
    std::optional<MusicTrack> OwnMusic() const override;

private:
    Screen which_;
};

// The game-over page: for now a black page with the game-over music that goes back to the main
// menu after 5000 ms.
class GameOverScreen : public BlankSubScreen {
public:
    explicit GameOverScreen(const ScreenContext& context) : BlankSubScreen(context, Screen::GameOver) {}
    void Enter() override;
    void Timer1() override;
};
