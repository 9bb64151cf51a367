// A session as the tests run it: the recording display as its observer, whose pump it
// runs and whose section boxes say what an upload sends; `cancel` as the user's
// Cancel; packets of 2048 bytes; the files made as the Windows program makes them.
#pragma once

#include "app/files/stdio_image_files.h"
#include "link/session_link.h"
#include "support/recording_display.h"

struct TestSession : Session {
    TestSession(SerialBackend& port, RecordingDisplay& display) : Session(port, display) {
        settings.link.PortName = "COM5";
        settings.packetLength = [] { return 2048; };
        for (SectionKind kind : AllSections)
            settings.sections[static_cast<std::size_t>(SectionIndex(kind))] = display.checked[SectionIndex(kind)];
        stopRequested = [this] { return cancel != 0; };
        pump = [&display] { display.PumpOneMessage(); };
        sink = &files;
        source = &stored;
    }
    StdioImageSink files;
    StdioImageSource stored;
    volatile int cancel = 0;
};
