#include "app/cli/commands/station.h"

#include <csignal>

#include "app/cli/image/upload_plan.h"
#include "app/cli/run/before_the_box.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/signals.h"
#include "app/cli/run/station_names.h"
#include "app/cli/terminal/say.h"

namespace {

volatile std::sig_atomic_t stopsAsked = 0;  // Ctrl-C and the like

void OnStop(int) { stopsAsked = stopsAsked + 1; }

}  // namespace

int StationCommand(const StationSetup& setup) {
    if (setup.kind == TransferKind::Download && !NamesEachBox(setup.image))
        return Refuse("a station's download needs a name holding " + std::string(NumberPlaceholder) + " or " +
                      TimePlaceholder + ", such as img-{port}-{n}.dat: the second box would replace the first");
    const std::string log = setup.options.log.empty() ? "station.log" : setup.options.log;
    if (const std::string bad = CheckRecords("", log); !bad.empty()) return Refuse(bad);
    if (setup.kind == TransferKind::Upload) {
        TransferOptions options = setup.options;
        options.yes = true;  // a station asks nothing
        UploadPlan plan;
        if (const int refused = PrepareUpload(ReadStoredImage(setup.image), options, "every box", &plan); refused >= 0)
            return refused;
    }
    CatchStopSignals(OnStop);
    Station station(setup, stopsAsked);
    return station.Run();
}
