#include "world/road.h"

#include <cmath>

#include "app/random.h"
#include "engine/math256.h"
#include "world/endings.h"
#include "world/obstacles.h"
#include "world/pickups.h"
#include "world/police.h"

namespace {

// The car's row and the road's margins: Y = 600 - 101 - 100, X from 90 to 800 - 90 - 60.
constexpr double kCarRow = 399;
constexpr double kLeftLimit = 90;
constexpr double kRightLimit = 650;

struct HealthBand {
    int32_t lowest;  // of round(Health)
    int32_t pattern;
    int32_t acceleration;
    double maxSpeed;
};
// A more damaged car picks up and loses speed faster but has a lower top speed.
constexpr HealthBand kBands[] = {{75, 0, 30, 10.0}, {50, 1, 60, 8.5}, {25, 2, 90, 7.0}, {0, 3, 120, 5.5}};

}  // namespace

TScrollBackground::TScrollBackground(WorldContext& world) : TBackgroundSprite(&world.root), w(world) {
    ResizeMap(200, 10);
    ImageItem = &w.images.FindImage("background");
    X = 0;
    Y = 0;
    Wrap = true;
    SetZ(0);
}

void TScrollBackground::Step(int32_t) {
    const GameState& g = w.state;
    if (g.Paused || g.GameMainExit) return;
    if (g.LevelIntro)
        Y += 3;
    else if (g.Driving)
        Y += RoundHalfEven(g.Speed);
}

TCarSprite::TCarSprite(WorldContext& world) : WorldSprite(world) {
    SetPicture(g().Clan == 2 ? "carOfDragonsPlayer" : "carOfBuldogsPlayer");
    if (g().LevelIntro) {
        // Below the screen, under the truck that carries it in.
        X = 458;
        Y = 720;
    } else {
        static constexpr double kStarts[] = {148, 298, 448, 598};
        X = kStarts[Random(4)];
        Y = kCarRow;
    }
    SetZ(4);
}

void TCarSprite::Step(int32_t lagCount) {
    // No frame count: the animation step puts the intact picture back every frame and the
    // health band below picks the one to show.
    TImageSprite::Step(lagCount);
    w.input.Update();
    GameState& s = g();
    if (s.Paused || s.GameMainExit || (s.Driving && s.Arrested)) return;
    if (s.Speed > 1.0) {
        s.StartBlink = false;
        Shown = true;
    }
    if (s.StartBlink) {
        // The new car flashes, one flip every 14 frames, until it first goes faster than 1.
        if (++s.BlinkTicks > 14) {
            Shown = !Shown;
            s.BlinkTicks = 1;
        }
    }
    if (s.LevelIntro) {
        if (s.TruckArrived) {
            // Backs out of the stopped truck down to its row.
            if (Y < kCarRow)
                Y += 4;
            else
                Y = kCarRow;
        } else {
            Y -= 3;  // rides up inside the truck
        }
        return;
    }
    if (!s.Driving) return;
    if (s.Health < 0) s.Health = 0;

    const int32_t health = RoundHalfEven(s.Health);
    for (const HealthBand& band : kBands) {
        if (health >= band.lowest) {
            FrameIndex = band.pattern;
            s.Acceleration = band.acceleration;
            s.MaxSpeed = band.maxSpeed;
            break;
        }
    }

    const double a = s.Acceleration;
    // Steering is proportional to speed: a stopped car cannot steer.
    if (w.input.Left()) X -= std::fabs(s.Speed) / 1.3;
    if (w.input.Right()) X += std::fabs(s.Speed) / 1.3;
    if (w.input.Up()) {
        if (s.Speed == 0)
            s.Speed = 1.0;
        else
            s.Speed += a / 900;
    }
    // Holding down does not brake; it only keeps the car from coasting.
    if (w.input.Button(2) && s.Speed != 0) {
        PlaySound("ruchnik");
        s.Speed -= a / 250;
    }
    if (!w.input.Up() && !w.input.Down()) s.Speed -= a / 1500;
    if (s.Speed < 1.0) s.Speed = 0;
    X = std::max(X, kLeftLimit);
    X = std::min(X, kRightLimit);
    // Nitro may hold the speed above the band's limit.
    if (s.Speed > s.MaxSpeed && !s.NitroOn) s.Speed = s.MaxSpeed;
    Y = kCarRow;
    s.PlayerX = X;
    s.PlayerY = Y;
    s.PlayerZ = Z();
    Collide();
}

void TCarSprite::Hit(TSprite* other, bool&) {
    GameState& s = g();
    if (auto* police = dynamic_cast<TCarPolice*>(other)) {
        s.PoliceHealth = static_cast<int16_t>(s.PoliceHealth - 30);
        // The two are pushed apart.
        if (X > police->X) {
            police->X -= 20;
            X += 15;
        } else {
            police->X += 20;
            X -= 15;
        }
        s.Speed -= 2;
        if (s.Speed < 1.0) s.Speed = 0;
        s.Health -= 20;
        if (s.Health < 0) s.Health = 0;
        CarHit(w, CarLoss::Crash);
    }
    // The mounted gun overlaps the car all the time; it goes once the last shot is fired.
    if (dynamic_cast<TGunsCar*>(other) != nullptr && !s.HasWeapon) other->Kill();
    if (dynamic_cast<TLuja*>(other) != nullptr) {
        PlaySound("luja");
        new TLujaUje(w, other->X, other->Y);
        other->Kill();
    }
    if (dynamic_cast<TLujaUje*>(other) != nullptr && Y - other->Y <= other->Height / 2.0) {
        // Reached the puddle's upper half: the car skids across it, away from its centre.
        const double c = X + Width / 2.0 - (other->X + other->Width / 2.0);
        if (c < 0)
            X = other->X + other->Width + 2;
        else
            X = other->X - 2 - Width;
    }
}
