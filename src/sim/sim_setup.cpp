#include "sim/sim_setup.h"

#include <functional>
#include <map>

#include "world/obstacles.h"
#include "world/pickups.h"
#include "world/police.h"
#include "world/rivals.h"
#include "world/signs.h"
#include "world/traffic.h"

bool SetGameValue(GameState& s, const std::string& name, double v) {
    const auto i32 = [v](int32_t& field) { field = static_cast<int32_t>(v); };
    const auto flag = [v](bool& field) { field = v != 0; };
    const std::map<std::string, std::function<void()>> setters = {
        {"Score", [&] { i32(s.Score); }},
        {"Level", [&] { i32(s.Level); }},
        {"Lives", [&] { i32(s.Lives); }},
        {"Health", [&] { s.Health = v; }},
        {"Speed", [&] { s.Speed = v; }},
        {"Distance", [&] { i32(s.Distance); }},
        {"LevelLength", [&] { i32(s.LevelLength); }},
        {"Ammo", [&] { i32(s.Ammo); }},
        {"WeaponKind", [&] { s.WeaponKind = static_cast<uint8_t>(v); }},
        {"HasWeapon", [&] { flag(s.HasWeapon); }},
        {"PoliceHealth", [&] { s.PoliceHealth = static_cast<int16_t>(v); }},
        {"PoliceChase", [&] { flag(s.PoliceChase); }},
        {"StartBlink", [&] { flag(s.StartBlink); }},
        {"Clan", [&] { i32(s.Clan); }},
    };
    const auto found = setters.find(name);
    if (found == setters.end()) return false;
    found->second();
    return true;
}

TSprite* SpawnRoadObject(WorldContext& w, const std::string& name) {
    const std::map<std::string, std::function<TSprite*()>> makers = {
        {"TEnemyCar", [&] { return new TEnemyCar(w); }},
        {"TEnemyCarFirst", [&] { return new TEnemyCarFirst(w, -140); }},
        {"TEnemyCityCar", [&] { return new TEnemyCityCar(w); }},
        {"TCarPolice", [&] { return new TCarPolice(w); }},
        {"TStolb", [&] { return new TStolb(w); }},
        {"TRocksMassovka", [&] { return new TRocksMassovka(w); }},
        {"TPoliceState", [&] { return new TPoliceState(w); }},
        {"TPoliceZabor", [&] { return new TPoliceZabor(w, 450); }},
        {"TPoliceShips", [&] { return new TPoliceShips(w, 290); }},
        {"TLuja", [&] { return new TLuja(w); }},
        {"TZnak", [&] { return new TZnak(w); }},
        {"TLiveSprite", [&] { return new TLiveSprite(w); }},
        {"TGunsSprite", [&] { return new TGunsSprite(w); }},
        {"TBonusSprite", [&] { return new TBonusSprite(w); }},
        {"TNitroSprite", [&] { return new TNitroSprite(w); }},
        {"TMedicSprite", [&] { return new TMedicSprite(w); }},
    };
    const auto found = makers.find(name);
    return found == makers.end() ? nullptr : found->second();
}
