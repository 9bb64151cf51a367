#include "app/cli/machine/serial_ports.h"

#include <dirent.h>
#include <glob.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace {

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The USB device a tty belongs to: the nearest parent with a vendor id.
void AddUsbDetails(const fs::path& device, SerialPortInfo* info) {
    std::error_code ec;
    for (fs::path p = fs::canonical(device, ec); !ec && p.has_relative_path(); p = p.parent_path()) {
        if (!fs::exists(p / "idVendor")) continue;
        info->usbId = FirstLine(p / "idVendor") + ":" + FirstLine(p / "idProduct");
        info->serial = FirstLine(p / "serial");
        const std::string maker = FirstLine(p / "manufacturer"), product = FirstLine(p / "product");
        info->description = maker.empty() ? product : product.empty() ? maker : maker + " " + product;
        return;
    }
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysClassTty) {
    std::vector<SerialPortInfo> ports;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysClassTty, ec)) {
        const fs::path device = entry.path() / "device";
        if (!fs::exists(device)) continue;  // virtual terminals, ptys
        // The ISA placeholders of ports a PC may have (ttyS1 .. ttyS31) hang off the
        // platform bus; real ones do not.
        if (fs::canonical(device / "subsystem", ec).filename() == "platform") continue;
        SerialPortInfo info;
        info.device = "/dev/" + entry.path().filename().string();
        info.driver = fs::canonical(device / "driver", ec).filename().string();
        AddUsbDetails(device, &info);
        ports.push_back(info);
    }
    if (ec && ports.empty()) {
        // No sysfs (macOS and the like): the names adapters usually get.
        for (const auto& entry : fs::directory_iterator("/dev", ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("cu.", 0) == 0 || name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0)
                ports.push_back({entry.path().string(), "", "", "", ""});
        }
    }
    std::sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) { return a.device < b.device; });
    return ports;
}

std::string ProgramsHolding(const std::string& device) {
    char target[PATH_MAX];
    if (!realpath(device.c_str(), target)) return {};
    const std::string self = std::to_string(getpid());
    std::string holders;
    DIR* processes = opendir("/proc");
    if (!processes) return {};
    while (const dirent* process = readdir(processes)) {
        const std::string pid = process->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
        const std::string fds = "/proc/" + pid + "/fd";
        DIR* open = opendir(fds.c_str());  // another user's: not ours to see
        if (!open) continue;
        while (const dirent* fd = readdir(open)) {
            char link[PATH_MAX];
            const ssize_t n = readlink((fds + "/" + fd->d_name).c_str(), link, sizeof link - 1);
            if (n <= 0 || std::string(link, static_cast<std::size_t>(n)) != target) continue;
            holders += (holders.empty() ? "" : ", ") + FirstLine("/proc/" + pid + "/comm") + " (pid " + pid + ")";
            break;
        }
        closedir(open);
    }
    closedir(processes);
    return holders;
}

namespace {

bool LooksLikeWindowsPort(const std::string& port) {
    return port.size() > 3 && (port.compare(0, 3, "COM") == 0 || port.compare(0, 3, "com") == 0) &&
           port.find('/') == std::string::npos;
}

}  // namespace

std::string WhyPortFailed(const std::string& port, int error, bool busy) {
    if (busy) {
        const std::string holders = ProgramsHolding(port);
        return "it is in use by another program" + (holders.empty() ? " (fuser " + port + " names it)" : ": " + holders);
    }
    if (error == ENOENT)
        return "no such device" +
               std::string(LooksLikeWindowsPort(port) ? ": " + port + " is a Windows port name (from a config.ini made on "
                                                                        "Windows?); here serial ports are named like /dev/ttyUSB0"
                                                      : ": is the adapter plugged in? kestrivane ports lists the serial ports");
    if (error == EACCES || error == EPERM)
        return "permission denied: add yourself to the dialout group (sudo adduser $USER dialout), then log in again";
    if (error == ENOTTY || error == EINVAL) return "not a serial port";
    return std::strerror(error);
}

std::string NotASerialPort(const std::string& device) {
    struct stat st;
    if (stat(device.c_str(), &st) != 0) return {};
    if (!S_ISCHR(st.st_mode)) return "not a serial port";
    // Linux names each device's kind; pseudo-terminals are not listed there.
    const fs::path kind = "/sys/dev/char/" + std::to_string(major(st.st_rdev)) + ":" +
                          std::to_string(minor(st.st_rdev)) + "/subsystem";
    std::error_code ec;
    const fs::path subsystem = fs::canonical(kind, ec);
    return !ec && subsystem.filename() != "tty" ? "not a serial port" : "";
}

std::string DeviceIdentity(const std::string& port) {
    struct stat st;
    if (stat(port.c_str(), &st) != 0) return "path " + fs::absolute(port).lexically_normal().string();
    if (S_ISCHR(st.st_mode)) return "device " + std::to_string(st.st_rdev);
    return "file " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

std::vector<std::string> MatchingPorts(const std::vector<std::string>& patterns,
                                       std::vector<std::string>* unmatched) {
    std::vector<std::pair<std::string, std::size_t>> found;  // each path with its pattern
    if (patterns.empty()) {
        for (const SerialPortInfo& p : ListSerialPorts())
            if (!p.usbId.empty()) found.emplace_back(p.device, 0);
    }
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        glob_t matched{};
        if (glob(patterns[i].c_str(), 0, nullptr, &matched) == 0)
            for (std::size_t j = 0; j < matched.gl_pathc; ++j) found.emplace_back(matched.gl_pathv[j], i);
        globfree(&matched);
    }
    std::vector<std::string> ports;
    std::set<std::string> devices;
    std::vector<bool> named(patterns.size(), false);
    for (const auto& [port, from] : found) {
        struct stat st;
        if (stat(port.c_str(), &st) != 0 || !S_ISCHR(st.st_mode) || !NotASerialPort(port).empty()) continue;
        if (!patterns.empty()) named[from] = true;
        if (devices.insert(DeviceIdentity(port)).second) ports.push_back(port);
    }
    for (std::size_t i = 0; unmatched && i < patterns.size(); ++i)
        if (!named[i]) unmatched->push_back(patterns[i]);
    return ports;
}
