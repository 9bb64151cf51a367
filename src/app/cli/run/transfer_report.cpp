#include "app/cli/run/transfer_report.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <algorithm>

#include "app/cli/image/image_replace.h"
#include "app/cli/machine/serial_ports.h"
#include "app/cli/run/session_run.h"
#include "app/cli/run/signals.h"
#include "app/cli/terminal/say.h"
#include "core/cancel_flag.h"
#include "core/link_settings.h"
#include "core/packet.h"
#include "display/console/console_lines.h"
#include "link/serial_link.h"

namespace {

bool LooksLikeWindowsPort(const std::string& port) {
    return port.size() > 3 && (port.compare(0, 3, "COM") == 0 || port.compare(0, 3, "com") == 0) &&
           port.find('/') == std::string::npos;
}

// The bar's tally, if it went through one.
const ConsoleDisplay::Tally* TallyOf(const ConsoleDisplay& display, int bar) {
    const auto it = display.Tallies().find(bar);
    return it == display.Tallies().end() ? nullptr : &it->second;
}

// A transfer that ended with 1 and said nothing: the box never answered (or Cancel).
void SilentBox(const ConsoleDisplay& display, const char* howToSwitchOn) {
    if (!display.Failures().empty() || CancelFlag || !display.Tallies().empty()) return;
    Say(std::string("the box did not answer on ") + LinkSettings.PortName + ": check the cable and the port, then " +
        howToSwitchOn + " after the transfer starts");
}

}  // namespace

std::string PortProblem(const std::string& port, const ConsoleDisplay& display) {
    const OpenFailure failure = LastOpenFailure();
    const int error = failure.systemError;
    if (!error) {
        for (MessageId id : {MessageId::PortNotCreated, MessageId::PortStateNotRead, MessageId::PortStateNotSet})
            if (display.Showed(id)) return "cannot use the port " + port + ": " + MessageOf(id).text;
        return {};
    }
    std::string why;
    if (failure.busy) {
        const std::string holders = ProgramsHolding(port);
        why = "it is in use by another program" + (holders.empty() ? " (fuser " + port + " names it)" : ": " + holders);
    } else if (error == ENOENT) {
        why = "no such device";
        why += LooksLikeWindowsPort(port) ? ": " + port + " is a Windows port name (from a config.ini made on Windows?); "
                                            "here serial ports are named like /dev/ttyUSB0"
                                          : ": is the adapter plugged in? kestrivane ports lists the serial ports";
    } else if (error == EACCES || error == EPERM) {
        why = "permission denied: add yourself to the dialout group (sudo adduser $USER dialout), then log in again";
    } else if (error == ENOTTY || error == EINVAL) {
        why = "not a serial port";
    } else {
        why = std::strerror(error);
    }
    return "cannot use the port " + port + ": " + why;
}

namespace {

// What came down into `incomplete` and stays there: which section files are complete
// and which incomplete. False when nothing did.
bool SayWhatCameDown(const std::string& incomplete) {
    bool any = false;
    for (SectionKind kind : AllSections) {
        const std::string path = SectionFilePath(incomplete, kind);
        const StoredFile f = AnalyseStoredFile(path);
        if (!f.present) continue;
        any = true;
        const bool whole = f.headerUsable && f.packets.size() >= f.announced && f.problems.empty();
        Say(Printable(path) + (whole ? ": complete, " + std::to_string(f.packets.size()) + " data packets"
                                     : ": incomplete, " + std::to_string(f.packets.size()) + " of " +
                                           std::to_string(f.announced) + " data packets"));
    }
    return any;
}

// What stands under the name asked for when the download did not take it.
std::string AsItWas(const DownloadPlace& place) {
    return place.earlier ? Printable(place.image) + " is as it was" : "nothing was written under " + Printable(place.image);
}

// A download that does not take its name: where what came down lies, and the status.
int KeepIncomplete(const DownloadPlace& place) {
    const std::string before = AsItWas(place);
    if (SayWhatCameDown(place.incomplete)) {
        Say(before + "; what came down stays under " + Printable(place.incomplete) + " and its section files");
    } else {
        SystemDisk().Remove(place.incomplete);  // an index file of nothing
        Say(before + "; no section file was written");
    }
    return 1;
}

// "240.7 kB in 0:21 (11.5 kB/s), FILES": the average rate, never above the line's.
std::string Summary(double bytes, double seconds, const std::string& files, const ConsoleDisplay& display) {
    char line[128];
    std::snprintf(line, sizeof line, "%.1f kB in %s (%.1f kB/s)", bytes / 1000, MinutesSeconds(seconds).c_str(),
                  display.Rate(bytes, seconds) / 1000);
    return line + (", " + files);
}

long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

// After an upload that completed: did the box take what the files hold, and ask for
// it? Its exit status.
int CompletedUpload(const UploadPlan& plan, const ConsoleDisplay& display) {
    int status = display.Failures().empty() ? 0 : 1;
    double bytes = 0;
    std::string files;
    for (const StoredFile& f : plan.files) {
        const int bar = plan.urt ? UrtBarId : SectionBar(*f.section);
        const ConsoleDisplay::Tally* t = TallyOf(display, bar);
        if (!t) continue;
        const std::string name = StoredSectionName(f);
        const int held = static_cast<int>(std::min<std::size_t>(f.packets.size(), f.announced));
        bytes += static_cast<double>(f.headerSize) + t->advanced * double{DataPacketSize};
        files += (files.empty() ? "" : ", ") + Printable(f.path);
        if (t->advanced < held) {
            Say(name + ": the box took " + std::to_string(t->advanced) + " of the " + std::to_string(held) +
                " packets in " + Printable(f.path) + ", then ended the section");
            status = 1;
            continue;
        }
        // Packets that went out only because the box stayed silent for a second:
        // once now and then a lost request; to the end of the section, a box that
        // stopped listening.
        std::size_t tail = 0;
        while (tail < t->unasked.size() &&
               t->unasked[t->unasked.size() - 1 - tail] == t->advanced - static_cast<int>(tail))
            ++tail;
        if (tail >= 2) {
            const int from = t->advanced - static_cast<int>(tail) + 1;
            Say(name + ": the box went silent after packet " + std::to_string(from - 1) + "; packets " +
                std::to_string(from) + " to " + std::to_string(t->advanced) +
                " went out unasked, a silent second each, and the box may not hold them");
            status = 1;
        }
        for (std::size_t i = 0; i + tail < t->unasked.size(); ++i)
            Say("warning: " + name + ": packet " + std::to_string(t->unasked[i]) +
                " went out unasked after a silent second (the box's request may have been lost)");
    }
    if (status == 0 && !display.Quiet()) Say(Summary(bytes, display.Seconds(), "from " + files, display));
    return status;
}

// What every report begins with, below the finished bar: why the port could not be
// used (true: the status is then 2), or the patience that ran out.
bool PortOrPatience(ConsoleDisplay& display) {
    display.Finish();
    const std::string port = PortProblem(LinkSettings.PortName, display);
    if (!port.empty()) {
        Say(port);
        return true;
    }
    if (!display.OutOfPatience().empty()) Say(display.OutOfPatience());
    return false;
}

}  // namespace

