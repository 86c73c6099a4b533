#include "world/signs.h"
