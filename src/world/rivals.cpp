#include "world/rivals.h"
