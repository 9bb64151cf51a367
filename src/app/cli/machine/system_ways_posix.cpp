#include "app/cli/machine/system_ways.h"

#include <cctype>
#include <cstdlib>

const char* const PortOptionHelp =
    "serial device, such as /dev/ttyUSB0; give it once for each box to serve several at once (a settings file "
    "separates them by commas), or a pattern for a station";
const char* const PortPatternExample = "'/dev/ttyUSB*'";
const char* const WhereAdaptersShow = "a USB-serial adapter shows up as /dev/ttyUSB0 or /dev/ttyACM0 once plugged in";
const char* const MoreHelp = "kestrivane --help, man kestrivane";
const char* const UserSettingsPlace = "$XDG_CONFIG_HOME/kestrivane/config.ini (else ~/.config/kestrivane/config.ini)";

namespace {

// A path as a shell takes it back.
std::string ShellWord(const std::string& path) {
    bool plain = !path.empty();
    for (unsigned char c : path)
        plain = plain && (std::isalnum(c) || std::string("_./+-:=@%,").find(static_cast<char>(c)) != std::string::npos);
    if (plain) return path;
    std::string quoted = "'";
    for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

std::string RemoveCommand(const std::vector<std::string>& paths) {
    std::string line = "rm";
    for (const std::string& path : paths) line += " " + ShellWord(path);
    return line;
}

std::string UserSettingsFile() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/kestrivane/config.ini";
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) + "/.config/kestrivane/config.ini" : std::string();
}

std::string UserSettingsFileShown() {
    const std::string user = UserSettingsFile();
    const char* home = std::getenv("HOME");
    if (home && *home && user.rfind(std::string(home) + "/", 0) == 0) return "~" + user.substr(std::string(home).size());
    return user;
}

const char* const PathSeparators = "/";
const bool NamesIgnoreCase = false;

std::string NameRefusedHere(const std::string&) { return {}; }
