#include "online/data_paths.h"

#include <string>
#include <system_error>

std::optional<std::filesystem::path> DataRelativePath(std::string_view name) {
    if (name.empty()) return std::nullopt;
    std::string slashed(name);
    for (char& c : slashed) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
        if (c == '\\') c = '/';
    }
    // "C:/..." is a drive on the game's home system; here it would be a folder named "C:", but a
    // page that names one was written for another machine.
    if (slashed.front() == '/' || (slashed.size() >= 2 && slashed[1] == ':')) return std::nullopt;
    const std::filesystem::path path(slashed);
    if (path.has_root_path()) return std::nullopt;
    for (const std::filesystem::path& part : path)
        if (part == "..") return std::nullopt;
    return path;
}

bool DataFileExists(const std::filesystem::path& root, std::string_view name) {
    const std::optional<std::filesystem::path> relative = DataRelativePath(name);
    if (!relative) return false;
    std::error_code error;
    return std::filesystem::is_regular_file(root / *relative, error);
}

#ifndef VANDRAX_INSTALL_DATADIR
#define VANDRAX_INSTALL_DATADIR "/usr/local/share/vandrax"
#endif

std::filesystem::path FindDataRoot() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path folder = exe.parent_path();
        if (std::filesystem::is_directory(folder / "Data", error)) return folder;
        // Installed as <prefix>/bin/vandrax: the data is in <prefix>/share/vandrax.
        const std::filesystem::path share = folder.parent_path() / "share" / "vandrax";
        if (std::filesystem::is_directory(share / "Data", error)) return share;
    }
    return VANDRAX_INSTALL_DATADIR;
}
