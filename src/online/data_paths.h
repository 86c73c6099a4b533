#pragma once
// File names that come from data (the promotion page's description, link names) are taken
// relative to the data root and must stay inside it.

#include <filesystem>
#include <optional>
#include <string_view>

// The name as a path under the data root: "\" counts as "/" (pages written for the Windows
// game name "wdata\button.bmp"). Nothing for an empty name, an absolute one, one with a ".."
// part or with control characters.
std::optional<std::filesystem::path> DataRelativePath(std::string_view name);

// The data root: the executable's own folder when it holds Data/ (a build folder, an unpacked
// tree), else <prefix>/share/vandrax beside its bin/, else the data folder the build installs to.
// The game, the simulator and the score server all look here.
std::filesystem::path FindDataRoot();

// True when `name` is a safe relative name and an existing regular file under `root`.
bool DataFileExists(const std::filesystem::path& root, std::string_view name);
