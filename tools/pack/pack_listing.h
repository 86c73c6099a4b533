#pragma once
// What `vandrax-pack list` and `find` print about a pack.

#include <string>
#include <string_view>

#include "engine/pack_data.h"

// One line per item, in pack order.
std::string ListText(const PackContents& contents);
// {"kind": "graphics"|"sound", "items": [...]}, fields as documented in README.md.
std::string ListJson(const PackContents& contents);
// The index FindImage/FindWave would return for name; raises "Image '%s' not found" /
// "Wave '%s' not found".
int FindItem(const PackContents& contents, std::string_view name);
