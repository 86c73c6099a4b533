#include "world/police.h"
