#pragma once
// Turns a manifest into pack contents: finds each source, rasterises or reads it, and checks
// that every picture fits its pattern grid.

#include <string>
#include <vector>

#include "engine/pack_data.h"
#include "engine/pack_manifest.h"

PackContents BuildPackContents(const Manifest& manifest, const std::vector<std::string>& searchDirs);

// Raises GameError when a picture of this size cannot be cut into whole patterns:
// each side must be n * pattern + (n - 1) * skip for some n >= 1.
void CheckPatternFit(const std::string& what, int32_t pictureWidth, int32_t pictureHeight,
                     int32_t patternWidth, int32_t patternHeight, int32_t skipWidth, int32_t skipHeight);
