#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "engine/wave_file.h"
#include "pack_builder.h"

namespace {

const std::vector<uint8_t> kSamples = {0x80, 0x90, 0xA0, 0x70, 0x60};  // odd length: padded chunk

TEST(WaveDecode, ReadsFormatAndSamples) {
    const WaveData wave = DecodeWave(WaveImage(1, 22050, 8, kSamples).data());
    EXPECT_EQ(wave.formatTag, 1);
    EXPECT_EQ(wave.channels, 1);
    EXPECT_EQ(wave.sampleRate, 22050u);
    EXPECT_EQ(wave.bytesPerSecond, 22050u);
    EXPECT_EQ(wave.blockAlign, 1);
    EXPECT_EQ(wave.bitsPerSample, 8);
    EXPECT_EQ(wave.samples, kSamples);
}

TEST(WaveDecode, SkipsOtherChunksIncludingOddSizedOnes) {
    Bytes extra;
    extra.Text("LIST").U32(5).Text("INFOx").U8(0);  // odd size, then its pad byte
    extra.Text("fact").U32(4).U32(12345);
    const WaveData wave = DecodeWave(WaveImage(2, 44100, 16, {1, 2, 3, 4}, extra).data());
    EXPECT_EQ(wave.channels, 2);
    EXPECT_EQ(wave.bitsPerSample, 16);
    EXPECT_EQ(wave.samples, (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(WaveDecode, AcceptsDataBeforeFormat) {
    Bytes body;
    body.Text("WAVE").Text("data").U32(2).U8(7).U8(8);
    body.Text("fmt ").U32(16).U16(1).U16(1).U32(8000).U32(8000).U16(1).U16(8);
    Bytes riff;
    riff.Text("RIFF").U32(static_cast<uint32_t>(body.size())).Add(body);
    const WaveData wave = DecodeWave(riff.data());
    EXPECT_EQ(wave.sampleRate, 8000u);
    EXPECT_EQ(wave.samples, (std::vector<uint8_t>{7, 8}));
}

TEST(WaveDecode, RejectsWhatIsNotAWave) {
    auto withBody = [](const Bytes& body) {
        Bytes riff;
        riff.Text("RIFF").U32(static_cast<uint32_t>(body.size())).Add(body);
        return riff;
    };
    Bytes noFormat, noData, shortFormat, chunkTooLong, notWave;
    noFormat.Text("WAVE").Text("data").U32(1).U8(1).U8(0);
    noData.Text("WAVE").Text("fmt ").U32(16).U16(1).U16(1).U32(8000).U32(8000).U16(1).U16(8);
    shortFormat.Text("WAVE").Text("fmt ").U32(4).U32(0).Text("data").U32(0);
    chunkTooLong.Text("WAVE").Text("fmt ").U32(16).U16(1).U16(1).U32(8000).U32(8000).U16(1).U16(8);
    chunkTooLong.Text("data").U32(1000).U8(1);
    notWave.Text("AVI ").Text("fmt ").U32(0);
    Bytes rifx = WaveImage(1, 8000, 8, {1});
    Bytes noRiff;
    noRiff.Text("RIFX").Add(std::vector<uint8_t>(rifx.data().begin() + 4, rifx.data().end()));
    const std::vector<std::pair<std::string, Bytes>> cases = {
        {"empty", Bytes{}},
        {"no RIFF mark", noRiff},
        {"no WAVE mark", withBody(notWave)},
        {"no fmt chunk", withBody(noFormat)},
        {"no data chunk", withBody(noData)},
        {"fmt chunk too short", withBody(shortFormat)},
        {"chunk runs past the end", withBody(chunkTooLong)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        try {
            DecodeWave(bytes.data());
            ADD_FAILURE() << "no error";
        } catch (const GameError& error) {
            EXPECT_STREQ(error.what(), "Wave is invalid");
        }
    }
}

TEST(WaveEncode, RoundTrips) {
    const WaveData wave = MakePcmWave(2, 11025, 16, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(wave.blockAlign, 4);
    EXPECT_EQ(wave.bytesPerSecond, 44100u);
    const std::vector<uint8_t> bytes = EncodeWave(wave);
    EXPECT_EQ(bytes.size() % 2, 0u);  // odd data is padded
    const WaveData back = DecodeWave(bytes);
    EXPECT_EQ(back.channels, wave.channels);
    EXPECT_EQ(back.sampleRate, wave.sampleRate);
    EXPECT_EQ(back.bitsPerSample, wave.bitsPerSample);
    EXPECT_EQ(back.blockAlign, wave.blockAlign);
    EXPECT_EQ(back.bytesPerSecond, wave.bytesPerSecond);
    EXPECT_EQ(back.samples, wave.samples);
}

}  // namespace
