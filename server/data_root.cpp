#include "data_root.h"

#include <system_error>

#ifndef VANDRAX_INSTALL_DATADIR
#define VANDRAX_INSTALL_DATADIR "/usr/local/share/vandrax"
#endif

std::filesystem::path DefaultDataRoot() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path folder = exe.parent_path();
        if (std::filesystem::is_directory(folder / "Data", error)) return folder;
        const std::filesystem::path share = folder.parent_path() / "share" / "vandrax";
        if (std::filesystem::is_directory(share / "Data", error)) return share;
    }
    return VANDRAX_INSTALL_DATADIR;
}
