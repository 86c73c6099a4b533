#include "app/settings_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "app/text_codec.h"
#include "base/errors.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLineCount = 25;
constexpr int kFirstRowLine = 6;
// The game writes a few hundred bytes; anything far larger is not our file.
constexpr off_t kMaxFileSize = 1 << 20;

std::string WithoutTrailingPercent(std::string text) {
    const size_t end = text.find_last_not_of('%');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

bool ParseScore(const std::string& text, int32_t& score) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last) return false;
    score = value;
    return true;
}

// Decoded lines may hold any byte; keep the problem text printable.
std::string Printable(std::string_view text) {
    std::string result;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            result.push_back(c);
        } else {
            result += FormatMessage("\\x%02X", byte);
        }
    }
    return result;
}

std::string WithoutCarriageReturns(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) result.push_back(text[i]);
    return result;
}

// Hands out the lines of a text one by one, CR LF or LF ended; past the end every line is empty.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    std::string_view Next() {
        const size_t end = rest_.find('\n');
        std::string_view line = rest_.substr(0, end);
        rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }

private:
    std::string_view rest_;
};

std::string ErrnoText() {
    return std::strerror(errno);
}

[[noreturn]] void ThrowWriteError(const fs::path& path, const std::string& reason) {
    throw GameError(FormatMessage("Cannot write '%s': %s", path.c_str(), reason.c_str()));
}

[[noreturn]] void ThrowReadError(const fs::path& path, const std::string& reason) {
    throw GameError(FormatMessage("Cannot read '%s': %s", path.c_str(), reason.c_str()));
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

std::string FillToFive(std::string text) {
    while (text.size() % 5 != 0) text.push_back('%');
    return text;
}

std::string FormatConfig(const ConfigValues& values) {
    std::string text;
    auto addLine = [&text](const std::string& value) {
        text += EncodeText(value);
        text += "\r\n";
    };
    auto flag = [](bool on) { return std::string(on ? "true" : "false"); };
    addLine(flag(values.fullScreen));
    addLine(flag(values.music));
    addLine(flag(values.sound));
    addLine(FillToFive(values.country));
    addLine(FillToFive(values.name));
    for (const auto& row : values.highScores) {
        addLine(FillToFive(row.Name));
        addLine(FillToFive(std::to_string(row.Score)));
    }
    return text;
}

ConfigReadResult ReadConfigText(std::string_view text, ConfigValues& values) {
    ConfigReadResult result;
    LineReader lines(text);
    // The comparisons with "false" are exact: "true" is written unfilled and reads back with a
    // byte 0 in front, and an empty or missing line is not "false" either.
    result.switchToFullScreen = DecodeText(lines.Next()) != "false";
    if (DecodeText(lines.Next()) == "false") values.music = false;
    if (DecodeText(lines.Next()) == "false") values.sound = false;
    values.country = WithoutTrailingPercent(DecodeText(lines.Next()));
    values.name = WithoutTrailingPercent(DecodeText(lines.Next()));
    int lineNumber = kFirstRowLine;
    for (auto& row : values.highScores) {
        const std::string name = DecodeText(lines.Next());
        if (!name.empty()) row.Name = WithoutTrailingPercent(name);
        ++lineNumber;
        const std::string score = DecodeText(lines.Next());
        if (!score.empty()) {
            const std::string digits = WithoutTrailingPercent(score);
            if (!ParseScore(digits, row.Score)) {
                result.problems.push_back(FormatMessage("'%s' is not a valid integer value (line %d)",
                                                        Printable(digits).c_str(), lineNumber));
            }
        }
        ++lineNumber;
    }
    static_assert(kFirstRowLine + 2 * std::tuple_size_v<THighScoreTable> - 1 == kLineCount);
    ConfigValues read = values;
    read.fullScreen = result.switchToFullScreen;
    result.whole =
        result.problems.empty() && WithoutCarriageReturns(text) == WithoutCarriageReturns(FormatConfig(read));
    return result;
}

fs::path SettingsFolder() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && fs::path(configHome).is_absolute()) return fs::path(configHome) / "vandrax";
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return fs::path(home) / ".config" / "vandrax";
    const passwd* entry = ::getpwuid(::getuid());
    if (entry != nullptr && entry->pw_dir != nullptr && *entry->pw_dir != '\0') {
        return fs::path(entry->pw_dir) / ".config" / "vandrax";
    }
    throw GameError("Cannot find the settings folder: HOME is not set");
}

fs::path ConfigPath(const fs::path& folder) {
    return folder / "Config.cfg";
}

