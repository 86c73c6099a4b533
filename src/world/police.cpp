#include "world/police.h"

#include <cmath>

#include "world/endings.h"
#include "world/explosion.h"
#include "world/kinds.h"
#include "world/obstacles.h"
#include "world/rivals.h"
#include "world/traffic.h"

TCarPolice::TCarPolice(WorldContext& world) : WorldSprite(world) {
    // The siren item loops, so this returns at once; it is stopped when the police car goes.
    w.audio.PlaySound("police", true);
    Overtaken = false;
    g().PoliceCarPresent = true;
    g().PoliceHealth = 100;
    SetPicture("carOfPolice");
    // It comes up on the side of the road away from the player.
    X = g().PlayerX >= 400 ? 210 : 520;
    Y = 590;
    SetZ(4);
    FrameIndex = 0;
}

void TCarPolice::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    w.input.Update();
    GameState& s = g();

    if (s.PoliceHealth <= 0) {
        Explode(w, X, Y);
        Leave();
        // The wreck still moves with the rest of this step.
    }

    if (s.Driving) {
        if (s.Arrested) {
            s.Speed = s.Speed - 0.04;
            if (s.Speed < 0.2) LoseCar(w, CarLoss::Arrest);
        } else if (std::abs(Y + Height + 70 - s.PlayerY) < 50) {
            // Lined up 20-120 px above the player: slide across into the player's lane.
            if (std::abs(X - s.PlayerX) >= 10) {
                X = X - (X - s.PlayerX) / 100;
            } else if (!Dead()) {
                // A wrecked or shot police car must not arrest: nothing would release the player.
                s.Arrested = true;
            }
        } else if (Y > 500) {
            if (Overtaken)
                Y = Y + 1;
            else
                Y = Y - 12 + s.Speed;
        } else {
            // A player at speed 9 or more pulls away; a slower one is overtaken.
            Y = s.Speed >= 9 ? Y + 1 : Y - 1;
            X = X - (X - s.PlayerX) / 250;
            Overtaken = true;
        }
    }

    if (Y > 600 || Y < 0) Leave();

    Collide();
}

void TCarPolice::Hit(TSprite* other, bool&) {
    const bool rival = IsRival(other);
    if (rival) new TEnemyCar(w);

    const bool post = dynamic_cast<TPoliceState*>(other) != nullptr;
    if (!(rival || post || dynamic_cast<TEnemyCityCar*>(other) != nullptr ||
          dynamic_cast<TStolb*>(other) != nullptr || dynamic_cast<TPoliceZabor*>(other) != nullptr))
        return;  // the player's car handles a ram itself

    Explode(w, other->X, other->Y);
    new TBoomSprite(w, X, Y);
    if (post) {
        // The post stands; the police car is wrecked on it.
        Leave();
    } else {
        other->Kill();
        g().PoliceHealth = static_cast<int16_t>(g().PoliceHealth - 20);
    }
}

void TCarPolice::Leave() {
    // Whatever way it goes, it no longer holds the player and its siren stops.
    g().Arrested = false;
    g().PoliceCarPresent = false;
    w.audio.StopSound("police");
    Kill();
}
