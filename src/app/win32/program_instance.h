// The program instance, recorded at entry; dialogs and icons are loaded from it.
#pragma once

#include <windows.h>

extern HINSTANCE ProgramInstance;
