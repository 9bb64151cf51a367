#include "app/cli/machine/system_ways.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

const char* const PortOptionHelp =
    "serial device, such as COM7; give it once for each box to serve several at once (a settings file "
    "separates them by commas), or a pattern for a station";
const char* const PortPatternExample = "COM*";
const char* const WhereAdaptersShow =
    "a USB-serial adapter shows up as a COM port once plugged in and its driver installed; the Device Manager "
    "lists it under Ports (COM & LPT)";
const char* const MoreHelp = "kestrivane --help, kestrivane help COMMAND, and README.txt beside the program";
const char* const UserSettingsPlace = "%APPDATA%\\kestrivane\\config.ini";

namespace {

// A path as cmd and PowerShell take it back: in double quotes when it holds a space
// or a character either gives a meaning to.
std::string ShellWord(const std::string& path) {
    if (!path.empty() && path.find_first_of(" \t&()[]{}^=;!'+,`~$@%") == std::string::npos) return path;
    return "\"" + path + "\"";
}

// The names Windows keeps for its devices, whatever extension follows them.
bool IsDeviceName(std::string part) {
    part = part.substr(0, part.find('.'));
    while (!part.empty() && part.back() == ' ') part.pop_back();
    for (char& c : part) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (part == device) return true;
    // COM0 .. COM9 and LPT0 .. LPT9, and with the superscript digits 1, 2 and 3.
    if (part.size() < 4 || (part.compare(0, 3, "COM") != 0 && part.compare(0, 3, "LPT") != 0)) return false;
    const std::string digit = part.substr(3);
    return (digit.size() == 1 && std::isdigit(static_cast<unsigned char>(digit[0]))) || digit == "\xB9" ||
           digit == "\xB2" || digit == "\xB3" || digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

// Why one part of a path (a folder's or the file's name) cannot be a name.
std::string PartProblem(const std::string& part) {
    if (part.empty() || part == "." || part == "..") return {};
    const std::size_t bad = part.find_first_of(":?*\"<>|");
    if (bad != std::string::npos)
        return std::string("'") + part[bad] + "' cannot stand in a Windows file name (" + part + ")";
    if (part.back() == '.' || part.back() == ' ')
        return "a Windows file name cannot end in " + std::string(part.back() == '.' ? "a dot" : "a space") + " (" +
               part + ")";
    if (IsDeviceName(part)) return part + " names a Windows device, not a file";
    return {};
}

}  // namespace

const char* const PathSeparators = "/\\";
const bool NamesIgnoreCase = true;

std::string NameRefusedHere(const std::string& path) {
    std::size_t start = 0;
    if (path.compare(0, 4, "\\\\?\\") == 0 || path.compare(0, 4, "\\\\.\\") == 0)
        return path.substr(0, 4) + " paths name devices and raw paths: give an ordinary path such as C:\\img\\box.dat";
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        if (path.size() == 2 || (path[2] != '\\' && path[2] != '/'))
            return path.substr(0, 2) + " without a \\ after it is the current folder of drive " + path.substr(0, 1) +
                   ": give a whole path (" + path.substr(0, 2) + "\\img\\box.dat) or a name in this folder";
        start = 3;
    } else if (path.compare(0, 2, "\\\\") == 0 || path.compare(0, 2, "//") == 0) {
        start = 2;  // \\server\share\..: the server and share are names too
    }
    for (std::size_t at = start; at <= path.size();) {
        const std::size_t end = std::min(path.find_first_of(PathSeparators, at), path.size());
        if (const std::string problem = PartProblem(path.substr(at, end - at)); !problem.empty()) return problem;
        at = end + 1;
    }
    return {};
}

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