int ReportDownload(const DownloadPlace& place, int result, ConsoleDisplay& display) {
    if (PortOrPatience(display)) {
        SystemDisk().Remove(place.incomplete);  // the index file of a download that never began
        return 2;
    }
    if (result != 0) {
        SilentBox(display, "switch the box on holding channel up");
        const int bar = display.LastBar();
        if (display.Showed(MessageId::DataError) && TallyOf(display, bar))
            Say("data packet " + std::to_string(TallyOf(display, bar)->advanced + 1) + " of " + BarLabel(bar) +
                " arrived damaged (its ETX or checksum is wrong); nothing after it was stored");
        return KeepIncomplete(place);
    }
    // Fewer packets than announced is how the box ends a section whose size is not a
    // whole number of 16-packet blocks.
    bool shortSections = false;
    for (const auto& [bar, t] : display.Tallies()) {
        if (t.advanced >= t.range || display.Quiet()) continue;
        Say(std::string(BarLabel(bar)) + ": " + std::to_string(t.advanced) + " of " + std::to_string(t.range) +
            " data packets announced (the box ended the section early)");
        shortSections = true;
    }
    if (!display.Failures().empty()) {
        Say("the download completed after an error (see above): it is not a whole image");
        return KeepIncomplete(place);
    }
    Placement placement;
    {
        const CancelSignalsHeld held;  // a move is never cut in two
        placement = PutImageInPlace(place.incomplete, place.image, SystemDisk());
    }
    if (!placement.placed) {
        Say(placement.why);
        Say(AsItWas(place) + "; the new image stays whole under " + Printable(place.incomplete) + " and its section files");
        return 1;
    }
    if (!placement.warning.empty()) Say("warning: " + placement.warning);
    const std::string& image = place.image;
    if (shortSections) Say("kestrivane verify " + Printable(image) + " reads the box back to check the image against it");
    double bytes = 0;
    std::string suffixes;
    for (SectionKind kind : AllSections) {
        const long size = FileSize(SectionFilePath(image, kind));
        if (size < 0) continue;
        bytes += static_cast<double>(size);
        suffixes += (suffixes.empty() ? "." : ", .") + std::string(SectionSuffix(kind));
    }
    if (!display.Quiet())
        Say(Summary(bytes, display.Seconds(), Printable(image) + " and its section files " + suffixes, display));
    return 0;
}

int ReportUpload(const UploadPlan& plan, int result, ConsoleDisplay& display) {
    if (PortOrPatience(display)) return 2;
    if (result == 0) return CompletedUpload(plan, display);
    SilentBox(display, "switch the box on holding channel down");
    for (const StoredFile& f : plan.files) {
        const int bar = plan.urt ? UrtBarId : SectionBar(*f.section);
        const ConsoleDisplay::Tally* t = TallyOf(display, bar);
        const std::string name = StoredSectionName(f);
        if (!t) {
            Say(name + ": not sent");
        } else if (bar == display.LastBar() && display.Showed(MessageId::DataError) && t->advanced > 0 &&
                   static_cast<std::size_t>(t->advanced) <= f.packets.size()) {
            Say(name + ": the box refused data packet " + std::to_string(t->advanced) + " (" + Printable(f.path) +
                ", offset " + std::to_string(f.packets[static_cast<std::size_t>(t->advanced) - 1].offset) +
                "); the box holds this section only in part");
        } else {
            Say(name + (t->advanced >= t->range ? ": sent, " : ": partly sent, ") +
                std::to_string(t->advanced) + " of " + std::to_string(t->range) + " data packets");
        }
    }
    return 1;
}
