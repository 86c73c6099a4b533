#pragma once
// Device-independent bitmaps as a pack stores them: a 12-byte (short) or 40-byte (long) header,
// optional bit-field masks, the colour table and the pixel rows, with no file header in front.

#include <cstdint>
#include <span>
#include <vector>

#include "engine/pack_data.h"

// Pictures larger than this are refused as invalid: no art of ours comes near, and a hostile
// pack must not make us allocate gigabytes.
inline constexpr int32_t kMaxPictureSide = 16384;
inline constexpr int64_t kMaxPicturePixels = 64LL * 1024 * 1024;
// All the pictures of one pack together: run-length pictures cost a few bytes in the file
// whatever their size, so the reader keeps a budget for the whole pack as well.
inline constexpr int64_t kMaxPackPixels = 128LL * 1024 * 1024;

// Decodes 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, RLE8, RLE4 and bit fields,
// bottom-up or top-down. Anything malformed raises "DIB is invalid".
// A 32-bit picture whose fourth byte is zero everywhere comes back opaque (hasAlpha false);
// otherwise the fourth byte is its alpha. A picture of more than pixelBudget pixels is invalid.
Picture DecodeDib(std::span<const uint8_t> bytes, int64_t pixelBudget = kMaxPicturePixels);

// Writes a 32-bit, bottom-up, uncompressed DIB with a long header. The fourth byte carries the
// alpha when the picture has alpha, else 0, so DecodeDib gives back the same picture.
std::vector<uint8_t> EncodeDib(const Picture& picture);
