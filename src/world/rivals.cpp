#include "world/rivals.h"

#include <cmath>

#include "app/random.h"
#include "engine/image_list.h"
#include "engine/math256.h"
#include "platform/draw_surface.h"
#include "world/endings.h"
#include "world/explosion.h"
#include "world/kinds.h"
#include "world/shots.h"

namespace {

// Above the screen, where a new rival starts.
constexpr double kRivalStartY = -140;
// A rival keeps to the road: X from 90 to 710.
constexpr double kLeftLimit = 90;
constexpr double kRightLimit = 710;
// Drifting towards the player starts when the rival is this close vertically.
constexpr double kDriftRange = 300;
// The gun sits on the car's roof; its picture is drawn at this size.
constexpr double kMuzzleDX = 37;
constexpr double kMuzzleDY = 45;
constexpr int32_t kGunWidth = 46;
constexpr int32_t kGunHeight = 42;
// The gun turns about the point 0.5 of its width and 0.8 of its height (the grip), which sits
// on the muzzle point.
constexpr double kGunPivotY = 0.8;
constexpr uint8_t kAimEvery = 15;
// Less than 256 / 2 pi: the gun turns less than the true bearing.
constexpr double kAimFactor = 26;

struct Gun {
    const char* name;
    uint8_t interval;  // frames between volleys
};
// By the weapon draw: 0 is no gun.
constexpr Gun kGuns[] = {{"", 0}, {"pistolet", 32}, {"avtomat", 32}, {"bazuka", 42}, {"raketnica", 42}};

// A random lane's X.
double RivalLaneX(const GameState& state) {
    return LaneX(state, Random(4), 22);
}

}  // namespace

const char* RivalPicture(const GameState& state) {
    return state.Clan == 1 ? "carOfDragons" : "carOfBuldogs";
}

uint8_t AimAngle(double x, double y, double playerX, double playerY, uint8_t current) {
    // The gun keeps its angle when the rival is level with the player, and also when it is level
    // with the aim point (7 px left of the player's X), where the bearing's slope has no value.
    const double dx = playerX - 7 - x;
    if (x == playerX || dx == 0) return current;
    const int32_t turn = RoundHalfEven(PortableAtan((playerY - 6 - y) / dx) * kAimFactor);
    // Modulo 256: a negative angle wraps round to the left half of the circle.
    return static_cast<uint8_t>(x < playerX ? turn + 64 : turn - 64);
}

// ---------------------------------------------------------------------------------------------
// TEnemyCar

TEnemyCar::TEnemyCar(WorldContext& world) : WorldSprite(world) {
    SetPicture(RivalPicture(g()));
    // Heavier guns come with the levels: at most a pistol on level 1, the rocket launcher from
    // level 4 on. Every draw is made; the last one counts.
    int32_t weapon = Random(2);
    if (g().Level >= 2) weapon = Random(3);
    if (g().Level >= 3) weapon = Random(4);
    if (g().Level >= 4) weapon = Random(5);
    GunName = kGuns[weapon].name;
    ShotInterval = kGuns[weapon].interval;
    // The first volley leaves on the first armed frame.
    ShotTimer = ShotInterval;
    AimTimer = kAimEvery;
    X = RivalLaneX(g());
    Y = kRivalStartY;
    SetZ(4);
    FrameIndex = 0;
}

void TEnemyCar::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    Collide();
    w.input.Update();
    GameState& s = g();
    if (s.Driving) {
        if (!GunName.empty()) {
            if (ShotTimer >= ShotInterval) {
                ShotTimer = 0;
                FireVolley();
            }
            ++ShotTimer;
            if (AimTimer >= kAimEvery) {
                AimTimer = 0;
                GunAngle = AimAngle(X, Y, s.PlayerX, s.PlayerY, GunAngle);
            }
            ++AimTimer;
        }
        if (s.PolicePostPresent && std::fabs(s.PolicePostY - Y - Height) < 50 && s.PolicePostY > Y) {
            // Queues behind the police post: keeps its place on the road and does not steer.
            Y += s.Speed;
        } else {
            Y += s.Speed + 0.6;
            if (std::fabs(Y - s.PlayerY) < kDriftRange) X -= (X - s.PlayerX) / 150;
        }
    }
    if (X < kLeftLimit) X = kLeftLimit;
    if (X > kRightLimit) X = kRightLimit;
}

