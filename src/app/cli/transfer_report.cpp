#include "app/cli/transfer_report.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/cancel_flag.h"
#include "core/link_settings.h"
#include "link/serial_link.h"

namespace {

void Say(const std::string& text) { std::fprintf(stderr, "kestrivane: %s\n", text.c_str()); }

bool LooksLikeWindowsPort(const std::string& port) {
    return port.size() > 3 && (port.compare(0, 3, "COM") == 0 || port.compare(0, 3, "com") == 0) &&
           port.find('/') == std::string::npos;
}

// A file written by this run: one changed since it began.
bool WrittenSince(const std::string& path, std::time_t started, bool* exists) {
    struct stat st;
    *exists = stat(path.c_str(), &st) == 0;
    return *exists && st.st_mtime >= started;
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

std::string PortProblem(const std::string& port) {
    const OpenFailure failure = LastOpenFailure();
    const int error = failure.systemError;
    if (!error) return {};
    std::string why;
    if (failure.busy) {
        why = "it is in use by another program (fuser " + port + " names it)";
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

int ReportDownload(const std::string& image, int result, const ConsoleDisplay& display, std::time_t started) {
    const std::string port = PortProblem(LinkSettings.PortName);
    if (!port.empty()) {
        Say(port);
        return 2;
    }
    if (result != 0) {
        SilentBox(display, "switch the box on holding channel up");
        const int bar = display.LastBar();
        if (display.Showed(MessageId::DataError) && TallyOf(display, bar))
            Say("data packet " + std::to_string(TallyOf(display, bar)->advanced + 1) + " of " + BarLabel(bar) +
                " arrived damaged (its ETX or checksum is wrong); nothing after it was stored");
        bool any = false;
        for (SectionKind kind : AllSections) {
            const std::string path = SectionFilePath(image, kind);
            bool exists = false;
            if (!WrittenSince(path, started, &exists)) {
                if (exists) Say(path + ": untouched (from an earlier download)");
                continue;
            }
            any = true;
            const StoredFile f = AnalyseStoredFile(path);
            const bool whole = f.headerUsable && f.packets.size() >= f.announced && f.problems.empty();
            Say(path + (whole ? ": complete, " + std::to_string(f.packets.size()) + " data packets"
                              : ": incomplete, " + std::to_string(f.packets.size()) + " of " +
                                    std::to_string(f.announced) + " data packets"));
        }
        if (!any) Say("no section file was written");
        return 1;
    }
    // An Application Software section the box did not have leaves an older file of
    // that name in place, listed by the new index file.
    const std::string ur5 = SectionFilePath(image, SectionKind::ApplicationSoftware);
    bool exists = false;
    if (!WrittenSince(ur5, started, &exists) && exists)
        Say("note: " + ur5 + " is from an earlier download (this box had no Application Software): the index lists "
            "it, and an upload of " + image + " would send it; delete it, or upload with "
            "--sections flash,satellite,resource,eeprom");
    if (!display.Failures().empty()) {
        Say("the download completed after an error (see above): it is not a whole image");
        return 1;
    }
    return 0;
}

int ReportUpload(const UploadPlan& plan, int result, const ConsoleDisplay& display) {
    const std::string port = PortProblem(LinkSettings.PortName);
    if (!port.empty()) {
        Say(port);
        return 2;
    }
    if (result == 0) return display.Failures().empty() ? 0 : 1;
    SilentBox(display, "switch the box on holding channel down");
    for (const StoredFile& f : plan.files) {
        const int bar = plan.urt ? UrtBarId : SectionBar(*f.section);
        const ConsoleDisplay::Tally* t = TallyOf(display, bar);
        const std::string name = plan.urt ? std::string("URT file") : SectionName(*f.section);
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
