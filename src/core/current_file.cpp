#include "core/current_file.h"

std::FILE* CurrentSectionFile = nullptr;
