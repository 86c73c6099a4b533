// Decoding a graphics pack of about 5 MB (twenty 256x256 32-bit pictures with alpha, built in
// memory with our writer) - the work the game does on each switch between menu and road.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/pack_reader.h"
#include "engine/pack_writer.h"

namespace {

std::vector<uint8_t> MakePack(int items, int32_t side) {
    PackContents contents;
    contents.kind = PackKind::Graphics;
    contents.colorTable = std::array<uint8_t, 1024>{};
    uint32_t seed = 12345;
    for (int i = 0; i < items; ++i) {
        ImageItemData item;
        item.name = "picture" + std::to_string(i);
        item.patternWidth = side / 4;
        item.patternHeight = side / 4;
        Picture picture;
        picture.width = side;
        picture.height = side;
        picture.bitCount = 32;
        picture.hasAlpha = true;
        picture.pixels.resize(static_cast<size_t>(side) * side);
        for (uint32_t& pixel : picture.pixels) {
            seed = seed * 1664525u + 1013904223u;
            pixel = seed;
        }
        item.picture = std::move(picture);
        contents.images.push_back(std::move(item));
    }
    return WritePack(contents);
}

void BM_ReadGraphicsPack(benchmark::State& state) {
    const std::vector<uint8_t> bytes = MakePack(20, 256);
    for (auto _ : state) {
        PackContents contents;
        ReadPack(bytes, contents);
        benchmark::DoNotOptimize(contents.images.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
    state.counters["packBytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_ReadGraphicsPack)->Unit(benchmark::kMillisecond);

void BM_WriteGraphicsPack(benchmark::State& state) {
    const std::vector<uint8_t> bytes = MakePack(20, 256);
    PackContents contents;
    ReadPack(bytes, contents);
    for (auto _ : state) {
        std::vector<uint8_t> written = WritePack(contents);
        benchmark::DoNotOptimize(written.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_WriteGraphicsPack)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
