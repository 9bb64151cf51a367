// A session against the emulated box on the virtual clock: the box, the virtual
// link the session talks through, a recording display and priority hook, a scratch
// directory holding config.ini (PacketLength 2048) as ConfigPath, and what a front
// end would hand each session it runs (settings, Cancel).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "box/box.h"
#include "box/synthetic_image.h"
#include "box/virtual_link.h"
#include "core/priority_hook.h"
#include "support/recording_display.h"
#include "support/test_session.h"

struct RecordingPriority : PriorityHook {
    std::vector<std::string> calls;
    void RaiseProcessPriority() override { calls.push_back("raise"); }
    void SetThreadTimeCritical() override { calls.push_back("critical"); }
    void SetThreadNormal() override { calls.push_back("normal"); }
};

struct RigOptions {
    box::BoxMode mode = box::BoxMode::Auto;
    std::vector<std::string> faults;
    box::Micros powerOnAt = 3'000'000;  // the user switches the box on 3 s after Transfer
    box::Micros sectionGap = 1'500'000;  // from a section's last packet to the next announcement
    box::Micros byteTime = 0;            // the box's bytes on the line (0: unpaced)
};

class SessionRig {
public:
    explicit SessionRig(const box::Image& image, RigOptions options = {});
    ~SessionRig();

    box::Box& box() { return *box_; }
    box::VirtualLink& link() { return *link_; }
    // Another box on the line (for the second session of a round trip); the clock
    // starts again at 0.
    void NewBox(const box::Image& image, RigOptions options = {});

    // A path in the scratch directory.
    std::string Path(const std::string& name) const;
    // Rewrites config.ini's PacketLength (nullptr: no such key).
    void SetPacketLength(const char* value);
    box::Bytes FileBytes(const std::string& path) const;
    bool Exists(const std::string& path) const;
    double Seconds() const { return static_cast<double>(link_->Now()) / 1e6; }

    // A session for the next transfer, made from what stands now (the section boxes
    // of the display, the settings and Cancel below); the one made last.
    Session& NewSession();
    Session& LastSession() { return *session_; }

    RecordingDisplay display;
    RecordingPriority priority;
    LinkSettingsRecord linkSettings;  // port COM5 at 115200 bit/s
    bool urt = false;
    bool checkStoredPackets = true;
    double patience = 0;
    bool fastHeader = false;
    volatile int cancel = 0;  // the user's Cancel, as the session sees it

private:
    std::unique_ptr<TestSession> session_;
    std::unique_ptr<box::Box> box_;
    std::unique_ptr<box::VirtualLink> link_;
    std::string dir_;
};

box::BoxOptions MakeBoxOptions(const RigOptions& options);
