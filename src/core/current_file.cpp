#include "link/current_file.h"

std::FILE* CurrentSectionFile = nullptr;
