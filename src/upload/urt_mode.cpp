#include "upload/urt_mode.h"

bool UrtMode = false;
