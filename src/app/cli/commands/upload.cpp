#include "app/cli/commands/upload.h"

#include "app/cli/image/upload_plan.h"
#include "app/cli/run/before_the_box.h"
#include "app/cli/run/read_back.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/transfer_report.h"
#include "app/cli/terminal/say.h"
#include "core/link_settings.h"
#include "upload/upload_session.h"

int UploadCommand(const std::string& image, const TransferOptions& options) {
    UploadPlan plan;
    if (const int refused = PrepareUpload(image, options, LinkSettings.PortName, &plan); refused >= 0) return refused;
    if (const int refused = CheckBeforeTheBox(options); refused >= 0) return refused;

    SessionRun run(options);
    run.Display().SetChecked(plan.send);
    run.Display().SetExpectedPackets(plan.packets);
    const int result = run.Run([&] { return RunUpload(image); });
    TransferRecord record{"upload", "", image, {}, 0, ""};
    for (const StoredFile& f : plan.files) record.files.push_back(f.path);
    const int status = run.Finish(ReportUpload(plan, result, run.Display()), record);
    if (status != 0 || !options.verify) return status;
    Say("to verify, switch the box off, then on again holding channel up");
    return VerifyAgainstBox(image, plan.files, options);
}
