// How this system names what the command line speaks of: its serial ports, the
// command that removes files, the user's settings file, and the names it takes for files.
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
// Where the rest of the help stands: "kestrivane --help, man kestrivane".
extern const char* const MoreHelp;

// The characters that end a folder's name in a path ("/"; on Windows "/\\" too).
extern const char* const PathSeparators;
// Whether the system takes two names that differ only in case for one file (Windows).
extern const bool NamesIgnoreCase;

// Why the system would refuse `path` as a file's path (Windows: its device names such
// as CON or COM1.dat, the characters : ? * " < > |, a part that ends in a dot or a
// space); "" when it takes it.
std::string NameRefusedHere(const std::string& path);
