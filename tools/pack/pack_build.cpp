#include "pack_build.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/errors.h"
#include "engine/color_table.h"
#include "engine/wave_file.h"
#include "image_io.h"

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Next to the manifest line that names it, then beside the top manifest, then in each --search folder.
std::string FindSource(const std::string& source, const std::string& baseDir, const std::string& topDir,
                       const std::vector<std::string>& searchDirs, const std::string& where) {
    const fs::path sourcePath(source);
    if (sourcePath.is_absolute()) {
        if (fs::is_regular_file(sourcePath)) return source;
    } else {
        std::vector<std::string> folders{baseDir, topDir};
        folders.insert(folders.end(), searchDirs.begin(), searchDirs.end());
        for (const std::string& folder : folders) {
            const fs::path candidate = fs::path(folder) / sourcePath;
            std::error_code error;
            if (fs::is_regular_file(candidate, error)) return candidate.string();
        }
    }
    throw GameError(where + ": source \"" + source +
                    "\" not found (looked beside the manifest and in the --search folders)");
}

std::vector<uint8_t> ReadBinaryFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        const int error = errno;
        throw GameError(FormatMessage("Cannot open file \"%s\". %s", path.c_str(), std::strerror(error)));
    }
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void CheckAxis(const std::string& what, const char* side, int32_t size, int32_t pattern, int32_t skip) {
    if (pattern == 0 || pattern == size) return;
    const int64_t step = int64_t{pattern} + skip;
    if (pattern > size || (int64_t{size} + skip) % step != 0) {
        throw GameError(
            FormatMessage("%s: picture %s %d does not fit patterns of %d with skip %d "
                          "(it must be n*%d + (n-1)*%d)",
                          what.c_str(), side, size, pattern, skip, pattern, skip));
    }
}

}  // namespace

void CheckPatternFit(const std::string& what, int32_t pictureWidth, int32_t pictureHeight,
                     int32_t patternWidth, int32_t patternHeight, int32_t skipWidth, int32_t skipHeight) {
    CheckAxis(what, "width", pictureWidth, patternWidth, skipWidth);
    CheckAxis(what, "height", pictureHeight, patternHeight, skipHeight);
}

PackContents BuildPackContents(const Manifest& manifest, const std::vector<std::string>& searchDirs) {
    PackContents contents;
    contents.kind = manifest.kind;
    fs::path topFolder = fs::path(manifest.path).parent_path();
    const std::string topDir = topFolder.empty() ? "." : topFolder.string();

    for (const ManifestImage& entry : manifest.images) {
        const std::string where = entry.where + ": image \"" + entry.name + "\"";
        const std::string path = FindSource(entry.source, entry.baseDir, topDir, searchDirs, where);
        const std::string extension = Lower(fs::path(path).extension().string());
        ImageItemData item;
        item.name = entry.name;
        item.patternWidth = entry.patternWidth;
        item.patternHeight = entry.patternHeight;
        item.skipWidth = entry.skipWidth;
        item.skipHeight = entry.skipHeight;
        item.transparent = entry.transparent;
        item.transparentColor = entry.transparentColor;
        item.systemMemory = entry.systemMemory;
        if (extension == ".svg") {
            item.picture = RasteriseSvg(path);
        } else if (extension == ".png") {
            item.picture = ReadPng(path);
        } else {
            throw GameError(where + ": source must be .svg or .png, not \"" + entry.source + "\"");
        }
        // A picture opaque everywhere has nothing to key out: without this its pure black pixels
        // (the default key colour) would turn into holes.
        if (!item.picture->hasAlpha && !entry.transparentGiven) item.transparent = false;
        CheckPatternFit(where, item.picture->width, item.picture->height, item.patternWidth,
                        item.patternHeight, item.skipWidth, item.skipHeight);
        contents.images.push_back(std::move(item));
    }

    for (const ManifestWave& entry : manifest.waves) {
        const std::string where = entry.where + ": wave \"" + entry.name + "\"";
        const std::string path = FindSource(entry.source, entry.baseDir, topDir, searchDirs, where);
        if (Lower(fs::path(path).extension().string()) != ".wav") {
            throw GameError(where + ": source must be a .wav file, not \"" + entry.source + "\"");
        }
        SoundItemData item;
        item.name = entry.name;
        item.looped = entry.looped;
        item.maxPlayingCount = entry.maxPlayingCount;
        try {
            item.wave = DecodeWave(ReadBinaryFile(path));
        } catch (const GameError& error) {
            throw GameError(where + ": " + path + ": " + error.what());
        }
        contents.sounds.push_back(std::move(item));
    }

    if (contents.kind == PackKind::Graphics) {
        std::vector<const Picture*> pictures;
        for (const ImageItemData& item : contents.images)
            pictures.push_back(item.picture ? &*item.picture : nullptr);
        contents.colorTable = ColorTableToBytes(BuildColorTable(pictures));
    }
    return contents;
}
