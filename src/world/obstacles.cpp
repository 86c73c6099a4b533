#include "world/obstacles.h"
