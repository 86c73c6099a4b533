#include "world/pickups.h"
