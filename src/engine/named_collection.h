#pragma once
// What the image and sound collections share: their items in pack order, found by name
// through the name hash, and the rule for filling them from a pack file.

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "engine/name_hash.h"
#include "engine/pack_data.h"
#include "engine/pack_reader.h"

template <class ItemT>
class NamedCollection {
public:
    void Clear() {
        items_.clear();
        hash_.Clear();
    }
    // Case-insensitive; the last item of a name wins. Null when there is none.
    ItemT* Find(std::string_view name) {
        const int index = hash_.Find(name);
        return index >= 0 ? items_[static_cast<size_t>(index)].get() : nullptr;
    }
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    ItemT& Item(int32_t index) { return *items_[static_cast<size_t>(index)]; }

protected:
    // `missing` is the game's text for a name that is not there ("Image '%s' not found").
    ItemT& FindOrThrow(std::string_view name, const char* missing) {
        ItemT* item = Find(name);
        if (item == nullptr) throw GameError(FormatMessage(missing, std::string(name).c_str()));
        return *item;
    }

    template <class Data>
    void Fill(std::vector<Data>& items) {
        Clear();
        for (Data& data : items) {
            items_.push_back(std::make_unique<ItemT>(std::move(data)));
            hash_.Add(items_.back()->Name(), static_cast<int>(items_.size() - 1));
        }
    }

    // Reads a pack file and hands its contents to `load`. A file that cannot be opened hands over
    // nothing (the collection stays as it was); a pack that fails half-way hands over the items
    // read so far. Either way the error goes on to the caller.
    template <class Load>
    static void ReadPackFile(const std::string& path, Load load) {
        if (!std::ifstream(path).good()) {
            PackContents unused;
            LoadPackFile(path, unused);  // throws the reason
        }
        PackContents contents;
        try {
            LoadPackFile(path, contents);
        } catch (...) {
            load(std::move(contents));
            throw;
        }
        load(std::move(contents));
    }

    std::vector<std::unique_ptr<ItemT>> items_;

private:
    NameHash hash_;
};
