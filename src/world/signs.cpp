#include "world/signs.h"

#include <algorithm>
#include <cmath>

#include "app/random.h"
#include "engine/image_list.h"
#include "engine/math256.h"
#include "world/police.h"

TZnak::TZnak(WorldContext& world) : WorldSprite(world) {
    g().SignPresent = true;
    static const uint8_t kLimits[] = {30, 60, 90};
    static const char* const kPictures[] = {"znak30", "znak60", "znak90"};
    const int32_t pick = Random(3);
    Limit = kLimits[pick];
    SetPicture(kPictures[pick]);
    X = 715;
    Y = -70;
    SetZ(3);
}

void TZnak::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    GameState& s = g();
    if (s.Driving) Y = Y + s.Speed;
    // Passed faster than the limit the display shows: a police chase of a full 8 seconds.
    if (!Triggered && std::abs(Y - s.PlayerY) < 50 && static_cast<double>(Limit) < s.Speed * 10) {
        Triggered = true;
        s.PoliceChase = true;
        new TIndexPolice(w);
        const uint64_t now = w.now();
        w.timers.Timer_police.SetEnabled(false, now);
        w.timers.Timer_police.SetEnabled(true, now);
        if (!s.PoliceCarPresent) new TCarPolice(w);
    }
}

TIndexGorod::TIndexGorod(WorldContext& world) : WorldSprite(world) {
    SetPicture(g().Clan == 2 ? "m_helthLineOfDragons" : "m_helthLineOfBuldogs");
    X = 170;
    Y = 565;
    SetZ(11);
}

void TIndexGorod::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    // Squeezed to the car's health; a health driven below 0 in the frame the car is lost shows
    // nothing rather than a box of negative width.
    const double patternWidth = ImageItem->PatternWidth();
    Width = std::max(0, RoundHalfEven(patternWidth / 100 * g().Health));
}

TIndexPolice::TIndexPolice(WorldContext& world) : WorldSprite(world) {
    SetPicture("m_police");
    X = 0;
    Y = 40;
    SetZ(11);
}

void TIndexPolice::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    if (!g().PoliceChase) Kill();
}

TIndexGuns::TIndexGuns(WorldContext& world) : WorldSprite(world) {
    SetPicture("m_pistolet");
    X = 730;
    Y = 190;
    SetZ(10);
    FrameIndex = 0;
}

void TIndexGuns::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    if (!g().HasWeapon) Kill();
}

TIndexNitro::TIndexNitro(WorldContext& world) : WorldSprite(world) {
    SetPicture("m_nitro");
    X = 730;
    Y = 330;
    SetZ(10);
    FrameIndex = 0;
}

void TIndexNitro::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    if (!g().NitroOn) Kill();
}
