#include "app/cli/records/transfer_log.h"

#include "app/cli/image/disk.h"
#include "app/cli/image/sha256.h"
#include "app/cli/image/stored_file.h"
#include "app/cli/machine/clock.h"
#include "app/cli/machine/serial_ports.h"
#include "display/console/json_text.h"

std::string UtcNow() { return TimeOfDay("%Y-%m-%dT%H:%M:%SZ", true); }

namespace {

Json AdapterSerial(const std::string& port) {
    const std::string device = DeviceIdentity(port);
    for (const SerialPortInfo& p : ListSerialPorts())
        if (DeviceIdentity(p.device) == device && !p.serial.empty()) return ValidUtf8(p.serial);
    return nullptr;
}

}  // namespace

bool AppendToLog(const std::string& logPath, const TransferRecord& record, std::string* why) {
    Json files = Json::array();
    for (const LoggedFile& logged : record.files) {
        const StoredFile& f = logged.file;
        if (!f.present) continue;
        files.push_back({{"path", ValidUtf8(f.path)},
                         {"section", StoredSectionName(f)},
                         {"bytes", f.bytes.size()},
                         {"packets", f.packets.size()},
                         {"sha256", Sha256(f.bytes)},
                         {"state", logged.state}});
    }
    Json sections = Json::array();
    for (const SectionTally& t : record.sections)
        sections.push_back({{"section", t.section ? SectionName(*t.section) : "URT file"}, {"announced", t.announced},
                            {"packets", t.packets}});
    const Json fields = {{"time", UtcNow()},       {"command", record.command},
                       {"port", ValidUtf8(record.port)}, {"adapter_serial", AdapterSerial(record.port)},
                       {"image", ValidUtf8(record.image)}, {"files", files}, {"sections", sections},
                       {"status", record.status},  {"outcome", record.outcome},
                       {"message", ValidUtf8(record.message)}};
    Json line = fields;
    if (!record.started.empty()) line["started"] = record.started;
    if (!record.result.empty()) line["result"] = record.result;
    if (!record.removed.empty()) {
        Json removed = Json::array();
        for (const std::string& path : record.removed) removed.push_back(ValidUtf8(path));
        line["removed"] = removed;
    }
    const std::string text = line.dump() + "\n";
    if (const int error = AppendToFile(logPath, text)) {  // one write: lines never interleave
        *why = WithReason("cannot write the log " + logPath, error);
        return false;
    }
    return true;
}
