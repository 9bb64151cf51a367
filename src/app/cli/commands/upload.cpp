#include "app/cli/commands/upload.h"

#include "app/cli/image/upload_plan.h"
#include "app/cli/run/before_the_box.h"
#include "app/cli/run/image_checks.h"
#include "app/cli/run/read_back.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/transfer_report.h"
#include "app/cli/terminal/say.h"
#include "upload/upload_session.h"

int UploadCommand(const std::string& path, const TransferOptions& options) {
    if (const int refused = SettleBeforeReading(path); refused >= 0) return refused;
    const StoredImage image = ReadStoredImage(path);
    UploadPlan plan;
    if (const int refused = PrepareUpload(image, options, options.session.link.PortName, &plan); refused >= 0)
        return refused;
    if (const int refused = CheckBeforeTheBox(options); refused >= 0) return refused;

    const auto events = EventsFor(options);
    SessionRun run(options, events.get(), false);
    run.Settings().sections = plan.send;
    run.Settings().urt = plan.urt;
    run.Display().SetExpectedPackets(plan.packets, static_cast<int>(plan.files.size()));
    TransferOutcome outcome = run.Run([&] { return RunUpload(path); }, "upload " + path);
    run.Finish(outcome, {"upload", path, ReportUpload(plan, outcome, run.Recorder(), options.quiet)});
    if (!outcome.Ok() || !options.verify) return EndCommand(events.get(), outcome);
    Say("to verify: once the box shows BOOT, switch it off, then on again holding channel up");
    const TransferOutcome verified = VerifyAgainstBox({path, plan.files, {}}, options, events.get());
    return EndCommand(events.get(), verified, StatusAfterTransfer(verified));
}
