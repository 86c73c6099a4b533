#include "headless/replay_check.h"

#include "base/errors.h"
#include "platform/fake/fakes.h"
#include "shell/main_form.h"

namespace {

class QuietTexture : public ITexture {
public:
    QuietTexture(int32_t width, int32_t height) : width_(width), height_(height) {}
    int32_t Width() const override { return width_; }
    int32_t Height() const override { return height_; }

private:
    int32_t width_;
    int32_t height_;
};

// Draws nothing and keeps nothing: a replay checked headless has nobody to show it to.
class QuietSurface : public IDrawSurface {
public:
    int32_t Width() const override { return 800; }
    int32_t Height() const override { return 600; }
    std::unique_ptr<ITexture> CreateTexture(const uint32_t*, int32_t width, int32_t height) override {
        return std::make_unique<QuietTexture>(width, height);
    }
    void Draw(ITexture&, const Rect&, const Rect&, int32_t) override {}
    void DrawRotated(ITexture&, const Rect&, const Rect&, double, int32_t) override {}
    void FillRect(const Rect&, uint32_t) override {}
    void DrawText(std::string_view, int32_t, uint32_t, int32_t, int32_t, std::string_view) override {}
    int32_t TextWidth(std::string_view, int32_t size, std::string_view text) override {
        return static_cast<int32_t>(text.size()) * size / 2;
    }
    int32_t TextHeight(std::string_view, int32_t size) override { return size * 3 / 2; }
    void Present() override {}
    void Restore() override {}
};

}  // namespace

struct ReplayChecker::Impl {
    ManualClock clock;
    FakeWindow window;
    FakeKeyboard keyboard;
    QuietSurface surface;
    RecordingSoundDevice sound{clock};
    FakeMusicPlayer music;
    Platform platform;
    std::unique_ptr<TMainForm> form;
};

ReplayChecker::ReplayChecker(std::filesystem::path dataRoot, std::string version) : impl_(new Impl) {
    Impl& i = *impl_;
    i.sound.recordStarts = false;
    i.platform.window = &i.window;
    i.platform.surface = &i.surface;
    i.platform.sound = &i.sound;
    i.platform.music = &i.music;
    i.platform.keyboard = &i.keyboard;
    i.platform.clock = &i.clock;
    i.platform.dataRoot = std::move(dataRoot);
    i.platform.version = std::move(version);
    i.platform.checkData = false;
    i.form = std::make_unique<TMainForm>(i.platform);
    i.form->FormCreate();
    i.form->Show();
    // Without the menu's pack the game does not start, and nothing can be checked.
    if (i.form->Terminated()) {
        const std::string why = i.form->Errors.empty() ? "the game did not start" : i.form->Errors.front();
        delete impl_;
        throw GameError(why);
    }
    i.form->Errors.clear();
}

ReplayChecker::~ReplayChecker() {
    delete impl_;
}

const std::array<uint8_t, 32>& ReplayChecker::DataId() {
    return impl_->form->DataId();
}

ReplayOutcome ReplayChecker::Play(const Replay& replay, int64_t maxFrames) {
    ReplayOutcome outcome;
    TMainForm& form = *impl_->form;
    try {
        form.CheckReplayPlays(replay.start);
    } catch (const GameError& error) {
        outcome.error = error.what();
        return outcome;
    }
    const size_t errorsBefore = form.Errors.size();
    ReplayCursor cursor(replay);
    form.BeginWatching(replay.start, Screen::MainMenu);
    int64_t frames = 0;
    while (form.PlayReplayFrame(cursor))
        if (maxFrames > 0 && ++frames >= maxFrames) {
            form.StopWatching();
            outcome.error = "the replay runs longer than it may";
            break;
        }
    outcome.end = form.WatchedEnd;
    if (form.Errors.size() > errorsBefore && outcome.error.empty()) outcome.error = form.Errors[errorsBefore];
    form.Errors.resize(errorsBefore);
    outcome.matches = outcome.error.empty() && outcome.end == replay.end;
    return outcome;
}
