#include "app/cli/run/before_the_box.h"

#include <cstdio>
#include <iostream>

#include "app/cli/image/image_replace.h"
#include "app/cli/image/upload_plan.h"
#include "app/cli/machine/serial_ports.h"
#include "app/cli/run/session_run.h"
#include "app/cli/terminal/say.h"
#include "display/console/terminal.h"

namespace {

// Asks on the terminal; false for anything but yes.
bool Confirmed(const std::string& question) {
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

// A port another program holds open takes the box's bytes from us: said before the
// box is touched.
std::string PortTakenBy(const std::string& port) {
    const std::string holders = ProgramsHolding(port);
    if (holders.empty()) return {};
    return "the port " + port + " is open in another program: " + holders + "; close it first";
}

// The section files replace a name's last three characters: a name whose extension
// is not three characters long gives section files of names the user may not expect.
void WarnOfOddExtension(const std::string& image, Voice& voice) {
    if (HasThreeLetterExtension(image)) return;
    voice.Say("warning: " + image + " does not end in a three-letter extension: its section files are " +
        SectionFilePath(image, SectionKind::FlashDatabase) + " to " +
        SectionFilePath(image, SectionKind::ApplicationSoftware));
}

}  // namespace

int ConfirmReplacing(const std::string& what, const TransferOptions& options, Voice& voice) {
    if (options.yes) return -1;
    if (!InputIsTerminal()) return voice.Refuse(what + " exists: give --yes to replace it");
    if (Confirmed("kestrivane: " + what + " (or its section files) exists. Replace it?")) return -1;
    voice.Say("nothing written");
    return 1;
}

int PrepareUpload(const StoredImage& image, const TransferOptions& options, const std::string& ports, UploadPlan* plan,
                  Voice& voice) {
    if (!image.urt) WarnOfOddExtension(image.path, voice);
    *plan = PlanUpload(image, options.sections, options.sectionsGiven);
    if (!plan->refusal.empty()) return voice.Refuse(plan->refusal);
    for (const std::string& note : plan->notSent) voice.Say(note);
    if (!plan->missing.empty()) {
        std::string reason = "cannot upload: not there: " + plan->missing[0];
        for (std::size_t i = 1; i < plan->missing.size(); ++i) reason += ", " + plan->missing[i];
        const std::string there = SectionsThatAreThere(*plan);
        if (plan->urt || there.empty()) return voice.Refuse(reason);
        voice.Say(reason);
        return voice.Refuse("to send the files that are there: --sections " + there);
    }
    if (!plan->damage.empty()) {
        for (const std::string& d : plan->damage) voice.Say(d);
        if (!options.force)
            return voice.Refuse("cannot upload: the files have problems (above); kestrivane inspect " + Printable(image.path) +
                          " says more; --force sends them anyway");
        voice.Say("sending them anyway (--force)");
    }
    if (options.yes) return -1;
    if (!InputIsTerminal()) return voice.Refuse("an upload overwrites the box: confirm on a terminal or give --yes");
    std::fputs(DescribePlan(*plan, ports).c_str(), stderr);
    if (Confirmed("This overwrites what the box holds. Go on?")) return -1;
    voice.Say("nothing sent");
    return 1;
}

int CheckBeforeTheBox(const TransferOptions& options, Voice& voice) {
    const std::string& port = options.session.link.PortName;
    if (const std::string bad = NotASerialPort(port); !bad.empty()) return voice.Refuse("cannot use the port " + port + ": " + bad);
    if (const std::string taken = PortTakenBy(options.session.link.PortName); !taken.empty())
        return voice.Refuse(taken, Refusal::PortHeld);
    if (const std::string bad = CheckRecords(options.trace, options.log); !bad.empty()) return voice.Refuse(bad);
    return -1;
}