bool ReadConfigFile(const fs::path& path, ConfigValues& values, ConfigReadResult& result) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // never wait on a FIFO
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return false;
        ThrowReadError(path, ErrnoText());
    }
    std::string text;
    std::string failure;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        failure = ErrnoText();
    } else if (!S_ISREG(info.st_mode)) {
        failure = "not a regular file";
    } else if (info.st_size > kMaxFileSize) {
        failure = "the file is too large";
    } else {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0) {
                if (errno == EINTR) continue;
                failure = ErrnoText();
                break;
            }
            if (got == 0) break;
            text.append(buffer, static_cast<size_t>(got));
            if (text.size() > static_cast<size_t>(kMaxFileSize)) {
                failure = "the file is too large";
                break;
            }
        }
    }
    ::close(fd);
    if (!failure.empty()) ThrowReadError(path, failure);

    ConfigReadResult read = ReadConfigText(text, values);
    result.switchToFullScreen = read.switchToFullScreen;
    result.whole = read.whole;
    for (const auto& problem : read.problems) result.problems.push_back(path.string() + ": " + problem);
    return true;
}

fs::path KeepDamagedCopy(const fs::path& path, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string prefix = path.filename().string() + ".damaged-";
    fs::path copy = path.parent_path() / (prefix + stamp);
    std::error_code error;
    for (int n = 2; fs::exists(copy, error) || error; ++n) {
        if (error)
            throw GameError(
                FormatMessage("Cannot keep a copy of '%s': %s", path.c_str(), error.message().c_str()));
        copy = path.parent_path() / (prefix + stamp + "-" + std::to_string(n));
    }
    if (!fs::copy_file(path, copy, error) || error)
        throw GameError(
            FormatMessage("Cannot keep a copy of '%s': %s", path.c_str(), error.message().c_str()));
    // The newest three stay: the stamps sort as the times do, and a "-N" copy after its own second.
    std::vector<std::pair<std::string, fs::path>> copies;
    for (const fs::directory_entry& entry : fs::directory_iterator(path.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0) continue;
        std::string key = name.substr(prefix.size());
        const size_t dash = key.find('-', 9);  // the one after YYYYMMDD-HHMMSS
        const int n = dash == std::string::npos ? 1 : std::atoi(key.c_str() + dash + 1);
        key = key.substr(0, dash) + FormatMessage("-%06d", n);
        copies.emplace_back(key, entry.path());
    }
    std::sort(copies.begin(), copies.end());
    for (size_t i = 0; i + 3 < copies.size(); ++i) fs::remove(copies[i].second, error);
    return copy;
}

int RemoveLeftoverTemporaries(const fs::path& path) {
    const std::string prefix = "." + path.filename().string() + ".";
    std::error_code error;
    int removed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(path.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        // PID.N between the prefix and ".tmp", digits only.
        const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        const size_t dot = middle.find('.');
        if (dot == std::string::npos || dot == 0 || dot + 1 == middle.size() ||
            middle.find_first_not_of("0123456789.") != std::string::npos ||
            middle.find('.', dot + 1) != std::string::npos)
            continue;
        const long pid = std::strtol(middle.c_str(), nullptr, 10);
        // Another game that is saving right now keeps its own.
        if (pid == static_cast<long>(::getpid()) || (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0))
            continue;
        if (fs::remove(entry.path(), error)) ++removed;
    }
    return removed;
}

void WriteConfigFile(const fs::path& path, const std::string& text) {
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) ThrowWriteError(path, error.message());

    // A hidden temporary beside the file, so the rename stays within one file system. O_EXCL with
    // mode 0666 keeps the user's umask, as a plain create would.
    fs::path temporary;
    int fd = -1;
    for (unsigned attempt = 0; fd < 0; ++attempt) {
        temporary = folder / FormatMessage(".%s.%ld.%u.tmp", path.filename().c_str(),
                                           static_cast<long>(::getpid()), attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt >= 100)) ThrowWriteError(path, ErrnoText());
    }

    std::string failure;
    if (!WriteAll(fd, text) || ::fsync(fd) != 0) failure = ErrnoText();
    if (::close(fd) != 0 && failure.empty()) failure = ErrnoText();
    if (failure.empty() && ::rename(temporary.c_str(), path.c_str()) != 0) failure = ErrnoText();
    if (!failure.empty()) {
        ::unlink(temporary.c_str());
        ThrowWriteError(path, failure);
    }

    // Make the rename itself last; losing only this step leaves the old, whole file.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}
