#pragma once
// Config.cfg: the settings and the high-score table, 25 lines, each ended by CR LF and written in
// the game's text encoding (text_codec.h).
//
//   1-3   "true"/"false" for full screen, music, sound (encoded without filling)
//   4, 5  the country and the player name, filled up with "%" to a multiple of 5, then encoded
//   6-25  the ten high-score rows: name, then the score in decimal, each filled and encoded
//
// An empty value gives an empty line. The file lives in the user's settings folder and is replaced
// atomically, so a crash or a full disk never leaves half a file.

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/high_scores.h"

struct ConfigValues {
    bool fullScreen = false;
    bool music = true;
    bool sound = true;
    std::string country;
    std::string name;
    THighScoreTable highScores = DefaultHighScores();
};

struct ConfigReadResult {
    // Line 1 did not read "false": the caller switches to full screen through its full-screen
    // toggle. ReadConfigText leaves values.fullScreen alone.
    bool switchToFullScreen = false;
    // Lines that could not be used ("'12x' is not a valid integer value (line 7)"), for stderr.
    // Reading goes on past them; the row keeps the value it had.
    std::vector<std::string> problems;
    // False when the text is not what the game writes for the values read from it: damaged, cut
    // off, or changed by hand (line ends CR LF or LF alike). What could be read is in values.
    bool whole = true;
};

// The whole file text, 25 lines each ended by CR LF.
std::string FormatConfig(const ConfigValues& values);

// Fills a text up with "%" to a multiple of 5 characters (the codec's block), so that it decodes
// back exactly; an empty text stays empty.
std::string FillToFive(std::string text);

// Applies a file's text onto values (which hold the defaults): lines 2 and 3 reading "false" clear
// music and sound, lines 4 and 5 set country and name without their trailing "%", and a row line
// that decodes to something replaces that field. Accepts CR LF and LF line ends; a line past the
// end reads as empty. Never throws.
ConfigReadResult ReadConfigText(std::string_view text, ConfigValues& values);

// $XDG_CONFIG_HOME/vandrax when that is set and absolute, else $HOME/.config/vandrax.
// Throws GameError when neither variable nor the password database names a home folder.
std::filesystem::path SettingsFolder();

// folder/"Config.cfg".
std::filesystem::path ConfigPath(const std::filesystem::path& folder);

// Reads the file at path onto values. Returns false, touching nothing, when there is no such file;
// throws GameError when it exists but cannot be read (or is absurdly large). Problems found in
// the lines are put into result, prefixed with the path.
bool ReadConfigFile(const std::filesystem::path& path, ConfigValues& values, ConfigReadResult& result);

// Writes text as the file at path: creates the folder (with parents) when missing, writes a
// temporary file beside it, flushes it to disk and renames it over path. On failure the temporary
// is removed, the old file is left as it was, and a GameError names the path and the reason.
void WriteConfigFile(const std::filesystem::path& path, const std::string& text);

// Keeps a copy of the file at path beside it, byte for byte, as "Config.cfg.damaged-YYYYMMDD-HHMMSS"
// (local time `when`; "-2", "-3", ... after it when that name is taken), and removes all but the
// newest three such copies. Returns the copy's path; throws GameError naming the path and the
// reason when the copy cannot be made.
std::filesystem::path KeepDamagedCopy(const std::filesystem::path& path, std::time_t when);

// Removes the temporaries beside `path` that a run killed while saving left behind
// (".Config.cfg.PID.N.tmp" of a process no longer running); returns how many went.
int RemoveLeftoverTemporaries(const std::filesystem::path& path);
