#include "app/cli/commands/download.h"

#include "app/cli/image/image_replace.h"
#include "app/cli/image/stored_file.h"
#include "app/cli/run/before_the_box.h"
#include "app/cli/run/image_checks.h"
#include "app/cli/run/read_back.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/signals.h"
#include "app/cli/run/transfer_report.h"
#include "app/cli/terminal/say.h"
#include "download/download_session.h"

namespace {

// The earlier image's sections guess the whole transfer's time.
std::array<int, SectionCount> SectionEstimates(const std::string& image) {
    std::array<int, SectionCount> estimates{};
    const std::vector<StoredFile> sections = AnalyseSectionFiles(image);
    for (std::size_t i = 0; i < sections.size(); ++i)
        estimates[i] = sections[i].present ? static_cast<int>(sections[i].packets.size()) : 0;
    return estimates;
}

}  // namespace

int DownloadCommand(std::string image, const TransferOptions& options) {
    ImageNames names;
    if (const int refused = PrepareDownloadName(&image, &names); refused >= 0) return refused;
    const bool earlier = ImageExists(names);
    if (earlier)
        if (const int declined = ConfirmReplacing(image, options); declined >= 0) return declined;
    if (const int refused = CheckBeforeTheBox(options); refused >= 0) return refused;
    if (const int refused = ClearEarlierAttempt(names); refused >= 0) return refused;

    // The image comes down under its incomplete names, and takes its own once whole.
    const auto events = EventsFor(options);
    SessionRun run(options, events.get(), true);
    if (earlier) run.Display().SetSectionEstimates(SectionEstimates(image));
    run.Recorder().SetWrittenImage(names.incomplete);
    TransferOutcome outcome = run.Run([&] { return RunDownload(names.incomplete); }, "download " + image);
    Placement placement;
    int stoppedBy = 0;  // a stop signal that came while the image was put in place
    if (outcome.Ok()) {
        CancelSignalsHeld held;  // a move is never cut in two
        placement = PutImageInPlace(names, SystemDisk());
        stoppedBy = held.Release();
    }
    run.Finish(outcome, {"download", image, ReportDownload({names, earlier}, placement, outcome, run.Recorder(),
                                                           options.quiet)});
    if (stoppedBy) {
        Say(std::string(SignalName(stoppedBy)) + " came while the image was put in place: " +
            (placement.placed ? Printable(image) + " stands whole" : "the move was taken back") +
            (options.verify ? "; the read-back was not done" : ""));
        if (options.verify && outcome.Ok()) return EndCommand(events.get(), outcome, 128 + stoppedBy);
    }
    if (!outcome.Ok() || !options.verify) return EndCommand(events.get(), outcome);
    // A read checked by a second read.
    Say("to verify, switch the box off, then on again holding channel up");
    std::string why;
    const TransferOutcome verified = VerifyAgainstBox(VerifyTargetOf(ReadStoredImage(image), &why), options, events.get());
    return EndCommand(events.get(), verified, StatusAfterTransfer(verified));
}
