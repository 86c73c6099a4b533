#pragma once
// The state file and the trace: what the game holds, by the names the tests read. Both come from
// one list of fields; the trace writes the few marked in it, once a frame.

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "engine/sprite.h"
#include "platform/draw_surface.h"
#include "platform/fake/fakes.h"
#include "shell/main_form.h"
#include "sim/logged_http.h"

// What the simulator measured over the run so far.
struct RunFigures {
    const std::vector<long>& rssKb;  // resident memory once a minute of game time
    int32_t maxSprites = 0;          // the most sprites on the road in one frame
    int32_t sdlPadEvents = 0;        // the game's events that came out of SDL's virtual pad
};

// What the game asked of the online side: the desktop's opens and the HTTP requests.
struct OnlineRecord {
    const std::vector<std::string>& linksOpened;
    const std::vector<LoggedRequest>& requests;
};

// Everything a field is read from.
struct StateSources {
    TMainForm& form;
    FakeWindow& window;
    IDrawSurface& surface;
    bool exited;                             // the program has ended
    const std::vector<std::string>& sounds;  // the sounds started so far, in order
    RunFigures figures;
    OnlineRecord online;
};

// The whole state as one JSON object, a field a line.
std::string StateJson(const StateSources& sources);

// One line of the trace: the frame, the virtual time, the trace's fields and the sounds started
// in that frame.
void WriteTraceLine(std::ostream& out, const StateSources& sources, uint64_t ms,
                    const std::vector<std::string>& frameSounds);

// The class of a sprite as the state's "sprites" counts it and the script's "remove" names it.
std::string ClassName(const TSprite& sprite);
