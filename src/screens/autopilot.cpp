#include "screens/autopilot.h"

#include <algorithm>
#include <cmath>

#include "world/kinds.h"
#include "world/obstacles.h"
#include "world/pickups.h"
#include "world/police.h"
#include "world/shots.h"
#include "world/signs.h"

namespace {

constexpr double kCarWidth = 60;
constexpr double kCarRow = 399;
constexpr double kLeftLimit = 90;
constexpr double kRightLimit = 650;

enum class Kind { Ignore, Hazard, Deadly, Goody, Rival };

Kind Classify(const TSprite* s) {
    if (dynamic_cast<const TPoliceState*>(s) != nullptr || dynamic_cast<const TPoliceShips*>(s) != nullptr ||
        dynamic_cast<const TPoliceZabor*>(s) != nullptr || dynamic_cast<const TCarPolice*>(s) != nullptr)
        return Kind::Deadly;
    if (IsRival(s)) return Kind::Rival;
    if (IsRoadsideTraffic(s) || dynamic_cast<const TBuletSpriteEnemy*>(s) != nullptr) return Kind::Hazard;
    if (dynamic_cast<const Pickup*>(s) != nullptr) return Kind::Goody;
    return Kind::Ignore;
}

struct Thing {
    Kind kind;
    double left;
    double right;
    double top;
    double bottom;
};

// How bad it is for the car to stand at x with these things coming: overlap weighted by
// closeness, worse for what costs the car outright; pickups count against it.
double Cost(double x, const std::vector<Thing>& things, double playerX) {
    double cost = std::fabs(x - playerX) * 0.002;  // a little preference for staying put
    for (const Thing& t : things) {
        const double margin = t.kind == Kind::Goody ? 0 : 14;
        if (x + kCarWidth + margin <= t.left || x - margin >= t.right) continue;
        // Things far up the road matter less than those about to arrive.
        const double distance = std::max(0.0, kCarRow - t.bottom);
        const double weight = 1.0 / (1.0 + distance / 120.0);
        switch (t.kind) {
            case Kind::Deadly:
                cost += 40 * weight;
                break;
            case Kind::Rival:
            case Kind::Hazard:
                cost += 10 * weight;
                break;
            case Kind::Goody:
                cost -= 4 * weight;
                break;
            case Kind::Ignore:
                break;
        }
    }
    return cost;
}

}  // namespace

AutopilotInput DecideAutopilot(const GameState& state, const TSpriteEngine& root) {
    AutopilotInput input;
    if (!state.Driving || state.Paused || state.LevelIntro) return input;
    std::vector<Thing> things;
    bool rivalInLine = false;
    bool blockedAhead = false;
    // The slowest limit of a sign still ahead: passing it faster sends the police.
    double signLimit = 1e9;
    const double carLeft = state.PlayerX;
    for (int32_t i = 0; i < root.ChildCount(); ++i) {
        const TSprite* s = root.ChildAt(i);
        if (s->Dead()) continue;
        if (const auto* sign = dynamic_cast<const TZnak*>(s);
            sign != nullptr && !sign->Triggered && sign->Y < state.PlayerY + 60 && !state.PoliceCarPresent)
            signLimit = std::min(signLimit, sign->Limit / 10.0 - 0.15);
        const Kind kind = Classify(s);
        if (kind == Kind::Ignore) continue;
        // Only what is still ahead of (or beside) the car.
        if (s->Y > kCarRow + 90 || s->Y + s->Height < kCarRow - 520) continue;
        const Thing t{kind, s->X, s->X + s->Width, s->Y, s->Y + s->Height};
        things.push_back(t);
        if (kind == Kind::Rival && s->Y + s->Height < kCarRow && std::fabs(s->X + 37 - (carLeft + 29)) < 45)
            rivalInLine = true;
        if (kind != Kind::Goody && t.bottom > kCarRow - 110 && t.top < kCarRow + 20 && t.right > carLeft &&
            t.left < carLeft + kCarWidth)
            blockedAhead = true;
    }
    double best = carLeft;
    double bestCost = Cost(carLeft, things, carLeft);
    for (double x = kLeftLimit; x <= kRightLimit; x += 10) {
        const double c = Cost(x, things, carLeft);
        if (c < bestCost - 0.05) {
            best = x;
            bestCost = c;
        }
    }
    if (best < carLeft - 4) input.left = true;
    if (best > carLeft + 4) input.right = true;
    // Keep up a good speed (9 and more shakes off the police), slow down when boxed in.
    // Under the limit of a sign ahead, so no chase starts; once the police come, as fast as the
    // car goes (9 and more shakes them off).
    const double target =
        std::min(blockedAhead && bestCost > 5 ? 4.0 : std::min(state.MaxSpeed, 10.0), signLimit);
    if (state.Speed < target)
        input.up = true;
    else
        input.down = true;  // holds the speed without coasting
    if (state.Speed > target + 0.3 && state.Speed > 1.2) input.handbrake = true;
    input.fire = state.HasWeapon && !state.ShotInFlight && rivalInLine;
    return input;
}
