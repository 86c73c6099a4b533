// One engine frame: move (each sprite running its own collision pass), draw to a null surface,
// remove the dead. 30 and 300 sprites on the road.

#include <benchmark/benchmark.h>

#include "app/random.h"
#include "engine/image_list.h"
#include "engine/sprite.h"
#include "platform/fake/fakes.h"

namespace {

// A car that drifts down the road and checks what it runs into, as the world objects do.
class Mover : public TImageSprite {
public:
    using TImageSprite::TImageSprite;
    void Step(int32_t lagCount) override {
        TImageSprite::Step(lagCount);
        Y += speed;
        if (Y > 600) Y = -Height;
        Collide();
    }
    void Hit(TSprite*, bool&) override { ++hits; }
    double speed = 1;
    int64_t hits = 0;
};

void EngineFrame(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    NullSurface surface;
    surface.recordDraws = false;
    TPictureCollection images;
    PackContents pack;
    ImageItemData car;
    car.name = "car";
    Picture picture;
    picture.width = 70;
    picture.height = 120;
    picture.pixels.assign(70 * 120, 0xFF336699);
    car.picture = picture;
    pack.images.push_back(car);
    images.LoadContents(pack);
    images.Initialize(&surface);
    TSpriteEngine engine;
    engine.SetDrawTarget(&surface);
    SeedRandom(7);
    for (int i = 0; i < count; ++i) {
        auto* sprite = new Mover(&engine);
        sprite->ImageItem = &images.FindImage("car");
        sprite->Width = 70;
        sprite->Height = 120;
        sprite->X = 90 + Random(620);
        sprite->Y = Random(600);
        sprite->speed = 1 + Random(4);
        sprite->SetZ(Random(3));
    }
    for (auto _ : state) {
        engine.MoveTree(3);
        engine.RenderPass();
        engine.RemoveDead();
    }
    state.counters["drawn"] = engine.DrawnCount;
}
BENCHMARK(EngineFrame)->Arg(30)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
