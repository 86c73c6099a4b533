#include "world/road.h"
