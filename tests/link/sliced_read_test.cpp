// A long read waits in slices, hearing the user between them, and still ends where
// one read ends: the same bytes, at the same time, under the same record. On the
// emulated box's virtual clock.
#include <gtest/gtest.h>

#include "box/box.h"
#include "box/synthetic_image.h"
#include "box/virtual_link.h"
#include "link/serial_link.h"
#include "support/recording_display.h"
#include "support/test_session.h"

namespace {

using box::Bytes;
using box::Micros;

struct Line {
    explicit Line(const box::BoxOptions& options, Micros powerOnAt)
        : box(box::SyntheticImage({}), options), link(box) {
        box.PowerOn(powerOnAt);
        link.Open("virtual", 115200);
    }
    box::Box box;
    box::VirtualLink link;
};

struct Ending {
    Bytes bytes;
    Micros at;
};

TEST(SlicedRead, EndsWhereOneReadEnds) {
    struct Case {
        const char* what;
        Micros etbPeriod;  // the box announces with an ETB this often from power-on
        Micros powerOnAt;
        int count;
        std::uint32_t totalMs;
    };
    const Case cases[] = {
        {"a silent line: the whole total", box::kNever, box::kNever, 1, 10000},
        {"a byte after some slices", 1'000'000, 2'777'777, 1, 10000},
        {"bytes in the first slice, the count later", 700'000, 100'000, 3, 15000},
        {"bytes in the first slice, then the total", 700'000, 100'000, 5, 2000},
        {"a total of one slice", 1'000'000, 200'000, 2, ReadSliceMs},
        {"a total just above one slice", 1'000'000, 260'000, 1, ReadSliceMs + 1},
    };
    RecordingDisplay display;
    for (const Case& c : cases) {
        box::BoxOptions options;
        options.mode = box::BoxMode::Download;
        options.etbPeriod = c.etbPeriod;
        Line one(options, c.powerOnAt), sliced(options, c.powerOnAt);

        Bytes expected(static_cast<std::size_t>(c.count));
        expected.resize(static_cast<std::size_t>(one.link.Read(expected.data(), c.count, c.totalMs)));

        TestSession session(sliced.link, display);
        LinkTimeouts record;
        SetLinkTimeouts(session, record, c.totalMs);
        display.pumps = 0;
        Bytes got(static_cast<std::size_t>(c.count));
        got.resize(static_cast<std::size_t>(ReadLink(session, got.data(), c.count)));

        EXPECT_EQ(got, expected) << c.what;
        EXPECT_EQ(sliced.link.Now(), one.link.Now()) << c.what;
        EXPECT_EQ(sliced.link.Profiles(), std::vector<std::string>{std::to_string(c.totalMs)}) << c.what;
        // A pump after each slice that did not end the read, bytes come or not.
        const Micros sliceUs = Micros{ReadSliceMs} * 1000;
        EXPECT_EQ(display.pumps, int((sliced.link.Now() + sliceUs - 1) / sliceUs) - 1) << c.what;
    }
}

TEST(SlicedRead, CancelEndsItWithinASlice) {
    RecordingDisplay display;
    box::BoxOptions options;
    options.mode = box::BoxMode::Download;
    Line silent(options, box::kNever);
    TestSession session(silent.link, display);
    LinkTimeouts record;
    SetLinkTimeouts(session, record, 15000);
    display.onPump = [&] {
        if (silent.link.Now() >= 2'000'000) session.cancel = 1;
    };
    std::uint8_t byte = 0;
    EXPECT_EQ(ReadLinkByte(session, &byte), 0);
    EXPECT_EQ(silent.link.Now(), 2'000'000) << "the pump after the eighth empty slice heard it";
}

}  // namespace
