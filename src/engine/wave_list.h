#pragma once
// The sound collection: named waves of the sound pack, played on the sound device with a
// limited number of overlapping copies.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/named_collection.h"
#include "engine/pack_data.h"

class ISoundBuffer;
class ISoundDevice;

class TWaveCollectionItem {
public:
    explicit TWaveCollectionItem(SoundItemData data);
    ~TWaveCollectionItem();

    const std::string& Name() const { return data_.name; }
    const SoundItemData& Data() const { return data_; }
    bool Looped() const { return data_.looped; }
    int32_t MaxPlayingCount() const { return data_.maxPlayingCount; }
    // Changing it stops the item first.
    void SetLooped(bool looped);
    // Negative becomes 0; changing it frees every copy.
    void SetMaxPlayingCount(int32_t count);

    bool Initialized() const { return initialized_; }
    void Initialize(ISoundDevice& device);
    void Finalize();

    // Plays a copy: an idle one, a new one while under MaxPlayingCount, else the oldest restarts.
    // A looped item loops on its master buffer. With wait, blocks until the copy has ended.
    void PlayWave(bool wait);
    void StopWave();
    int32_t CopyCount() const { return static_cast<int32_t>(copies_.size()); }
    int32_t PlayingCount() const;

private:
    SoundItemData data_;
    ISoundDevice* device_ = nullptr;
    std::unique_ptr<ISoundBuffer> master_;
    std::vector<std::unique_ptr<ISoundBuffer>> copies_;  // oldest first
    bool initialized_ = false;
};

class TWaveCollection : public NamedCollection<TWaveCollectionItem> {
public:
    TWaveCollection();
    ~TWaveCollection();

    void LoadPack(const std::string& path);
    void LoadContents(PackContents contents);

    // Throws "Wave '%s' not found".
    TWaveCollectionItem& FindWave(std::string_view name) { return FindOrThrow(name, "Wave '%s' not found"); }

    void Initialize(ISoundDevice* device);
    void Finalize();

private:
    ISoundDevice* device_ = nullptr;
};
