#pragma once
// Constants of the pack stream shared by the reader and the writer.

#include <cstdint>

namespace pack_format {

inline constexpr uint8_t kResourceMark = 0xFF;
inline constexpr uint16_t kResourceType = 10;
inline constexpr uint16_t kResourceFlags = 0x1030;
inline constexpr char kSignature[] = "TPF0";
inline constexpr char kGraphicsClass[] = "TPictureCollectionComponent";
inline constexpr char kSoundClass[] = "TWaveCollectionComponent";
inline constexpr char kDibClass[] = "TDIB";

// Tags of the values in a component stream.
enum Tag : uint8_t {
    kEndOfList = 0,
    kListBegin = 1,
    kInt8 = 2,
    kInt16 = 3,
    kInt32 = 4,
    kString = 6,
    kIdent = 7,
    kFalse = 8,
    kTrue = 9,
    kBinary = 10,
    kLongString = 12,
    kCollection = 14,
    kWideString = 18,
    kUtf8String = 20,
};

}  // namespace pack_format
