#include "world/endings.h"

#include "world/explosion.h"

void LoseCar(WorldContext& world, CarLoss how) {
    switch (how) {
        case CarLoss::Crash:
            world.audio.PlaySound("boom");
            break;
        case CarLoss::Wreck:
            world.audio.PlaySound("dead");
            world.audio.PlaySound("boom");
            break;
        case CarLoss::Rammed:
            world.audio.PlaySound("boom");
            world.audio.PlaySound("dead");
            break;
        case CarLoss::Arrest:
            break;
    }
    world.loseCar();
}

void CarHit(WorldContext& world, CarLoss how) {
    if (world.state.Health > 0)
        world.audio.PlaySound("boom_stena");
    else
        LoseCar(world, how);
}

void RamDamage(GameState& state) {
    if (!state.StartBlink) state.Health -= state.Speed * 3;
    state.Speed -= 2;
}

void Explode(WorldContext& world, double x, double y, std::span<const BlastOffset> blasts) {
    world.audio.PlaySound("boom");
    for (const BlastOffset& blast : blasts) new TBoomSprite(world, x + blast.dx, y + blast.dy);
}

void BlowUp(WorldContext& world, TSprite& victim, double x, double y, int32_t points,
            std::span<const BlastOffset> blasts) {
    Explode(world, x, y, blasts);
    victim.Kill();
    world.state.Score += points;
}
