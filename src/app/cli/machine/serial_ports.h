// The serial ports of this machine, and who holds one open.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct SerialPortInfo {
    std::string device;       // /dev/ttyUSB0; on Windows COM7
    std::string driver;       // ftdi_sio, cdc_acm, serial8250 ...; on Windows the name it gives the port
    std::string usbId;        // vendor:product, for a USB adapter
    std::string serial;       // its serial number, where it has one
    std::string description;  // maker and product, as the adapter names itself
};

// Ports found under `sysClassTty` (Linux sysfs); elsewhere the usual device names.
std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysClassTty = "/sys/class/tty");

// The programs other than this one that hold `device` open ("cat (pid 4711)"), as far
// as /proc tells; "" for none.
std::string ProgramsHolding(const std::string& device);


// Why the port could not be opened, in this system's words, with what to do: from
// the system's error number, and whether another program holds it.
std::string WhyPortFailed(const std::string& port, int systemError, bool busy);

// "not a serial port" when the system tells, without opening it, that `device` is
// none (a file, a folder, /dev/null and other devices of another kind); "" when it
// may be one (or is not there: opening it says so).
std::string NotASerialPort(const std::string& device);

// What makes two port paths one: the device itself (two paths to one device, such as
// /dev/serial/by-id/... and /dev/ttyUSB0, give the same), or the path when nothing
// stands under it.
std::string DeviceIdentity(const std::string& port);

// The ports that `patterns` name now: each a path, or a shell pattern such as
// '/dev/ttyUSB*' (a plain path counts only when a device stands under it; what is no
// device, such as a file, never counts). Without patterns, every USB serial adapter.
// One path a device, in the order found. With `unmatched`, the patterns that named
// none, in their order.
std::vector<std::string> MatchingPorts(const std::vector<std::string>& patterns,
                                       std::vector<std::string>* unmatched = nullptr);
