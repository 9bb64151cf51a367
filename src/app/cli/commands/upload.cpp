#include "app/cli/commands/upload.h"

#include "app/cli/image/checked_files.h"
#include "app/cli/image/upload_plan.h"
#include "app/cli/run/before_the_box.h"
#include "app/cli/run/image_checks.h"
#include "app/cli/run/read_back.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/transfer_report.h"
#include "upload/upload_session.h"

int UploadCommand(const std::string& path, const BoxJob& job) {
    const TransferOptions& options = job.options;
    Voice& voice = job.voice;
    ImageLock lock;  // the name's, shared until the command ends: no download changes what is sent
    if (const int refused = PrepareReading(path, &lock, voice); refused >= 0) return refused;
    const StoredImage image = ReadStoredImage(path);
    UploadPlan plan;
    if (const int refused = PrepareUpload(image, options, job.Port(), &plan, voice); refused >= 0) return refused;
    if (const int refused = CheckBeforeTheBox(options, voice); refused >= 0) return refused;

    SessionRun run(job, false);
    CheckedFiles files(plan.files);
    run.Send(files);
    run.Settings().sections = plan.send;
    run.Settings().urt = plan.urt;
    if (run.Bars()) run.Bars()->SetExpectedPackets(plan.packets, static_cast<int>(plan.files.size()));
    TransferOutcome outcome = run.Run([&](Session& s) { return RunUpload(s, path); }, "upload " + path);
    run.Finish(outcome, {"upload", path, ReportUpload(plan, outcome, run.Recorder(), options.quiet, voice)});
    if (!outcome.Ok() || !options.verify) return EndCommand(job, outcome);
    voice.Say("to verify: once the box shows BOOT, switch it off, then on again holding channel up");
    const TransferOutcome verified = VerifyAgainstBox({path, plan.files, {}}, job);
    return EndCommand(job, verified, StatusAfterTransfer(verified));
}
