// `kestrivane ports`: the serial ports of this machine.
#pragma once

#include <cstdio>

// Prints them (text or JSON); returns 0.
int PrintSerialPorts(bool json, std::FILE* out);
