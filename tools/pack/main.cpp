// vandrax-pack: builds graphics and sound packs from a manifest, and shows what a pack holds.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "contact_sheet.h"
#include "engine/pack_manifest.h"
#include "engine/pack_reader.h"
#include "engine/pack_writer.h"
#include "image_io.h"
#include "pack_build.h"
#include "pack_listing.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: vandrax-pack build MANIFEST OUT [--search DIR]...\n"
    "       vandrax-pack list PACK [--json]\n"
    "       vandrax-pack find PACK NAME\n"
    "       vandrax-pack extract PACK NAME OUT.png\n"
    "       vandrax-pack sheet PACK OUT.png\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

// Written beside the target and renamed over it, so a failed build never leaves half a pack.
void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path());
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) {
            const int error = errno;
            throw GameError(
                FormatMessage("Cannot create file \"%s\". %s", path.c_str(), std::strerror(error)));
        }
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            std::remove(temporary.c_str());
            throw GameError(FormatMessage("Cannot write file \"%s\"", path.c_str()));
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        std::remove(temporary.c_str());
        throw GameError(FormatMessage("Cannot write file \"%s\". %s", path.c_str(), error.message().c_str()));
    }
}

PackContents OpenPack(const std::string& path) {
    PackContents contents;
    LoadPackFile(path, contents);
    return contents;
}

int Build(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::vector<std::string> searchDirs;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--search") {
            if (i + 1 >= args.size()) return Usage();
            searchDirs.push_back(args[++i]);
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2) return Usage();
    const Manifest manifest = LoadManifest(positional[0]);
    const PackContents contents = BuildPackContents(manifest, searchDirs);
    const std::vector<uint8_t> bytes = WritePack(contents);
    // Read it back before it replaces anything: what we ship must load.
    PackContents check;
    ReadPack(bytes, check);
    WriteFileAtomically(positional[1], bytes);
    const size_t items =
        contents.kind == PackKind::Graphics ? contents.images.size() : contents.sounds.size();
    std::printf("%s: %zu items, %zu bytes\n", positional[1].c_str(), items, bytes.size());
    return 0;
}

int Run(const std::vector<std::string>& args) {
    if (args.empty()) return Usage();
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "build") return Build(rest);
    if (command == "list") {
        bool json = false;
        std::vector<std::string> packs;
        for (const std::string& arg : rest) {
            if (arg == "--json") {
                json = true;
            } else {
                packs.push_back(arg);
            }
        }
        if (packs.size() != 1) return Usage();
        const PackContents contents = OpenPack(packs[0]);
        std::fputs((json ? ListJson(contents) : ListText(contents)).c_str(), stdout);
        return 0;
    }
    if (command == "find") {
        if (rest.size() != 2) return Usage();
        const PackContents contents = OpenPack(rest[0]);
        const int index = FindItem(contents, rest[1]);
        const std::string& name =
            contents.kind == PackKind::Graphics ? contents.images[index].name : contents.sounds[index].name;
        std::printf("%s\n", name.c_str());
        return 0;
    }
    if (command == "extract") {
        if (rest.size() != 3) return Usage();
        const PackContents contents = OpenPack(rest[0]);
        if (contents.kind != PackKind::Graphics) throw GameError("extract works on graphics packs only");
        const ImageItemData& item = contents.images[FindItem(contents, rest[1])];
        if (!item.picture) throw GameError(FormatMessage("Image '%s' has no picture", item.name.c_str()));
        WritePng(*item.picture, rest[2]);
        return 0;
    }
    if (command == "sheet") {
        if (rest.size() != 2) return Usage();
        struct FontRelease {
            ~FontRelease() { ReleaseSheetFonts(); }
        } release;
        DrawContactSheet(OpenPack(rest[0]), rest[1]);
        return 0;
    }
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return Usage();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const GameError& error) {
        std::fprintf(stderr, "%s\n", error.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vandrax-pack: %s\n", error.what());
    }
    return kExitFailure;
}
