#include "app/cli/commands/download.h"

#include "app/cli/image/image_replace.h"
#include "app/cli/image/stored_file.h"
#include "app/cli/run/before_the_box.h"
#include "app/cli/run/download_name.h"
#include "app/cli/run/image_checks.h"
#include "app/cli/run/read_back.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/signals.h"
#include "app/cli/run/transfer_report.h"
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

int DownloadCommand(std::string image, const BoxJob& job) {
    const TransferOptions& options = job.options;
    Voice& voice = job.voice;
    ImageNames names;
    ImageLock own;  // the name's, held alone until the command ends
    ImageLock& lock = job.imageLock ? *job.imageLock : own;
    const struct LetGo {
        ImageLock& lock;
        ~LetGo() { lock.Release(); }
    } atTheEnd{lock};
    if (const int refused = PrepareDownloadName(&image, &names, &lock, job.Port(), voice); refused >= 0) return refused;
    const bool earlier = ImageExists(names);
    if (earlier)
        if (const int declined = ConfirmReplacing(image, options, voice); declined >= 0) return declined;
    if (const int refused = CheckBeforeTheBox(options, voice); refused >= 0) return refused;
    if (const int refused = ClearEarlierAttempt(names, voice); refused >= 0) return refused;

    // The image comes down under its incomplete names, and takes its own once whole.
    SessionRun run(job, true);
    if (earlier && run.Bars()) run.Bars()->SetSectionEstimates(SectionEstimates(image));
    TransferOutcome outcome =
        run.Run([&](Session& s) { return RunDownload(s, names.incomplete); }, "download " + image);
    Placement placement;
    int stoppedBy = 0;  // a stop signal that came while the image was put in place
    if (outcome.Ok()) {
        const PlacementHold held;  // a move is never cut in two
        placement = PutImageInPlace(names, SystemDisk());
        stoppedBy = held.StopCame();
    }
    run.Finish(outcome, {"download", image, ReportDownload({names, earlier}, placement, outcome, run.Recorder(),
                                                           options.quiet, voice)});
    if (stoppedBy) {
        voice.Say(std::string(SignalName(stoppedBy)) + " came while the image was put in place: " +
                  (placement.placed ? Printable(image) + " stands whole" : "the move was taken back") +
                  (options.verify ? "; the read-back was not done" : ""));
        if (options.verify && outcome.Ok()) return EndCommand(job, outcome, 128 + stoppedBy);
    }
    if (!outcome.Ok() || !options.verify) return EndCommand(job, outcome);
    // A read checked by a second read.
    voice.Say("to verify, switch the box off, then on again holding channel up");
    std::string why;
    const TransferOutcome verified = VerifyAgainstBox(VerifyTargetOf(ReadStoredImage(image), &why), job);
    return EndCommand(job, verified, StatusAfterTransfer(verified));
}
