#include "world/traffic.h"
