#include "engine/pack_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "engine/byte_stream.h"
#include "engine/dib.h"
#include "engine/name_hash.h"
#include "engine/pack_format.h"
#include "engine/wave_file.h"

using namespace pack_format;

namespace {

constexpr const char* kReadError = "Stream read error";
constexpr const char* kInvalidFormat = "Invalid stream format";
constexpr const char* kInvalidValue = "Invalid property value";
constexpr const char* kDibInvalid = "DIB is invalid";
// The header reader looks at no more than this many bytes, so longer names are cut there.
constexpr size_t kResourceHeaderRead = 79;

struct NamedColor {
    const char* name;
    uint32_t value;
};

// 0x00BBGGRR; the system colours carry their index with the top bit set.
constexpr NamedColor kColorNames[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clLtGray", 0xC0C0C0},
    {"clDkGray", 0x808080},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
    {"clScrollBar", 0x80000000},
    {"clBackground", 0x80000001},
    {"clActiveCaption", 0x80000002},
    {"clInactiveCaption", 0x80000003},
    {"clMenu", 0x80000004},
    {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},
    {"clMenuText", 0x80000007},
    {"clWindowText", 0x80000008},
    {"clCaptionText", 0x80000009},
    {"clActiveBorder", 0x8000000A},
    {"clInactiveBorder", 0x8000000B},
    {"clAppWorkSpace", 0x8000000C},
    {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E},
    {"clBtnFace", 0x8000000F},
    {"clBtnShadow", 0x80000010},
    {"clGrayText", 0x80000011},
    {"clBtnText", 0x80000012},
    {"clInactiveCaptionText", 0x80000013},
    {"clBtnHighlight", 0x80000014},
    {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},
    {"clInfoText", 0x80000017},
    {"clInfoBk", 0x80000018},
    {"clHotLight", 0x8000001A},
    {"clGradientActiveCaption", 0x8000001B},
    {"clGradientInactiveCaption", 0x8000001C},
    {"clMenuHighlight", 0x8000001D},
    {"clMenuBar", 0x8000001E},
};

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Wide strings become our 8-bit text, UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::span<const uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    const size_t units = bytes.size() / 2;
    auto unit = [&](size_t i) { return static_cast<uint32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)); };
    for (size_t i = 0; i < units; ++i) {
        uint32_t code = unit(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        AppendUtf8(out, code);
    }
    return out;
}

class PackParser {
public:
    explicit PackParser(std::span<const uint8_t> bytes) : bytes_(bytes), in_(bytes, kReadError) {}

    void Parse(PackContents& out) {
        SkipResourceHeader();
        if (in_.TakeString(4) != kSignature) throw GameError(kInvalidFormat);
        const std::string className = ShortString();
        if (className == kGraphicsClass) {
            out.kind = PackKind::Graphics;
        } else if (className == kSoundClass) {
            out.kind = PackKind::Sound;
        } else {
            throw GameError(FormatMessage("Class %s not found", className.c_str()));
        }
        ShortString();  // the component's own name, unused
        while (in_.PeekU8() != kEndOfList) {
            const std::string property = ShortString();
            if (out.kind == PackKind::Graphics && NameHash::SameName(property, "List.ColorTable")) {
                std::span<const uint8_t> table = Binary();
                if (table.size() != 1024) throw GameError(kInvalidValue);
                out.colorTable.emplace();
                std::copy(table.begin(), table.end(), out.colorTable->begin());
            } else if (NameHash::SameName(property, "List")) {
                ReadList(out);
            } else {
                Unknown(property);
            }
        }
        in_.U8();
        // The component has no children; anything else is not a pack of ours.
        if (in_.U8() != kEndOfList) throw GameError(kInvalidFormat);
    }

private:
    // 0xFF, 16-bit type 10, NUL-terminated name, 16-bit flags, 32-bit size: only the first two
    // are checked, as the game's loader does.
    void SkipResourceHeader() {
        const size_t available = std::min(bytes_.size(), kResourceHeaderRead);
        if (available < 3 || bytes_[0] != kResourceMark || (bytes_[1] | (bytes_[2] << 8)) != kResourceType) {
            throw GameError(kInvalidFormat);
        }
        size_t nameLength = 0;
        while (3 + nameLength < available && bytes_[3 + nameLength] != 0) ++nameLength;
        in_.Seek(nameLength + 10);
    }

    [[noreturn]] static void Unknown(const std::string& property) {
        throw GameError(FormatMessage("Property %s does not exist", property.c_str()));
    }

    std::string ShortString() { return in_.TakeString(in_.U8()); }

    int32_t Integer() {
        switch (in_.U8()) {
            case kInt8:
                return in_.I8();
            case kInt16:
                return in_.I16();
            case kInt32:
                return in_.I32();
            default:
                throw GameError(kInvalidValue);
        }
    }

    bool Boolean() {
        switch (in_.U8()) {
            case kFalse:
                return false;
            case kTrue:
                return true;
            default:
                throw GameError(kInvalidValue);
        }
    }

    std::string String() {
        switch (in_.U8()) {
            case kString:
                return in_.TakeString(in_.U8());
            case kLongString:
            case kUtf8String:
                return in_.TakeString(in_.U32());
            case kWideString:
                return Utf16ToUtf8(in_.Take(uint64_t{in_.U32()} * 2));
            default:
                throw GameError(kInvalidValue);
        }
    }

