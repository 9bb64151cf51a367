#include "app/cli/commands/verify.h"

#include "app/cli/run/before_the_box.h"
#include "app/cli/run/image_checks.h"
#include "app/cli/run/read_back.h"
#include "app/cli/run/session_run.h"
#include "app/cli/terminal/say.h"

int VerifyCommand(const std::string& image, const TransferOptions& options) {
    if (const int refused = SettleBeforeReading(image); refused >= 0) return refused;
    std::string why;
    const VerifyTarget target = VerifyTargetOf(ReadStoredImage(image), &why);
    if (target.files.empty()) return Refuse("cannot verify: " + why);
    if (const int refused = CheckBeforeTheBox(options); refused >= 0) return refused;
    const auto events = EventsFor(options);
    return EndCommand(events.get(), VerifyAgainstBox(target, options, events.get()));
}
