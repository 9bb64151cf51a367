#include "app/cli/commands/station.h"

#include "app/cli/image/image_replace.h"
#include "app/cli/image/upload_plan.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/machine/serial_ports.h"
#include "app/cli/machine/wildcard.h"
#include "app/cli/options/option_table.h"
#include "app/cli/run/before_the_box.h"
#include "app/cli/run/image_checks.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/station_names.h"
#include "app/cli/terminal/say.h"

namespace {

// What earlier downloads of the station's names left of a move, finished or taken
// back first (each said); one that cannot be is said and its name left alone.
void SettleEarlierBoxes(std::string pattern) {
    AddDatExtension(&pattern);
    for (const char* placeholder : {PortPlaceholder, NumberPlaceholder, TimePlaceholder})
        pattern = WithPlaceholder(pattern, placeholder, "*");
    std::vector<std::string> untrusted;
    for (const std::string& image : ImagesWithRecords(FolderOf(pattern), &untrusted))
        if (FitsWildcard(pattern, image)) SettleMove(NamesOf(image), false, StandardError());
}

}  // namespace

int StationCommand(StationSetup setup) {
    if (setup.kind == TransferKind::Download && !NamesEachBox(setup.image))
        return Refuse("a station's download needs a name holding " + std::string(NumberPlaceholder) + " or " +
                      TimePlaceholder + ", such as img-{port}-{n}.dat: the second box would replace the first");
    for (const std::string& pattern : setup.patterns)
        if (pattern.find_first_of("*?[") == std::string::npos)
            if (const std::string bad = NotASerialPort(pattern); !bad.empty())
                return Refuse("cannot use the port " + pattern + ": " + bad);
    if (setup.options.log.empty()) setup.options.log = OptionNamed("--log", OnStation).byDefault;
    if (const std::string bad = CheckRecords("", setup.options.log); !bad.empty()) return Refuse(bad);
    if (setup.kind == TransferKind::Download) SettleEarlierBoxes(setup.image);
    if (setup.kind == TransferKind::Upload) {
        ImageLock lock;
        if (const int refused = PrepareReading(setup.image, &lock, StandardError()); refused >= 0) return refused;
        TransferOptions options = setup.options;
        options.yes = true;  // a station asks nothing
        UploadPlan plan;
        if (const int refused = PrepareUpload(ReadStoredImage(setup.image), options, "every box", &plan,
                                                   StandardError()); refused >= 0)
            return refused;
    }
    Station station(setup);
    return station.Run();
}
