// Writes a starting corpus for pack_reader_fuzz: packs from our own writer plus hand-made packs
// holding each DIB variant (indexed, RLE, bit fields, short header) and a wave with extra chunks.
// Usage: make_pack_seeds DIR

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "../pack/pack_builder.h"
#include "engine/pack_writer.h"

namespace {

void Save(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Picture Gradient(int32_t width, int32_t height, bool alpha) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bitCount = 32;
    picture.hasAlpha = alpha;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t a = alpha ? static_cast<uint32_t>((x * 255) / std::max(1, width - 1)) : 0xFF;
            picture.pixels.push_back((a << 24) | (static_cast<uint32_t>(x * 8) & 0xFF) << 16 |
                                     (static_cast<uint32_t>(y * 8) & 0xFF) << 8 | 0x40);
        }
    }
    return picture;
}

Bytes ImagePack(const Bytes& dib, int8_t patternWidth) {
    Bytes item;
    item.ListBegin().Prop("Name").Str("seed").Prop("PatternWidth").Int8(patternWidth);
    item.Prop("TransparentColor").Ident("clFuchsia").Prop("Picture.Data").Binary(PictureData(dib)).End();
    Bytes pack;
    pack.GraphicsStart().Prop("List").Collection().Add(item).PackEnd();
    return pack;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pack_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];

    PackContents graphics;
    graphics.kind = PackKind::Graphics;
    graphics.colorTable = std::array<uint8_t, 1024>{};
    ImageItemData frames;
    frames.name = "boom";
    frames.patternWidth = 4;
    frames.patternHeight = 4;
    frames.skipWidth = 1;
    frames.picture = Gradient(14, 4, true);
    graphics.images.push_back(frames);
    ImageItemData plain;
    plain.name = "Start Game_n";
    plain.transparent = false;
    plain.transparentColor = 0xFF00FF;
    plain.systemMemory = true;
    plain.picture = Gradient(3, 5, false);
    graphics.images.push_back(plain);
    Save(dir, "graphics.dxg", WritePack(graphics));

    PackContents sound;
    sound.kind = PackKind::Sound;
    SoundItemData siren;
    siren.name = "police";
    siren.looped = true;
    siren.maxPlayingCount = 2;
    siren.wave = MakePcmWave(1, 11025, 8, {0x80, 0x90, 0xA0, 0x90, 0x80});
    sound.sounds.push_back(siren);
    Save(dir, "sound.dxw", WritePack(sound));

    Bytes palette;
    for (uint32_t c : {0x000000u, 0xFF0000u, 0x00FF00u, 0x0000FFu}) palette.U32(c);
    Save(dir, "dib1.dxg",
         ImagePack(LongDibHeader(3, 2, 1, 0, 2).Add(palette).Add(Bytes{0x60, 0, 0, 0, 0xA0, 0, 0, 0}), 1));
    Save(
        dir, "dib4.dxg",
        ImagePack(LongDibHeader(3, -2, 4, 0, 4).Add(palette).Add(Bytes{0x21, 0, 0, 0, 0x13, 0x20, 0, 0}), 0));
    Save(dir, "rle8.dxg",
         ImagePack(LongDibHeader(4, 3, 8, 1, 4).Add(palette).Add(Bytes{3, 1, 0, 0, 0, 3, 2, 3, 2, 0,
                                                                       0, 0, 0, 2, 2, 0, 1, 3, 0, 1}),
                   2));
    Save(dir, "rle4.dxg",
         ImagePack(LongDibHeader(6, 2, 4, 2, 4)
                       .Add(palette)
                       .Add(Bytes{4, 0x12, 0, 0, 0, 5, 0x12, 0x31, 0x20, 0, 0, 1}),
                   3));
    Save(
        dir, "bits16.dxg",
        ImagePack(
            LongDibHeader(2, 1, 16, 3).U32(0xF800).U32(0x07E0).U32(0x001F).Add(Bytes{0x00, 0xF8, 0xE0, 0x07}),
            1));
    Save(dir, "short24.dxg", ImagePack(ShortDibHeader(1, 1, 24).Add(Bytes{1, 2, 3, 0}), 0));

    Bytes extra;
    extra.Text("LIST").U32(3).Text("abc").U8(0);
    Bytes item;
    item.ListBegin().Prop("Name").WStr(u"blip").Prop("MaxPlayingCount").Int16(-2);
    item.Prop("Wave.WAVE").Binary(WaveImage(2, 8000, 16, {1, 2, 3, 4}, extra)).End();
    Bytes pack;
    pack.SoundStart().Prop("List").Collection().Int32(0).Add(item).PackEnd();
    Save(dir, "wave_chunks.dxw", pack);
    return 0;
}
