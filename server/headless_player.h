#pragma once
// The replay checkers of the server: the game's own core played headless (ReplayChecker), one on
// each checking worker.

#include <filesystem>
#include <string>

#include "replay_verifier.h"

// Makes players on the game data under dataRoot (which holds Data/) for replays of this version.
// A player cannot be made (the factory throws) when the data is not there.
ReplayPlayerFactory HeadlessReplayPlayers(std::filesystem::path dataRoot, std::string version);
