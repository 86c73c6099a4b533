#include "world/shots.h"
