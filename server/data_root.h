#pragma once
// Where the game's data is, for playing replays: the same place the game itself looks, found the
// same way but without the game's platform layer (the server has no SDL).

#include <filesystem>

// The server's own folder when it holds Data/ (a build folder, or an unpacked tree), else
// <prefix>/share/vandrax beside its bin/, else the data folder the build installs to.
std::filesystem::path DefaultDataRoot();
