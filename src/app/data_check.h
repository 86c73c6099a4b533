#pragma once
// The game's data files as the build made them. The build lists them in Data/MANIFEST, one line
// each: SHA-256 (hex), size in bytes, path from the data root. At start the sizes are checked at
// once; the hashes are worked through a slice at a time between frames, so a file that reads
// without error but was damaged or changed (a flipped byte in a picture) is still noticed. A file
// that differs is told about, never refused: a modder's pack plays.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// A data file's error with its name: "Data/GraphicsMain.dxg: Stream read error (cut off or
// damaged)". An error that names the file already is left as it is.
std::string DataFileError(const std::string& relative, const std::string& error);

// The player's message for data files that differ from the build's list.
std::string DataDifferMessage(const std::vector<std::string>& files);

class DataCheck {
public:
    DataCheck();
    ~DataCheck();
    DataCheck(const DataCheck&) = delete;
    DataCheck& operator=(const DataCheck&) = delete;

    // Reads root/Data/MANIFEST (none, or one that cannot be read: nothing to check) and returns
    // the listed files that are missing or of another size. Those are not hashed.
    std::vector<std::string> Start(const std::filesystem::path& root);
    // Hashes up to `bytes` more of the listed files; returns the files found to differ in it.
    std::vector<std::string> Step(size_t bytes);
    bool Done() const { return next_ >= entries_.size(); }

private:
    struct Entry {
        std::string path;  // from the data root
        uint64_t size = 0;
        std::string sha256;  // lower-case hex
    };
    struct Hasher;
    void CloseFile();

    std::filesystem::path root_;
    std::vector<Entry> entries_;
    size_t next_ = 0;  // the entry being hashed
    std::ifstream file_;
    std::unique_ptr<Hasher> hasher_;
};
