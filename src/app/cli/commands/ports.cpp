#include "app/cli/commands/ports.h"

#include "app/cli/machine/system_ways.h"
#include "app/cli/machine/serial_ports.h"
#include "display/console/json_text.h"

int PrintSerialPorts(bool json, std::FILE* out) {
    const std::vector<SerialPortInfo> ports = ListSerialPorts();
    if (json) {
        Json entries = Json::array();
        for (const SerialPortInfo& p : ports)
            entries.push_back({{"device", ValidUtf8(p.device)}, {"driver", ValidUtf8(p.driver)},
                               {"usb", ValidUtf8(p.usbId)}, {"serial", ValidUtf8(p.serial)},
                               {"description", ValidUtf8(p.description)}});
        std::fputs(JsonReport({{"ports", entries}}).c_str(), out);
        return 0;
    }
    if (ports.empty()) {
        std::fprintf(out, "no serial ports found (%s)\n", WhereAdaptersShow);
        return 0;
    }
    for (const SerialPortInfo& p : ports) {
        std::string line = p.device;
        if (!p.usbId.empty()) line += "  USB " + p.usbId;
        if (!p.serial.empty()) line += "  serial " + p.serial;
        if (!p.description.empty()) line += "  " + p.description;
        if (!p.driver.empty()) line += "  (" + p.driver + ")";
        std::fprintf(out, "%s\n", line.c_str());
    }
    return 0;
}
