#include "engine/name_hash.h"

namespace {

unsigned char Lower(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

}  // namespace

int NameHash::Bucket(std::string_view name) {
    uint32_t code = static_cast<uint32_t>(name.size()) * 16;
    if (name.size() >= 2) code += Lower(name.front()) + Lower(name[name.size() - 2]);
    return static_cast<int>(code % kBuckets);
}

bool NameHash::SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

void NameHash::Add(std::string_view name, int index) {
    chains_[Bucket(name)].push_back(Entry{std::string(name), index});
}

bool NameHash::Remove(std::string_view name, int index) {
    std::vector<Entry>& chain = chains_[Bucket(name)];
    for (auto it = chain.begin(); it != chain.end(); ++it) {
        if (it->index == index && SameName(it->name, name)) {
            chain.erase(it);
            return true;
        }
    }
    return false;
}

void NameHash::Rename(std::string_view oldName, std::string_view newName, int index) {
    Remove(oldName, index);
    Add(newName, index);
}

int NameHash::Find(std::string_view name) const {
    const std::vector<Entry>& chain = chains_[Bucket(name)];
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (SameName(it->name, name)) return it->index;
    }
    return -1;
}

void NameHash::Clear() {
    for (std::vector<Entry>& chain : chains_) chain.clear();
}
