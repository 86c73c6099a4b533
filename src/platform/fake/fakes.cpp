#include "platform/fake/fakes.h"

#include <filesystem>

namespace {

class RecordingBuffer : public ISoundBuffer {
public:
    RecordingBuffer(RecordingSoundDevice& device, uint64_t lengthMs, int number)
        : device_(device), lengthMs_(lengthMs), number_(number) {}
    void Play(bool looped) override {
        looped_ = looped;
        playing_ = true;
        startedAt_ = device_.Clock().now;
        if (device_.recordStarts) device_.starts.push_back({number_, looped});
    }
    void Stop() override { playing_ = false; }
    bool IsPlaying() const override {
        return playing_ && (looped_ || device_.Clock().now < startedAt_ + lengthMs_);
    }
    std::unique_ptr<ISoundBuffer> Duplicate() override {
        return std::make_unique<RecordingBuffer>(device_, lengthMs_, ++device_.buffersMade);
    }

private:
    RecordingSoundDevice& device_;
    uint64_t lengthMs_;
    int number_;
    bool playing_ = false;
    bool looped_ = false;
    uint64_t startedAt_ = 0;
};

class FakeTexture : public ITexture {
public:
    FakeTexture(int32_t w, int32_t h, int number) : w_(w), h_(h), number_(number) {}
    int32_t Width() const override { return w_; }
    int32_t Height() const override { return h_; }
    int Number() const { return number_; }

private:
    int32_t w_;
    int32_t h_;
    int number_;
};

}  // namespace

std::unique_ptr<ISoundBuffer> RecordingSoundDevice::CreateBuffer(const WaveData& wave) {
    const uint32_t bytesPerSecond =
        wave.bytesPerSecond != 0 ? wave.bytesPerSecond : wave.sampleRate * wave.blockAlign;
    const uint64_t lengthMs = bytesPerSecond != 0 ? wave.samples.size() * 1000ull / bytesPerSecond : 0;
    return std::make_unique<RecordingBuffer>(*this, lengthMs, ++buffersMade);
}

int32_t FakeMusicPlayer::SongLoadFromFile(const std::string& path) {
    loaded.push_back(path);
    if (failLoads || !std::filesystem::is_regular_file(path)) return 0;
    live.insert(++next_);
    return next_;
}

void FakeMusicPlayer::SongPlay(int32_t handle) {
    if (live.count(handle) != 0) {
        playing = handle;
        order = 0;
    }
}

int32_t FakeMusicPlayer::SongGetOrder(int32_t handle) {
    return handle == playing ? order : 0;
}

void FakeMusicPlayer::SongFree(int32_t handle) {
    live.erase(handle);
    if (playing == handle) playing = 0;
}

std::unique_ptr<ITexture> NullSurface::CreateTexture(const uint32_t*, int32_t width, int32_t height) {
    return std::make_unique<FakeTexture>(width, height, ++texturesMade);
}

void NullSurface::Draw(ITexture& texture, const Rect& src, const Rect& dst, int32_t opacity) {
    ++drawCount;
    if (recordDraws) draws.push_back({static_cast<FakeTexture&>(texture).Number(), src, dst, opacity, 0});
}

void NullSurface::DrawRotated(ITexture& texture, const Rect& src, const Rect& dst, double degrees,
                              int32_t opacity) {
    ++drawCount;
    if (recordDraws)
        draws.push_back({static_cast<FakeTexture&>(texture).Number(), src, dst, opacity, degrees});
}

void FakeKeyboard::Track(const InputEvent& event) {
    if (event.kind == InputEvent::Kind::KeyDown) down.insert(event.key);
    if (event.kind == InputEvent::Kind::KeyUp) down.erase(event.key);
}
