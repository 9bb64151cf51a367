// What the command line tells a session, in one structure. It is applied once, just
// before the session runs: each part goes where the session reads it (LinkSettings,
// the PacketLength setting, UrtMode, CheckStoredPackets, and the recorder in front of
// the display for the patience and the sections).
#pragma once

#include <array>
#include <cstdint>

#include "core/link_settings.h"
#include "core/section_kind.h"

struct SessionSettings {
    LinkSettingsRecord link;           // port, line speed, upload time-out factor
    std::int32_t packetLength = 2048;  // bytes a data packet read expects (PacketLength)
    double patience = 60;              // seconds the box may keep a transfer waiting (0: without end)
    std::array<bool, SectionCount> sections{true, true, true, true, true};  // the sections an upload sends
    bool urt = false;                  // the upload sends one URT file
    bool checkStoredPackets = true;    // false with --force: damaged packets go out all the same
};
