#include "engine/wave_list.h"

#include "base/errors.h"
#include "platform/sound_device.h"

namespace {
constexpr int kWaitPollMs = 10;
// A safety net for a copy that never reports its end (a broken device): about a minute.
constexpr int kWaitLimitPolls = 6000;
}  // namespace

TWaveCollectionItem::TWaveCollectionItem(SoundItemData data) : data_(std::move(data)) {
    if (data_.maxPlayingCount < 0) data_.maxPlayingCount = 0;
}

TWaveCollectionItem::~TWaveCollectionItem() = default;

void TWaveCollectionItem::SetLooped(bool looped) {
    if (looped == data_.looped) return;
    StopWave();
    data_.looped = looped;
}

void TWaveCollectionItem::SetMaxPlayingCount(int32_t count) {
    if (count < 0) count = 0;
    if (count == data_.maxPlayingCount) return;
    data_.maxPlayingCount = count;
    copies_.clear();
}

void TWaveCollectionItem::Initialize(ISoundDevice& device) {
    Finalize();
    device_ = &device;
    initialized_ = true;
    if (data_.wave && !data_.wave->samples.empty()) master_ = device.CreateBuffer(*data_.wave);
}

void TWaveCollectionItem::Finalize() {
    copies_.clear();
    master_.reset();
    initialized_ = false;
}

void TWaveCollectionItem::PlayWave(bool wait) {
    if (!initialized_) return;
    if (data_.looped) {
        if (master_) master_->Play(true);
        return;
    }
    ISoundBuffer* buffer = nullptr;
    for (auto& copy : copies_) {
        if (!copy->IsPlaying()) {
            buffer = copy.get();
            break;
        }
    }
    if (buffer == nullptr) {
        if (data_.maxPlayingCount == 0 || static_cast<int32_t>(copies_.size()) < data_.maxPlayingCount) {
            if (!master_) return;
            auto copy = master_->Duplicate();
            if (!copy) return;
            copies_.push_back(std::move(copy));
            buffer = copies_.back().get();
        } else {
            auto oldest = std::move(copies_.front());
            copies_.erase(copies_.begin());
            copies_.push_back(std::move(oldest));
            buffer = copies_.back().get();
        }
    }
    buffer->Play(false);
    if (wait && device_ != nullptr) {
        for (int i = 0; i < kWaitLimitPolls && buffer->IsPlaying(); ++i) device_->Wait(kWaitPollMs);
    }
}

void TWaveCollectionItem::StopWave() {
    if (!initialized_) return;
    if (master_) master_->Stop();
    for (auto& copy : copies_) copy->Stop();
}

int32_t TWaveCollectionItem::PlayingCount() const {
    int32_t count = master_ && master_->IsPlaying() ? 1 : 0;
    for (const auto& copy : copies_) count += copy->IsPlaying() ? 1 : 0;
    return count;
}

TWaveCollection::TWaveCollection() = default;
TWaveCollection::~TWaveCollection() = default;

void TWaveCollection::LoadContents(PackContents contents) {
    Fill(contents.sounds);
    if (device_ != nullptr)
        for (auto& item : items_) item->Initialize(*device_);
}

void TWaveCollection::LoadPack(const std::string& path) {
    ReadPackFile(path, [this](PackContents contents) { LoadContents(std::move(contents)); });
}

void TWaveCollection::Initialize(ISoundDevice* device) {
    device_ = device;
    if (device_ == nullptr) return;
    for (auto& item : items_) item->Initialize(*device_);
}

void TWaveCollection::Finalize() {
    for (auto& item : items_) item->Finalize();
    device_ = nullptr;
}
