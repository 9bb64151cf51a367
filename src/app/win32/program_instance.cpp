#include "app/win32/program_instance.h"

HINSTANCE ProgramInstance = nullptr;
