#include "app/cli/commands/download.h"

#include "app/cli/image/image_replace.h"
#include "app/cli/image/stored_file.h"
#include "app/cli/run/before_the_box.h"
#include "app/cli/run/read_back.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/transfer_report.h"
#include "app/cli/terminal/say.h"
#include "download/download_session.h"

int DownloadCommand(std::string image, const TransferOptions& options) {
    if (const int refused = PrepareDownloadName(&image); refused >= 0) return refused;
    const bool earlier = ImageExists(image);
    if (earlier)
        if (const int declined = ConfirmReplacing(image, options); declined >= 0) return declined;
    if (const int refused = CheckBeforeTheBox(options); refused >= 0) return refused;

    // The image comes down under its incomplete names, and takes its own once whole.
    const DownloadPlace place{image, IncompleteImageName(image), earlier};
    if (const int refused = ClearEarlierAttempt(place.incomplete); refused >= 0) return refused;
    const auto events = EventsFor(options);
    SessionRun run(options, events.get(), true);
    if (earlier) {
        // The earlier image's sections guess the whole transfer's time.
        std::array<int, SectionCount> estimates{};
        const std::vector<StoredFile> sections = AnalyseSectionFiles(image);
        for (std::size_t i = 0; i < sections.size(); ++i)
            estimates[i] = sections[i].present ? static_cast<int>(sections[i].packets.size()) : 0;
        run.Display().SetSectionEstimates(estimates);
    }
    TransferOutcome outcome = run.Run([&] { return RunDownload(place.incomplete); }, "download " + image);
    run.Finish(outcome, {"download", image, ReportDownload(place, outcome, run.Recorder(), options.quiet)});
    if (!outcome.Ok() || !options.verify) return EndCommand(events.get(), outcome);
    // A read checked by a second read.
    Say("to verify, switch the box off, then on again holding channel up");
    std::string why;
    const TransferOutcome verified = VerifyAgainstBox(VerifyTargetOf(ReadStoredImage(image), &why), options, events.get());
    return EndCommand(events.get(), verified, StatusAfterTransfer(verified));
}