    std::span<const uint8_t> Binary() {
        if (in_.U8() != kBinary) throw GameError(kInvalidValue);
        return in_.Take(in_.U32());
    }

    uint32_t Color() {
        const uint8_t tag = in_.PeekU8();
        if (tag != kIdent) return static_cast<uint32_t>(Integer());
        in_.U8();
        const std::string ident = ShortString();
        uint32_t color = 0;
        if (!ColorFromIdent(ident, color)) throw GameError(kInvalidValue);
        return color;
    }

    void ReadList(PackContents& out) {
        if (in_.U8() != kCollection) throw GameError(kInvalidValue);
        for (;;) {
            uint8_t tag = in_.U8();
            if (tag == kEndOfList) return;
            if (tag == kInt8 || tag == kInt16 || tag == kInt32) {
                in_.Skip(tag == kInt8 ? 1 : tag == kInt16 ? 2 : 4);  // an item index, not needed
                tag = in_.U8();
            }
            if (tag != kListBegin) throw GameError(kInvalidValue);
            // The item joins the collection before its properties are read, so a failure inside
            // it leaves it there with what was read.
            if (out.kind == PackKind::Graphics) {
                out.images.emplace_back();
                while (in_.PeekU8() != kEndOfList) ReadImageProperty(out.images.back());
            } else {
                out.sounds.emplace_back();
                while (in_.PeekU8() != kEndOfList) ReadSoundProperty(out.sounds.back());
            }
            in_.U8();
        }
    }

    void ReadImageProperty(ImageItemData& item) {
        const std::string property = ShortString();
        auto is = [&](const char* name) { return NameHash::SameName(property, name); };
        if (is("Name")) {
            item.name = String();
        } else if (is("PatternHeight")) {
            item.patternHeight = Integer();
        } else if (is("PatternWidth")) {
            item.patternWidth = Integer();
        } else if (is("SkipHeight")) {
            item.skipHeight = Integer();
        } else if (is("SkipWidth")) {
            item.skipWidth = Integer();
        } else if (is("SystemMemory")) {
            item.systemMemory = Boolean();
        } else if (is("Transparent")) {
            item.transparent = Boolean();
        } else if (is("TransparentColor")) {
            item.transparentColor = Color();
        } else if (is("Picture.Data")) {
            ReadPictureData(Binary(), item);
        } else {
            Unknown(property);
        }
    }

    // The graphic's class name as a short string, then its data. An empty class name is an
    // empty picture; the only class a pack can hold is "TDIB".
    void ReadPictureData(std::span<const uint8_t> data, ImageItemData& item) {
        item.picture.reset();
        if (data.empty()) return;
        ByteReader in(data, kDibInvalid);
        const std::string graphicClass = in.TakeString(in.U8());
        if (graphicClass.empty()) return;
        if (graphicClass != kDibClass) throw GameError(kDibInvalid);
        item.picture = DecodeDib(in.Take(in.Remaining()), kMaxPackPixels - pixelsDecoded_);
        pixelsDecoded_ += int64_t{item.picture->width} * item.picture->height;
    }

    void ReadSoundProperty(SoundItemData& item) {
        const std::string property = ShortString();
        auto is = [&](const char* name) { return NameHash::SameName(property, name); };
        if (is("Name")) {
            item.name = String();
        } else if (is("Looped")) {
            item.looped = Boolean();
        } else if (is("MaxPlayingCount")) {
            item.maxPlayingCount = std::max(0, Integer());
        } else if (is("Wave.WAVE")) {
            item.wave.reset();
            item.wave = DecodeWave(Binary());
        } else {
            Unknown(property);
        }
    }

    std::span<const uint8_t> bytes_;
    ByteReader in_;
    int64_t pixelsDecoded_ = 0;
};

}  // namespace

bool ColorFromIdent(std::string_view ident, uint32_t& color) {
    for (const NamedColor& entry : kColorNames) {
        if (NameHash::SameName(ident, entry.name)) {
            color = entry.value;
            return true;
        }
    }
    return false;
}

void ReadPack(std::span<const uint8_t> bytes, PackContents& out) {
    out = PackContents{};
    PackParser(bytes).Parse(out);
}

void LoadPackFile(const std::string& path, PackContents& out) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw GameError(FormatMessage("Cannot open file \"%s\". %s", path.c_str(), std::strerror(error)));
    }
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat status {};
    if (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        throw GameError(FormatMessage("Cannot open file \"%s\". %s", path.c_str(), std::strerror(error)));
    }
    // A regular file is mapped and parsed where it lies: no copy of several MB, and its pages
    // come from the page cache rather than being faulted in afresh.
    if (S_ISREG(status.st_mode) && status.st_size > 0) {
        const auto size = static_cast<size_t>(status.st_size);
        void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (mapped != MAP_FAILED) {
            struct Unmapper {
                void* at;
                size_t size;
                ~Unmapper() { munmap(at, size); }
            } unmapper{mapped, size};
            out = PackContents{};
            ReadPack(std::span<const uint8_t>(static_cast<const uint8_t*>(mapped), size), out);
            return;
        }
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(S_ISREG(status.st_mode) ? static_cast<size_t>(status.st_size) : 0);
    uint8_t buffer[65536];
    for (;;) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count == 0) break;
        if (count < 0) {
            if (errno == EINTR) continue;
            throw GameError(kReadError);
        }
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    out = PackContents{};
    ReadPack(bytes, out);
}
