#pragma once
// A fresh data root for a test, removed afterwards.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

class TempRoot {
public:
    TempRoot() {
        char folder[] = "/tmp/vandrax-online-XXXXXX";
        if (mkdtemp(folder) != nullptr) path_ = folder;
    }
    ~TempRoot() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Writes a file under the root (folders made as needed) and returns its path.
    std::filesystem::path Write(const std::string& relative, const std::string& content) const {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }

private:
    std::filesystem::path path_;
};
