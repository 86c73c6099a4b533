#pragma once
// The name hash both collections find their items with: 256 buckets, newest entry at the head of
// its bucket's chain, lookups walking from the head. Because of that order, when several items
// share a name the one named last is found.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class NameHash {
public:
    static constexpr int kBuckets = 256;

    // (length * 16 + first char + second-to-last char [names of 2+ chars]) mod 256, on the
    // lower-cased name. Letters are folded as ASCII.
    static int Bucket(std::string_view name);
    // ASCII case-insensitive equality of whole names.
    static bool SameName(std::string_view a, std::string_view b);

    // Puts index at the head of its name's chain.
    void Add(std::string_view name, int index);
    // Takes index out of the chain of the name it was added under; false when it is not there.
    bool Remove(std::string_view name, int index);
    // Renaming an item: out of the old chain, onto the head of the new one.
    void Rename(std::string_view oldName, std::string_view newName, int index);
    // The index of the item found for name, or -1 when there is none.
    int Find(std::string_view name) const;
    void Clear();

private:
    struct Entry {
        std::string name;
        int index;
    };
    // Each chain is kept with its head at the back, so adding is a push_back.
    std::array<std::vector<Entry>, kBuckets> chains_;
};
