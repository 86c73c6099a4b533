#include "world/shots.h"

#include "engine/math256.h"
#include "world/endings.h"
#include "world/kinds.h"
#include "world/obstacles.h"
#include "world/police.h"
#include "world/rivals.h"
#include "world/traffic.h"

namespace {

// Kind 1 is a bullet; anything else but a rocket counts as one too.
constexpr uint8_t kRocket = 2;
// Player shots fly 20 px a frame whatever the road's speed; enemy shots 12 plus the road's.
constexpr double kPlayerShotSpeed = 20;
constexpr double kEnemyShotSpeed = 12;

// The player's guns 3 and 4 fire rockets, 1 and 2 bullets.
const char* PlayerShotPicture(uint8_t weaponKind) {
    return weaponKind == 3 || weaponKind == 4 ? "raketa" : "bulet_pistolet";
}

// What a rival's shot takes off the car or the police car it hits.
int32_t EnemyShotDamage(uint8_t kind) {
    return kind == kRocket ? 5 : 2;
}

struct PlayerShot {
    int16_t direction;  // 0 up, small positive values lean right
    int32_t offset;     // of the shot's centre from PlayerX
};
struct PlayerVolley {
    uint8_t weaponKind;
    int32_t count;
    PlayerShot shots[3];
};
// The machine gun and the bazooka fire a crossing pair, the rocket launcher a fan of three.
constexpr PlayerVolley kPlayerVolleys[] = {
    {1, 1, {{0, 29}}},
    {2, 2, {{9, 17}, {246, 40}}},
    {3, 2, {{9, 17}, {246, 40}}},
    {4, 3, {{0, 29}, {248, 7}, {7, 50}}},
};

// Where a rocket destroying a police post sets off its explosions, from the post's corner.
constexpr BlastOffset kPostBlasts[] = {{0, 0},   {166, 0},  {0, 84},  {166, 84}, {123, 87},
                                       {40, 20}, {126, 20}, {40, 64}, {126, 64}};

}  // namespace

void FirePlayerVolley(WorldContext& world) {
    GameState& s = world.state;
    for (const PlayerVolley& volley : kPlayerVolleys) {
        if (volley.weaponKind != s.WeaponKind) continue;
        // Each shot uses one of the ammunition; the last volley may be cut short.
        for (int32_t i = 0; i < volley.count && (i == 0 || s.Ammo != 0); ++i)
            new TBuletSprite(world, volley.shots[i].direction, s.PlayerX + volley.shots[i].offset);
    }
}

// ---------------------------------------------------------------------------------------------
// TBuletSprite

TBuletSprite::TBuletSprite(WorldContext& world, int16_t direction, double centreX) : WorldSprite(world) {
    GameState& s = g();
    s.ShotInFlight = true;
    Direction = direction;
    SetPicture(PlayerShotPicture(s.WeaponKind));
    X = centreX - Width / 2.0;
    Y = s.PlayerY;
    SetZ(s.PlayerZ);
    s.Score += 5;
    PlaySound("shoot");
    s.Ammo -= 1;
    if (s.Ammo == 0) s.HasWeapon = false;
}

void TBuletSprite::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    w.input.Update();
    GameState& s = g();
    // One shot of the volley has hit something or left: the rest of the volley goes with it.
    if (!s.ShotInFlight) Kill();
    if (Y < 0) {
        Kill();
        s.ShotInFlight = false;
    }
    if (s.Driving) {
        const auto angle = static_cast<uint8_t>(Direction);
        Y -= Cos256(angle) * kPlayerShotSpeed;
        X += Sin256(angle) * kPlayerShotSpeed;
    }
    Collide();
}

void TBuletSprite::Hit(TSprite* other, bool&) {
    GameState& s = g();
    if (auto* rival = dynamic_cast<TEnemyCar*>(other)) {
        BlowUp(w, *rival, X, Y, 50);
        s.ShotInFlight = false;
        new TEnemyCar(w);
        X -= 35;
        Y -= 35;
        Kill();
    }
    if (auto* car = dynamic_cast<TEnemyCityCar*>(other)) {
        BlowUp(w, *car, X, Y, 20);
        s.ShotInFlight = false;
        new TEnemyCityCar(w);
        X -= 35;
        Y -= 35;
        Kill();
    }
    if (auto* police = dynamic_cast<TCarPolice*>(other)) {
        BlowUp(w, *police, police->X, police->Y, 50);
        s.Arrested = false;
        s.PoliceCarPresent = false;
        s.ShotInFlight = false;
        Kill();
    }
    if (auto* barrier = dynamic_cast<TPoliceZabor*>(other)) {
        BlowUp(w, *barrier, barrier->X, barrier->Y, 20);
        s.ShotInFlight = false;
        Kill();
    }
    // Bullets pass through a police post; only rockets bring it down.
    if (auto* post = dynamic_cast<TPoliceState*>(other);
        post != nullptr && (s.WeaponKind == 3 || s.WeaponKind == 4)) {
        BlowUp(w, *post, post->X, post->Y, 100, kPostBlasts);
        s.ShotInFlight = false;
        Kill();
    }
}

// ---------------------------------------------------------------------------------------------
// TBuletSpriteEnemy

TBuletSpriteEnemy::TBuletSpriteEnemy(WorldContext& world, int32_t x, int32_t y, uint8_t angle, uint8_t kind)
    : WorldSprite(world) {
    PlaySound("shoot");
    Kind = kind;
    Angle = angle;
    if (kind == kRocket) {
        SetPicture("raketa");
        Rotation = angle;  // the rocket points along its flight
    } else {
        SetPicture("bulet_pistolet");
    }
    X = x;
    Y = y;
    SetZ(2);
    // Each enemy shot starts the sound twice.
    PlaySound("shoot");
    FrameCount = PatternCount();
    FrameLoop = true;
    FrameSpeed = 0.2;
}

void TBuletSpriteEnemy::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    Collide();
    w.input.Update();
    const GameState& s = g();
    // Tested before the move, so a shot is drawn once just past the edge.
    if (X > 800 || X < 0 || Y > 600 || Y < 0) Kill();
    if (s.Driving) {
        const double v = s.Speed + kEnemyShotSpeed;
        const auto heading = static_cast<uint8_t>(Angle - 64);  // 0 = up, clockwise
        X += Cos256(heading) * v;
        Y += Sin256(heading) * v;
    }
}

void TBuletSpriteEnemy::Hit(TSprite* other, bool&) {
    GameState& s = g();
    if (IsPlayerCar(other)) {
        s.Speed -= 1;
        if (s.Speed < 1) s.Speed = 0;
        s.Health -= EnemyShotDamage(Kind);
        if (s.Health < 0) s.Health = 0;
        CarHit(w, CarLoss::Crash);
        Kill();
    }
    if (dynamic_cast<TCarPolice*>(other) != nullptr) {
        s.PoliceHealth = static_cast<int16_t>(s.PoliceHealth - EnemyShotDamage(Kind));
        Kill();
    }
}
