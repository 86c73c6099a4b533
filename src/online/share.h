#pragma once
// The exit promotion page. Until a distributor installs a page description there is nothing to
// show, and entering it ends the program.

#include "app/screen.h"

class ShareScreen : public IScreen {
public:
    using IScreen::IScreen;
    void Enter() override;
    void Frame(int32_t) override {}
    void Leave() override {}
    void CloseRequested() override;
    std::optional<MusicTrack> OwnMusic() const override { return std::nullopt; }
};
