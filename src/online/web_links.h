#pragma once
// The game's web links: link files of the data root ("website.url", "moregames.url",
// "play.url", the promotion page's targets) and the score server's online table.
//
// A link file that is an Internet shortcut ("[InternetShortcut]" then "URL=...") opens its
// address, and only when it is an http, https or mailto address. Any other file is handed to
// the desktop as a file:// URL of the file itself. Nothing is run through a shell.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/screen.h"

class IDesktop;

inline constexpr std::string_view kDefaultScoreServer = "http://localhost:8642";

// An Internet shortcut: a text with an "[InternetShortcut]" section. Its address is that
// section's "URL=" (empty when it has none).
struct InternetShortcut {
    std::string url;
};
// Nothing when the text is no Internet shortcut.
std::optional<InternetShortcut> ReadInternetShortcut(std::string_view text);

// An http, https or mailto address (the scheme in any case), with no blanks or control characters;
// a mailto address asks only for recipients, a subject and a body (never an attachment).
bool IsWebAddress(std::string_view url);

// "file://" and the absolute path, percent-encoded.
std::string FileUrl(const std::filesystem::path& file);

// What opening the link file `name` under `dataRoot` hands to the desktop: nothing when the
// file does not exist, is no safe data name, or is a shortcut to an address of another kind.
std::optional<std::string> LinkFileTarget(const std::filesystem::path& dataRoot, std::string_view name);

// Opens a link file of the data root through the desktop; a missing one does nothing.
void OpenLinkFile(IDesktop& desktop, const std::filesystem::path& dataRoot, std::string_view name);
void OpenLinkFile(const ScreenContext& ctx, std::string_view name);

// Opens a web address through the desktop (only an http, https or mailto one).
void GoWeb(IDesktop& desktop, const std::string& address);

// The score server's own online table: the server's base address and the table's query.
std::string OnlineTableAddress(std::string_view serverBase);
// The high-score screen's "View" button: GoWeb with the online table address.
void OpenOnlineTable(const ScreenContext& ctx);

// The score server's base address from the value of VANDRAX_SCORE_SERVER: the default when it
// is unset or empty, the value without a trailing "/" when it is an http or https address.
// Any other value gives nothing (the caller tells the player and keeps the default).
std::optional<std::string> ScoreServerBase(const char* environmentValue);
