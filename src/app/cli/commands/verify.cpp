#include "app/cli/commands/verify.h"

#include "app/cli/run/before_the_box.h"
#include "app/cli/run/image_checks.h"
#include "app/cli/run/read_back.h"
#include "app/cli/run/session_run.h"

int VerifyCommand(const std::string& image, const BoxJob& job) {
    Voice& voice = job.voice;
    ImageLock lock;  // the name's, shared until the command ends
    if (const int refused = PrepareReading(image, &lock, voice); refused >= 0) return refused;
    std::string why;
    const VerifyTarget target = VerifyTargetOf(ReadStoredImage(image), &why);
    if (target.files.empty()) return voice.Refuse("cannot verify: " + why);
    if (const int refused = CheckBeforeTheBox(job.options, voice); refused >= 0) return refused;
    return EndCommand(job, VerifyAgainstBox(target, job));
}