int32_t TEnemyCar::MuzzleX() const {
    return RoundHalfEven(X + kMuzzleDX);
}
int32_t TEnemyCar::MuzzleY() const {
    return RoundHalfEven(Y + kMuzzleDY);
}

void TEnemyCar::FireVolley() {
    struct Shot {
        uint8_t kind;  // 1 bullet, 2 rocket
        int32_t turn;  // from GunAngle
    };
    struct Volley {
        const char* gun;
        int32_t count;
        Shot shots[3];
    };
    static constexpr Volley kVolleys[] = {
        {"pistolet", 1, {{1, 0}}},
        {"avtomat", 2, {{1, 3}, {1, -3}}},
        {"bazuka", 2, {{2, 3}, {2, -3}}},
        {"raketnica", 3, {{2, 3}, {1, 0}, {2, -3}}},
    };
    const int32_t mx = MuzzleX();
    const int32_t my = MuzzleY();
    for (const Volley& volley : kVolleys) {
        if (GunName != volley.gun) continue;
        for (int32_t i = 0; i < volley.count; ++i)
            new TBuletSpriteEnemy(w, mx, my, static_cast<uint8_t>(GunAngle + volley.shots[i].turn),
                                  volley.shots[i].kind);
    }
}

Rect TEnemyCar::GunRect() const {
    // The surface turns a picture about the centre of its rectangle, but the gun turns about its
    // grip (0.5, 0.8 of its size), which stays on the muzzle point. Turning about the grip puts
    // the picture's centre, 0.3 of the height above the grip, at that offset turned by GunAngle
    // (clockwise, 0 = up); a rectangle centred there and turned about its own centre covers the
    // same pixels.
    const double arm = (kGunPivotY - 0.5) * kGunHeight;
    const int32_t cx = RoundHalfEven(MuzzleX() + Sin256(GunAngle) * arm);
    const int32_t cy = RoundHalfEven(MuzzleY() - Cos256(GunAngle) * arm);
    return MakeRect(cx - kGunWidth / 2, cy - kGunHeight / 2, kGunWidth, kGunHeight);
}

void TEnemyCar::Render() {
    TImageSprite::Render();
    if (GunName.empty() || World() == nullptr || World()->DrawTarget() == nullptr) return;
    TPictureCollectionItem& gun = w.images.FindImage(GunName);
    gun.DrawRotated(*World()->DrawTarget(), GunRect(), 0, GunAngle * 360.0 / 256.0, 255);
}

void TEnemyCar::Hit(TSprite* other, bool&) {
    if (!IsPlayerCar(other)) return;
    GameState& s = g();
    if (w.timers.Timer_Level.Enabled()) {
        // During the level banner a rival in the way just goes, with no replacement.
        Kill();
        return;
    }
    new TBoomSprite(w, X, Y);
    Kill();
    new TEnemyCar(w);
    RamDamage(s);
    if (s.Driving) CarHit(w, CarLoss::Rammed);
}

// ---------------------------------------------------------------------------------------------
// TEnemyCarFirst

TEnemyCarFirst::TEnemyCarFirst(WorldContext& world, double y) : WorldSprite(world) {
    SetPicture(RivalPicture(g()));
    X = RivalLaneX(g());
    Y = y;
    SetZ(2);
}

void TEnemyCarFirst::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    Collide();
    w.input.Update();
    const GameState& s = g();
    if (s.LevelIntro || !s.Driving) return;
    if (std::fabs(Y - s.PlayerY) < kDriftRange) X -= (X - s.PlayerX) / 150;
    Y += s.Speed + 2;
}

void TEnemyCarFirst::Hit(TSprite* other, bool&) {
    if (!IsPlayerCar(other)) return;
    GameState& s = g();
    new TBoomSprite(w, X, Y);
    Kill();
    new TEnemyCar(w);
    RamDamage(s);
    // Unlike the armed rivals it ignores the level banner and whether the road is moving.
    CarHit(w, CarLoss::Wreck);
}
