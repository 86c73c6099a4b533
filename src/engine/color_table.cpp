#include "engine/color_table.h"

#include <algorithm>

ColorTable BuildColorTable(const std::vector<const Picture*>& pictures) {
    static constexpr std::array<uint32_t, 8> kLow = {0x000000, 0x800000, 0x008000, 0x808000,
                                                     0x000080, 0x800080, 0x008080, 0xC0C0C0};
    static constexpr std::array<uint32_t, 8> kHigh = {0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                                      0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    ColorTable table{};
    std::array<bool, 256> used{};
    for (int i = 0; i < 8; ++i) {
        table[i] = kLow[i];
        table[248 + i] = kHigh[i];
        used[i] = used[248 + i] = true;
    }
    int usedCount = 16;
    size_t nextFree = 8;
    for (const Picture* picture : pictures) {
        if (picture == nullptr) continue;
        for (uint32_t colour : picture->palette) {
            if (usedCount == 256) return table;
            colour &= 0x00FFFFFF;
            bool present = false;
            for (size_t i = 0; i < table.size() && !present; ++i) present = used[i] && table[i] == colour;
            if (present) continue;
            while (used[nextFree]) ++nextFree;
            table[nextFree] = colour;
            used[nextFree] = true;
            ++usedCount;
        }
    }
    return table;
}

ColorTable ColorTableFromBytes(const std::array<uint8_t, 1024>& bytes) {
    ColorTable table{};
    for (size_t i = 0; i < table.size(); ++i) {
        const uint8_t* entry = bytes.data() + i * 4;
        table[i] = (uint32_t{entry[2]} << 16) | (uint32_t{entry[1]} << 8) | entry[0];
    }
    return table;
}

std::array<uint8_t, 1024> ColorTableToBytes(const ColorTable& table) {
    std::array<uint8_t, 1024> bytes{};
    for (size_t i = 0; i < table.size(); ++i) {
        bytes[i * 4] = static_cast<uint8_t>(table[i]);
        bytes[i * 4 + 1] = static_cast<uint8_t>(table[i] >> 8);
        bytes[i * 4 + 2] = static_cast<uint8_t>(table[i] >> 16);
    }
    return bytes;
}
