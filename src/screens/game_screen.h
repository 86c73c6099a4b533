#pragma once
// The game screen: the road and everything on it.

#include "app/screen.h"

class GameScreen : public IScreen {
public:
    using IScreen::IScreen;
    void Enter() override;
    void Frame(int32_t lagCount) override;
    void Leave() override;
    void CloseRequested() override;
    std::optional<MusicTrack> OwnMusic() const override { return MusicTrack::Game; }
};
