#include "world/kinds.h"

#include "world/obstacles.h"
#include "world/rivals.h"
#include "world/road.h"
#include "world/traffic.h"

bool IsPlayerCar(const TSprite* s) {
    return dynamic_cast<const TCarSprite*>(s) != nullptr;
}

bool IsRival(const TSprite* s) {
    return dynamic_cast<const TEnemyCar*>(s) != nullptr || dynamic_cast<const TEnemyCarFirst*>(s) != nullptr;
}

bool IsRoadsideTraffic(const TSprite* s) {
    return dynamic_cast<const TLujaUje*>(s) != nullptr || dynamic_cast<const TStolb*>(s) != nullptr ||
           dynamic_cast<const TLuja*>(s) != nullptr || dynamic_cast<const TEnemyCityCar*>(s) != nullptr;
}
