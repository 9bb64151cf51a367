// Windows' serial ports: what the device manager knows of each (its name, maker, USB
// ids, serial number), and the COM names the system maps without details.
#include <windows.h>
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>

#include "app/cli/machine/port_names.h"
#include "app/cli/machine/serial_ports.h"
#include "app/cli/machine/wildcard.h"

namespace {

// "COM7" of "\\.\COM7" or "com7"; "" when the name is no COM port's.
std::string ComName(std::string port) {
    if (port.rfind("\\\\.\\", 0) == 0) port = port.substr(4);
    if (port.size() < 4 || _strnicmp(port.c_str(), "COM", 3) != 0) return {};
    if (port.find_first_not_of("0123456789", 3) != std::string::npos) return {};
    return "COM" + port.substr(3);
}

std::string Property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    char text[1024] = {};
    if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, reinterpret_cast<BYTE*>(text),
                                           sizeof text - 2, nullptr))
        return {};
    return text;  // a list's first entry
}

std::string PortNameOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return {};
    char name[64] = {};
    DWORD size = sizeof name - 1, type = 0;
    const bool read = RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return read && type == REG_SZ ? ComName(name) : std::string();
}

std::string InstanceId(DEVINST device) {
    char id[MAX_DEVICE_ID_LEN + 1] = {};
    return CM_Get_Device_IDA(device, id, sizeof id, 0) == CR_SUCCESS ? id : "";
}

// "0403:6001" of a hardware id "FTDIBUS\COMPORT&VID_0403&PID_6001" or "USB\VID_0403&PID_6001...".
std::string UsbIds(std::string hardwareId) {
    std::transform(hardwareId.begin(), hardwareId.end(), hardwareId.begin(), ::toupper);
    const std::size_t vid = hardwareId.find("VID_"), pid = hardwareId.find("PID_");
    if (vid == std::string::npos || pid == std::string::npos) return {};
    std::string ids = hardwareId.substr(vid + 4, 4) + ":" + hardwareId.substr(pid + 4, 4);
    std::transform(ids.begin(), ids.end(), ids.begin(), ::tolower);
    return ids.size() == 9 ? ids : "";
}

// The adapter's serial number from an instance id: "USB\VID_2341&PID_0043\8573531"
// holds it last (an id Windows made up holds '&' there); FTDI's driver writes
// "FTDIBUS\VID_0403+PID_6001+A50285BIA\0000", the serial number and a letter for the
// interface. A port of a composite device takes it from its parent.
std::string SerialNumber(DEVINST device) {
    for (int level = 0; level < 2; ++level) {
        const std::string id = InstanceId(device);
        if (id.rfind("FTDIBUS\\", 0) == 0) {
            const std::size_t plus = id.rfind('+'), slash = id.rfind('\\');
            if (plus != std::string::npos && slash > plus + 2) return id.substr(plus + 1, slash - plus - 2);
        } else if (id.rfind("USB\\", 0) == 0) {
            const std::string last = id.substr(id.rfind('\\') + 1);
            if (!last.empty() && last.find('&') == std::string::npos) return last;
        }
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, device, 0) != CR_SUCCESS) break;
        device = parent;
    }
    return {};
}

// The COM names the system maps (HARDWARE\DEVICEMAP\SERIALCOMM), with or without a
// device manager's entry.
std::vector<std::string> MappedComNames() {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        char value[256], data[64] = {};
        DWORD valueSize = sizeof value, dataSize = sizeof data - 1, type = 0;
        if (RegEnumValueA(key, i, value, &valueSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize) !=
            ERROR_SUCCESS)
            break;
        if (type == REG_SZ && !ComName(data).empty()) names.push_back(ComName(data));
    }
    RegCloseKey(key);
    return names;
}

// Under Wine a COM port may be no more than a link in its prefix's dosdevices folder
// ("com5" -> /dev/ttyUSB0), which the system's lists leave out: those whose device is
// there, seen through the drive Wine gives to /. None elsewhere.
std::vector<std::string> WinePrefixComNames() {
    std::vector<std::string> names;
    if (!GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) return names;
    const char* configDir = std::getenv("WINECONFIGDIR");  // "\??\Z:\home\me\.wine"
    if (!configDir || std::strncmp(configDir, "\\??\\", 4) != 0) return names;
    const std::string folder = std::string(configDir + 4) + "\\dosdevices\\";
    WIN32_FIND_DATAA entry;
    const HANDLE found = FindFirstFileA((folder + "com*").c_str(), &entry);
    if (found == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string com = ComName(entry.cFileName);
        if (!com.empty() && GetFileAttributesA((folder + entry.cFileName).c_str()) != INVALID_FILE_ATTRIBUTES)
            names.push_back(com);
    } while (FindNextFileA(found, &entry));
    FindClose(found);
    return names;
}

