#pragma once
// SDL's events to the game's input events, each translated once, here.

#include <SDL.h>

#include <functional>

#include "base/input.h"

class SdlWindow;

// Hands the game's events for one SDL event to `deliver`: none for events the game does not
// use, one a character for typed text. Pointer positions come out in surface pixels (mapped
// through the full-screen scaling of `window`).
void TranslateEvent(const SDL_Event& event, const SdlWindow& window,
                    const std::function<void(const InputEvent&)>& deliver);
