#pragma once
// The desktop's "open" through SDL_OpenURL: on Linux it starts xdg-open with the address as its
// one argument, without a shell, and does not wait for it.

#include "platform/desktop.h"

class SdlDesktop : public IDesktop {
public:
    void OpenUrl(const std::string& url) override;
};
