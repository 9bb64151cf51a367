#include "app/cli/machine/system_ways.h"

#include <cstdlib>

const char* const PortOptionHelp =
    "serial device, such as COM7; give it once for each box to serve several at once (a settings file "
    "separates them by commas), or a pattern for a station";
const char* const PortPatternExample = "COM*";
const char* const WhereAdaptersShow =
    "a USB-serial adapter shows up as a COM port once plugged in and its driver installed; the Device Manager "
    "lists it under Ports (COM & LPT)";
const char* const UserSettingsPlace = "%APPDATA%\\kestrivane\\config.ini";

namespace {

// A path as cmd and PowerShell take it back: in double quotes when it holds a space
// or a character either gives a meaning to.
std::string ShellWord(const std::string& path) {
    if (!path.empty() && path.find_first_of(" \t&()[]{}^=;!'+,`~$@%") == std::string::npos) return path;
    return "\"" + path + "\"";
}

}  // namespace

std::string RemoveCommand(const std::vector<std::string>& paths) {
    std::string line = "del";
    for (const std::string& path : paths) line += " " + ShellWord(path);
    return line;
}

std::string UserSettingsFile() {
    const char* appData = std::getenv("APPDATA");
    return appData && *appData ? std::string(appData) + "\\kestrivane\\config.ini" : std::string();
}

std::string UserSettingsFileShown() {
    const std::string user = UserSettingsFile();
    return user.empty() ? user : "%APPDATA%\\kestrivane\\config.ini";
}
