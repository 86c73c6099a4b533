#pragma once
// One simulator run: the game on the fake platform and a virtual clock, the script's events
// delivered on time, the autopilot's hands, the trace and the screenshots; or the timedemo, as
// fast as the machine goes.

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/fake/fakes.h"
#include "platform/fake/online_fakes.h"
#include "platform/sdl/sdl_pictures.h"
#include "shell/main_form.h"
#include "sim/logged_http.h"
#include "sim/sim_options.h"
#include "sim/sim_script.h"
#include "sim/sim_state.h"
#include "sim/virtual_pad.h"

struct SDL_Surface;
class SdlDrawSurface;
class XmpMusicPlayer;
class CurlHttpClient;

class Simulation {
public:
    explicit Simulation(const SimOptions& options);
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // The main window made and shown; with --play, the game screen; the trace file opened.
    void Start();
    // Runs virtual time up to --until-ms, a millisecond at a time. False when a --state-at file
    // could not be written.
    bool Run(const std::vector<SimEvent>& events);
    // As fast as possible: every iteration is one frame of virtual time. Prints what it measured.
    bool TimeDemo();
    // The state JSON as it stands now; false (and a message) when the file cannot be written.
    bool WriteState(const std::string& file);
    // A game still being played ends here and is kept, as when the window closes. With --record:
    // the first game's replay. False (and a message) when it could not be written, or no game was
    // played.
    bool FinishRecord();

private:
    StateSources Sources();
    void Deliver(const InputEvent& event);
    void Deliver(const SimEvent& event);
    void SetValue(const SimEvent& event);
    void Remove(const SimEvent& event);
    void Spawn(const SimEvent& event);
    void Drive();
    void Tick();
    bool Screenshot(const std::string& file);
    // The --state-at files due by the clock's time; with `all`, the rest too, as the run ended
    // before their moments.
    void WriteStatesDue(bool all);

    const SimOptions& options_;
    ManualClock clock_;
    FakeWindow window_;
    FakeKeyboard keyboard_;
    SDL_Surface* surfacePixels_ = nullptr;
    std::unique_ptr<SdlDrawSurface> surface_;
    std::unique_ptr<RecordingSoundDevice> sound_;
    std::unique_ptr<XmpMusicPlayer> music_;
    ScriptedHttpClient offline_;
    std::unique_ptr<CurlHttpClient> curl_;
    std::unique_ptr<LoggedHttp> http_;
    RecordingDesktop desktop_;
    SdlPictureLoader pictures_;
    Platform platform_;
    std::unique_ptr<TMainForm> form_;
    std::unique_ptr<VirtualPad> pad_;
    // The state file keeps the first sounds of a run; a long run does not grow for ever.
    static constexpr size_t kSoundsKept = 20000;
    std::vector<std::string> sounds_;
    std::vector<std::string> frameSounds_;
    std::ofstream trace_;
    size_t warpsSeen_ = 0;
    std::vector<std::pair<uint64_t, std::string>> statesAt_;  // in time order
    size_t nextStateAt_ = 0;
    bool stateAtFailed_ = false;
    std::vector<long> rssKb_;
    bool recorded_ = false;
    std::string recordError_;
    int32_t maxSprites_ = 0;
};
