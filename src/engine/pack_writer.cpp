#include "engine/pack_writer.h"

#include <cctype>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "engine/byte_stream.h"
#include "engine/dib.h"
#include "engine/pack_format.h"
#include "engine/wave_file.h"

using namespace pack_format;

namespace {

class StreamWriter {
public:
    explicit StreamWriter(std::vector<uint8_t>& bytes) : out_(bytes) {}

    void Tag(Tag tag) { out_.U8(tag); }
    void Raw(std::string_view bytes) { out_.Text(bytes); }
    void ShortString(std::string_view text) {
        if (text.size() > 255) throw GameError("Name is too long for a pack");
        out_.U8(static_cast<uint8_t>(text.size()));
        out_.Text(text);
    }
    void PropertyName(std::string_view name) { ShortString(name); }
    void String(std::string_view text) {
        if (text.size() <= 255) {
            out_.U8(kString);
            ShortString(text);
        } else {
            out_.U8(kLongString);
            out_.U32(static_cast<uint32_t>(text.size()));
            out_.Text(text);
        }
    }
    // The smallest of the three integer forms that holds the value.
    void Integer(int32_t value) {
        if (value >= -128 && value <= 127) {
            out_.U8(kInt8);
            out_.U8(static_cast<uint8_t>(value));
        } else if (value >= -32768 && value <= 32767) {
            out_.U8(kInt16);
            out_.U16(static_cast<uint16_t>(value));
        } else {
            out_.U8(kInt32);
            out_.I32(value);
        }
    }
    void Boolean(bool value) { out_.U8(value ? kTrue : kFalse); }
    void Binary(std::span<const uint8_t> bytes) {
        if (bytes.size() > std::numeric_limits<uint32_t>::max())
            throw GameError("Item is too large for a pack");
        out_.U8(kBinary);
        out_.U32(static_cast<uint32_t>(bytes.size()));
        out_.Bytes(bytes);
    }

private:
    ByteWriter out_;
};

void WriteImage(StreamWriter& out, const ImageItemData& item) {
    out.PropertyName("Name");
    out.String(item.name);
    if (item.patternHeight != 0) {
        out.PropertyName("PatternHeight");
        out.Integer(item.patternHeight);
    }
    if (item.patternWidth != 0) {
        out.PropertyName("PatternWidth");
        out.Integer(item.patternWidth);
    }
    if (item.picture) {
        const std::vector<uint8_t> dib = EncodeDib(*item.picture);
        std::vector<uint8_t> data;
        data.reserve(1 + std::strlen(kDibClass) + dib.size());
        StreamWriter graphic(data);
        graphic.ShortString(kDibClass);
        ByteWriter(data).Bytes(dib);
        out.PropertyName("Picture.Data");
        out.Binary(data);
    }
    if (item.skipHeight != 0) {
        out.PropertyName("SkipHeight");
        out.Integer(item.skipHeight);
    }
    if (item.skipWidth != 0) {
        out.PropertyName("SkipWidth");
        out.Integer(item.skipWidth);
    }
    if (item.systemMemory) {
        out.PropertyName("SystemMemory");
        out.Boolean(true);
    }
    if (!item.transparent) {
        out.PropertyName("Transparent");
        out.Boolean(false);
    }
    if (item.transparentColor != 0) {
        out.PropertyName("TransparentColor");
        out.Integer(static_cast<int32_t>(item.transparentColor));
    }
}

void WriteSound(StreamWriter& out, const SoundItemData& item) {
    out.PropertyName("Name");
    out.String(item.name);
    if (item.looped) {
        out.PropertyName("Looped");
        out.Boolean(true);
    }
    if (item.maxPlayingCount > 0) {
        out.PropertyName("MaxPlayingCount");
        out.Integer(item.maxPlayingCount);
    }
    if (item.wave) {
        out.PropertyName("Wave.WAVE");
        out.Binary(EncodeWave(*item.wave));
    }
}

}  // namespace

std::vector<uint8_t> WritePack(const PackContents& contents) {
    const bool graphics = contents.kind == PackKind::Graphics;
    const std::string className = graphics ? kGraphicsClass : kSoundClass;

    std::vector<uint8_t> body;
    StreamWriter out(body);
    out.Raw(kSignature);
    out.ShortString(className);
    out.ShortString("");
    if (graphics && contents.colorTable) {
        out.PropertyName("List.ColorTable");
        out.Binary(*contents.colorTable);
    }
    out.PropertyName("List");
    out.Tag(kCollection);
    if (graphics) {
        for (const ImageItemData& item : contents.images) {
            out.Tag(kListBegin);
            WriteImage(out, item);
            out.Tag(kEndOfList);
        }
    } else {
        for (const SoundItemData& item : contents.sounds) {
            out.Tag(kListBegin);
            WriteSound(out, item);
            out.Tag(kEndOfList);
        }
    }
    out.Tag(kEndOfList);  // end of the collection
    out.Tag(kEndOfList);  // end of the component's properties
    out.Tag(kEndOfList);  // end of its (empty) child list
    if (body.size() > std::numeric_limits<uint32_t>::max()) throw GameError("Pack is too large");

    std::vector<uint8_t> bytes;
    bytes.reserve(body.size() + className.size() + 10);
    ByteWriter header(bytes);
    header.U8(kResourceMark);
    header.U16(kResourceType);
    for (char c : className) header.U8(static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(c))));
    header.U8(0);
    header.U16(kResourceFlags);
    header.U32(static_cast<uint32_t>(body.size()));
    header.Bytes(body);
    return bytes;
}
