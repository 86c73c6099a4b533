#include "app/data_check.h"

#include <openssl/evp.h>

#include <sstream>

#include "base/errors.h"

namespace fs = std::filesystem;

struct DataCheck::Hasher {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    ~Hasher() { EVP_MD_CTX_free(context); }
    bool Begin() { return context != nullptr && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1; }
    std::string End() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (EVP_DigestFinal_ex(context, digest, &length) != 1) return {};
        static const char* const kHex = "0123456789abcdef";
        std::string hex;
        for (unsigned int i = 0; i < length; ++i) {
            hex += kHex[digest[i] >> 4];
            hex += kHex[digest[i] & 15];
        }
        return hex;
    }
};

std::string DataFileError(const std::string& relative, const std::string& error) {
    if (error.find(relative) != std::string::npos ||
        error.find(fs::path(relative).filename().string()) != std::string::npos)
        return error;
    if (error == "Stream read error") return relative + ": " + error + " (cut off or damaged)";
    return relative + ": " + error;
}

std::string DataDifferMessage(const std::vector<std::string>& files) {
    std::string names;
    for (const std::string& file : files) names += (names.empty() ? "" : ", ") + file;
    return names + (files.size() == 1 ? " is" : " are") +
           " damaged or modified: reinstall the game, or ignore this if you changed it on purpose.";
}

DataCheck::DataCheck() : hasher_(std::make_unique<Hasher>()) {}

DataCheck::~DataCheck() = default;

std::vector<std::string> DataCheck::Start(const fs::path& root) {
    root_ = root;
    entries_.clear();
    next_ = 0;
    CloseFile();
    std::vector<std::string> differ;
    std::ifstream manifest(root / "Data" / "MANIFEST");
    std::string line;
    // A list of the game's few data files is short; anything else is not the build's list.
    for (int count = 0; count < 64 && std::getline(manifest, line); ++count) {
        std::istringstream fields(line);
        Entry entry;
        if (!(fields >> entry.sha256 >> entry.size >> entry.path) || entry.sha256.size() != 64 ||
            entry.path.find("..") != std::string::npos || entry.path.front() == '/')
            continue;
        std::error_code error;
        const uintmax_t size = fs::file_size(root / entry.path, error);
        if (error || size != entry.size) {
            differ.push_back(entry.path);
            continue;
        }
        entries_.push_back(entry);
    }
    return differ;
}

void DataCheck::CloseFile() {
    if (file_.is_open()) file_.close();
    file_.clear();
}

std::vector<std::string> DataCheck::Step(size_t bytes) {
    std::vector<std::string> differ;
    char buffer[65536];
    while (bytes > 0 && !Done()) {
        const Entry& entry = entries_[next_];
        if (!file_.is_open()) {
            file_.open(root_ / entry.path, std::ios::binary);
            if (!file_.is_open() || !hasher_->Begin()) {
                differ.push_back(entry.path);
                CloseFile();
                ++next_;
                continue;
            }
        }
        file_.read(buffer, static_cast<std::streamsize>(std::min(bytes, sizeof buffer)));
        const auto got = static_cast<size_t>(file_.gcount());
        EVP_DigestUpdate(hasher_->context, buffer, got);
        bytes -= std::min(bytes, std::max<size_t>(got, 1));
        if (file_.eof() || got == 0) {
            if (hasher_->End() != entry.sha256) differ.push_back(entry.path);
            CloseFile();
            ++next_;
        }
    }
    return differ;
}
