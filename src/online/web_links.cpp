#include "online/web_links.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "online/data_paths.h"
#include "platform/desktop.h"

namespace {

// A shortcut is a few lines; anything much larger is not one.
constexpr size_t kLinkFileLimit = 64 * 1024;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& file) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(file, error);
    if (error) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(static_cast<size_t>(std::min<uintmax_t>(size, kLinkFileLimit)), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

// A mail address with only the fields a message of one's own may carry (RFC 6068): the mail
// program is asked for nothing else, so no "attach=" or "attachment=" hands it a file of the
// player's. Field names are compared after their %-escapes are undone ("%61ttach" is "attach").
bool IsPlainMailAddress(std::string_view url) {
    const size_t query = url.find('?');
    if (query == std::string_view::npos) return true;
    std::string_view fields = url.substr(query + 1);
    while (!fields.empty()) {
        const size_t end = fields.find('&');
        const std::string_view field = fields.substr(0, end);
        fields = end == std::string_view::npos ? std::string_view() : fields.substr(end + 1);
        std::string name;
        const std::string_view raw = field.substr(0, field.find('='));
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '%' && i + 2 < raw.size() &&
                std::isxdigit(static_cast<unsigned char>(raw[i + 1])) &&
                std::isxdigit(static_cast<unsigned char>(raw[i + 2]))) {
                const auto hex = [](char c) {
                    return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : Lower(c) - 'a' + 10;
                };
                name += Lower(static_cast<char>(hex(raw[i + 1]) * 16 + hex(raw[i + 2])));
                i += 2;
            } else {
                name += Lower(raw[i]);
            }
        }
        if (name != "to" && name != "cc" && name != "bcc" && name != "subject" && name != "body" &&
            name != "in-reply-to")
            return false;
    }
    return true;
}

}  // namespace

std::optional<InternetShortcut> ReadInternetShortcut(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::optional<InternetShortcut> shortcut;
    bool inSection = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.front() == '[') {
            inSection = EqualsNoCase(line, "[InternetShortcut]");
            if (inSection && !shortcut) shortcut.emplace();
            continue;
        }
        // The first address of the section counts.
        if (inSection && StartsWithNoCase(line, "URL=") && shortcut->url.empty())
            shortcut->url = std::string(Trim(line.substr(4)));
    }
    return shortcut;
}

bool IsWebAddress(std::string_view url) {
    for (char c : url)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
    if (StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://"))
        return url.size() > url.find("://") + 3;
    return StartsWithNoCase(url, "mailto:") && url.size() > 7 && IsPlainMailAddress(url);
}

std::string FileUrl(const std::filesystem::path& file) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(file, error);
    if (error) absolute = file;
    const std::string path = absolute.lexically_normal().generic_string();
    static const char* const kHex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

std::optional<std::string> LinkFileTarget(const std::filesystem::path& dataRoot, std::string_view name) {
    if (!DataFileExists(dataRoot, name)) return std::nullopt;
    const std::filesystem::path file = dataRoot / *DataRelativePath(name);
    const std::optional<std::string> text = ReadSmallFile(file);
    if (!text) return std::nullopt;
    if (const std::optional<InternetShortcut> shortcut = ReadInternetShortcut(*text)) {
        if (IsWebAddress(shortcut->url)) return shortcut->url;
        // javascript:, file: and the like stay closed: only web pages and mail leave the game.
        std::fprintf(stderr, "vandrax: %s: no web address, not opened\n", file.string().c_str());
        return std::nullopt;
    }
    // A desktop entry given to the desktop would start the program it names.
    if (EqualsNoCase(file.extension().string(), ".desktop")) {
        std::fprintf(stderr, "vandrax: %s: a program launcher, not opened\n", file.string().c_str());
        return std::nullopt;
    }
    return FileUrl(file);
}

void OpenLinkFile(IDesktop& desktop, const std::filesystem::path& dataRoot, std::string_view name) {
    if (const std::optional<std::string> target = LinkFileTarget(dataRoot, name)) desktop.OpenUrl(*target);
}

void OpenLinkFile(const ScreenContext& ctx, std::string_view name) {
    OpenLinkFile(ctx.desktop, ctx.dataRoot, name);
}

void GoWeb(IDesktop& desktop, const std::string& address) {
    if (IsWebAddress(address)) desktop.OpenUrl(address);
}

std::string OnlineTableAddress(std::string_view serverBase) {
    while (!serverBase.empty() && serverBase.back() == '/') serverBase.remove_suffix(1);
    return std::string(serverBase) + "/cgi/version.pl?prg=Vandrax&show&type=0";
}

void OpenOnlineTable(const ScreenContext& ctx) {
    GoWeb(ctx.desktop, OnlineTableAddress(ctx.scoreServer));
}

std::optional<std::string> ScoreServerBase(const char* environmentValue) {
    if (environmentValue == nullptr || *environmentValue == '\0') return std::string(kDefaultScoreServer);
    std::string_view value(environmentValue);
    while (!value.empty() && value.back() == '/') value.remove_suffix(1);
    if (!(StartsWithNoCase(value, "http://") || StartsWithNoCase(value, "https://")) || !IsWebAddress(value))
        return std::nullopt;
    if (value.find_first_of("?#") != std::string_view::npos) return std::nullopt;
    return std::string(value);
}
