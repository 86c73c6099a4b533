#pragma once
#include <filesystem>

// The data root: the executable's own folder when it holds Data/, else the installed share folder.
std::filesystem::path FindDataRoot();
