// How this system names what the command line speaks of: its serial ports, the
// command that removes files, the user's settings file.
#pragma once

#include <string>
#include <vector>

// --port's help (with a port as the system names one: /dev/ttyUSB0), a pattern of
// several ports ("'/dev/ttyUSB*'"), and where an adapter shows up once plugged in.
extern const char* const PortOptionHelp;
extern const char* const PortPatternExample;
extern const char* const WhereAdaptersShow;

// The command that removes `paths`, as the user's shell takes it ("rm 'a b.dat'").
std::string RemoveCommand(const std::vector<std::string>& paths);

// The user's settings file ("" when the system names no place for it), as shown to
// the user, and its place in words for the help.
std::string UserSettingsFile();
std::string UserSettingsFileShown();
extern const char* const UserSettingsPlace;
