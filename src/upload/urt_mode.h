// Whether the file chosen for the last upload is a URT file (one section, six
// bytes ahead of its header packet) rather than a section or index file.
#pragma once

#include "stored/urt_file_name.h"

extern bool UrtMode;