// Whether the system knows a device of this COM name now.
bool ComNameMapped(const std::string& com) {
    char target[512];
    if (QueryDosDeviceA(com.c_str(), target, sizeof target) != 0) return true;
    const std::vector<std::string> wine = WinePrefixComNames();
    return std::find(wine.begin(), wine.end(), com) != wine.end();
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const std::string&) {
    std::vector<SerialPortInfo> ports;
    const HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set != INVALID_HANDLE_VALUE) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
            SerialPortInfo info;
            info.device = PortNameOf(set, device);
            if (info.device.empty()) continue;  // a printer port
            info.driver = Property(set, device, SPDRP_SERVICE);
            info.usbId = UsbIds(Property(set, device, SPDRP_HARDWAREID));
            if (!info.usbId.empty()) info.serial = SerialNumber(device.DevInst);
            info.description = Property(set, device, SPDRP_FRIENDLYNAME);
            const std::string maker = Property(set, device, SPDRP_MFG);
            if (!maker.empty() && maker[0] != '(' && info.description.find(maker) == std::string::npos)
                info.description += (info.description.empty() ? "" : ", ") + maker;
            ports.push_back(info);
        }
        SetupDiDestroyDeviceInfoList(set);
    }
    std::set<std::string> known;
    for (const SerialPortInfo& p : ports) known.insert(p.device);
    for (const std::string& com : MappedComNames())
        if (known.insert(com).second) ports.push_back({com, "", "", "", ""});
    for (const std::string& com : WinePrefixComNames())
        if (known.insert(com).second) ports.push_back({com, "", "", "", ""});
    std::sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) { return NaturalLess(a.device, b.device); });
    return ports;
}

std::string ProgramsHolding(const std::string&) { return {}; }  // Windows does not tell

std::string WhyPortFailed(const std::string& port, int error, bool busy) {
    if (busy)
        return "it is in use by another program (a terminal program, the Kestrivane window or another kestrivane): "
               "close it first";
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        if (port.rfind("/dev/", 0) == 0)
            return "no such port: " + port + " is a Linux device name (from a config.ini made on Linux?); here serial "
                   "ports are named like COM7";
        return "no such port: is the adapter plugged in? kestrivane ports lists the serial ports";
    }
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(error), 0,
                   text, sizeof text, nullptr);
    std::string why = text;
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r' || why.back() == ' ' || why.back() == '.'))
        why.pop_back();
    return why.empty() ? "system error " + std::to_string(error) : why;
}

std::string NotASerialPort(const std::string& device) {
    if (!ComName(device).empty()) return {};
    const DWORD attributes = GetFileAttributesA(device.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES ? "not a serial port" : "";
}

std::string DeviceIdentity(const std::string& port) {
    const std::string com = ComName(port);
    if (!com.empty()) return "port " + com;
    std::string path = port;
    std::transform(path.begin(), path.end(), path.begin(), ::toupper);
    return "path " + path;
}

std::vector<std::string> MatchingPorts(const std::vector<std::string>& patterns,
                                       std::vector<std::string>* unmatched) {
    const std::vector<SerialPortInfo> listed = ListSerialPorts();
    std::vector<std::string> found;
    if (patterns.empty()) {
        for (const SerialPortInfo& p : listed)
            if (!p.usbId.empty()) found.push_back(p.device);
    }
    for (const std::string& pattern : patterns) {
        // A pattern names a port by its COM name or its adapter's serial number.
        const std::size_t before = found.size();
        const std::string com = ComName(pattern);
        for (const SerialPortInfo& p : listed)
            if (FitsWildcard(com.empty() ? pattern : com, p.device, true) ||
                (!p.serial.empty() && FitsWildcard(pattern, p.serial, true)))
                found.push_back(p.device);
        if (!com.empty() && ComNameMapped(com)) found.push_back(com);
        if (unmatched && found.size() == before) unmatched->push_back(pattern);
    }
    std::vector<std::string> ports;
    std::set<std::string> seen;
    for (const std::string& port : found)
        if (seen.insert(DeviceIdentity(port)).second) ports.push_back(port);
    return ports;
}
