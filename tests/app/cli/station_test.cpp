// The workshop's bench: a station serves box after box on every port, ports join and
// leave, every box is a line in the log; and its board fits a small terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/cli/image/sha256.h"
#include "app/cli/image/stored_file.h"
#include "app/cli/records/transfer_log.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/terminal/station_board.h"
#include "display/console/json_text.h"
#include "support/command_line.h"

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<Json> LogLines(const std::string& path) {
    std::vector<Json> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(Json::parse(line));
    return lines;
}

// Box after box on two ports, a third port that joins later; each emulator ends after
// its boxes, and its port leaves.
TEST_F(CommandLine, AStationServesBoxAfterBoxOnEveryPort) {
    const auto bench = [&](const std::string& name, const char* boxes) {
        return std::make_unique<BoxProcess>(FastBox({"--synthetic", "16,16,0,4,16", "--boxes", boxes, "--box-gap",
                                                     "300", "--link", At("bench/" + name)}));
    };
    std::filesystem::create_directories(At("bench"));
    ProcessResult r = Kestrivane({"--port", At("bench/*"), "station", "download", At("got/img-{port}.dat")});
    EXPECT_EQ(r.status, 2) << "a second box would replace the first";
    EXPECT_TRUE(Has(r.err, "{n} or {time}")) << r.err;

    auto one = bench("one", "2"), two = bench("two", "1");
    std::unique_ptr<BoxProcess> three;
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::seconds(3));
        three = bench("three", "1");
    });
    r = Kestrivane({"--port", At("bench/*"), "station", "--log", At("bench.log"), "download", At("got/img-{port}-{n}")},
                   {{16000, SIGINT}});
    later.join();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.err, At("bench/three") + ": joins the station")) << r.err;
    EXPECT_TRUE(Has(r.err, At("bench/two") + ": gone")) << r.err;
    EXPECT_TRUE(Has(r.err, "the station ends: 4 boxes done, 0 failed, 0 cut short")) << r.err;
    const std::vector<Json> log = LogLines(At("bench.log"));
    ASSERT_EQ(log.size(), 4u);
    for (const Json& box : log) {
        EXPECT_EQ(box["result"], "done");
        EXPECT_FALSE(box["started"].get<std::string>().empty());
        ASSERT_EQ(box["files"].size(), 5u);
        for (const Json& f : box["files"]) {
            const StoredFile stored = AnalyseStoredFile(f["path"]);
            EXPECT_TRUE(stored.problems.empty()) << f["path"];
            EXPECT_EQ(f["sha256"], Sha256(stored.bytes)) << f["path"];
        }
    }
    for (const char* image : {"got/img-one-1.dat", "got/img-one-2.dat", "got/img-two-1.dat", "got/img-three-1.dat"})
        EXPECT_TRUE(Exists(image)) << image;
    EXPECT_NE(Read("got/img-one-1.ur1"), Read("got/img-one-2.ur1")) << "two boxes, two images";
}

// A port unplugged in the middle of a box fails that box and comes back; Ctrl-C cuts
// the running box short.
TEST_F(CommandLine, AStationOutlivesAnUnpluggedPortAndEndsOnCtrlC) {
    std::filesystem::create_directories(At("bench"));
    const std::vector<std::string> slow = {"--synthetic", "32,16,0,4,16", "--baud", "115200", "--power-on-delay", "0",
                                           "--etb-period", "20", "--link", At("bench/port")};
    auto box = std::make_unique<BoxProcess>(slow);
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        box.reset();  // pulled out in Flash Database
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        box = std::make_unique<BoxProcess>(slow);  // and back
    });
    const ProcessResult r = Kestrivane({"--port", At("bench/port"), "station", "--log", At("bench.log"), "download",
                                        At("got/img-{n}")}, {{7500, SIGINT}});
    unplug.join();
    EXPECT_EQ(r.status, 1) << "a box failed and one was cut short: " << r.err;
    const std::vector<Json> log = LogLines(At("bench.log"));
    ASSERT_EQ(log.size(), 2u) << r.err;
    EXPECT_EQ(log[0]["result"], "failed");
    EXPECT_TRUE(Has(log[0]["message"], "went away")) << log[0]["message"];
    EXPECT_EQ(log[1]["result"], "cancelled");
    EXPECT_TRUE(Has(r.err, "gone")) << r.err;
    EXPECT_TRUE(Has(r.err, "back")) << r.err;
    EXPECT_FALSE(Exists("got/img-1.dat") || Exists("got/img-2.dat")) << "no box came down whole";
}

// A faulty port fails box after box: only its last failed box's files stay, and the
// log says which files went.
TEST_F(CommandLine, AFaultyPortKeepsOnlyItsLastFailedBoxsFiles) {
    BoxProcess faulty(FastBox({"--synthetic", "16,16,0,4,16", "--boxes", "3", "--box-gap", "300", "--fault",
                               "bad-checksum@2:satellite"}));
    const ProcessResult r = Kestrivane({"--port", faulty.Port(), "station", "--log", At("bench.log"), "download",
                                        At("got/img-{n}")}, {{9000, SIGINT}});
    const std::vector<Json> log = LogLines(At("bench.log"));
    ASSERT_EQ(log.size(), 3u) << r.err;
    EXPECT_FALSE(log[0].contains("removed"));
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(log[i]["result"], "failed");
        ASSERT_TRUE(log[i].contains("removed")) << log[i].dump();
        EXPECT_EQ(log[i]["removed"][0], At("got/img-" + std::to_string(i) + ".incomplete.dat"));
    }
    // (A number freed so is the next box's again.)
    const std::string last = std::filesystem::path(log[2]["image"].get<std::string>()).stem().string();
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(At("got"))) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{last + ".incomplete.dat", last + ".incomplete.ur1", last + ".incomplete.ur2"}));
}

// The end and the JSON stream tell every port: one failing box after box with its
// tally, one another program holds, a pattern that matches nothing beside them.
TEST_F(CommandLine, AStationsEndAndEventsTellEveryPort) {
    std::filesystem::create_directories(At("bench"));
    BoxProcess faulty(FastBox({"--synthetic", "16,16,0,4,16", "--boxes", "3", "--box-gap", "300", "--fault",
                               "bad-checksum@2:satellite", "--link", At("bench/faulty")}));
    BoxProcess held(FastBox({"--synthetic", "16,16,0,4,16", "--link", At("bench/held")}));
    const int holding = open(held.Port().c_str(), O_RDWR | O_NOCTTY);
    const ProcessResult r = Kestrivane({"--port", At("bench/faulty"), "--port", At("bench/held"), "--port",
                                        At("bench/none*"), "--progress", "json", "station", "--log", At("bench.log"),
                                        "download", At("got/img-{n}")}, {{9000, SIGINT}});
    close(holding);
    EXPECT_TRUE(Has(r.err, "faulty: 3 of 3 failed, last: data packet 2 of Satellite Database arrived damaged")) << r.err;
    EXPECT_TRUE(Has(r.err, "no port matched '" + At("bench/none*") + "'")) << r.err;
    std::vector<Json> events;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) events.push_back(Json::parse(line));
    ASSERT_FALSE(events.empty());
    bool heldTold = false, unmatchedTold = false;
    for (const Json& e : events) {
        heldTold = heldTold || (e["event"] == "port" && e["state"] == "held" && Has(e["by"], "cli_tests"));
        unmatchedTold = unmatchedTold || (e["event"] == "unmatched" && e["pattern"] == "'" + At("bench/none*") + "'");
    }
    EXPECT_TRUE(heldTold && unmatchedTold) << r.out;
    const Json& end = events.back();
    ASSERT_EQ(end["event"], "end");
    ASSERT_EQ(end["ports"].size(), 2u) << end.dump();
    for (const Json& port : end["ports"]) {
        if (Has(port["port"], "faulty")) {
            EXPECT_EQ(port["failed"], 3);
            EXPECT_TRUE(Has(port["last_failure"], "data packet 2 of Satellite Database")) << port.dump();
        } else {
            EXPECT_TRUE(Has(port["never_served"], "cli_tests")) << port.dump();
        }
    }
    const std::vector<Json> log = LogLines(At("bench.log"));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0]["sections"][1]["section"], "Satellite Database");
    EXPECT_EQ(log[0]["sections"][1]["packets"], 1) << "the packets that came of the count announced";
    EXPECT_EQ(log[0]["sections"][1]["announced"], 16);
}

TEST(StationBoard, FitsASmallTerminalAndKeepsFailedPortsInView) {
    std::vector<StationRow> rows(12);
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].port = "kv" + std::to_string(i);
    rows[7].state = StationRow::State::Running;
    rows[7].step = TransferStep::Packets;
    rows[7].section = SectionKind::SatelliteDatabase;
    rows[7].packets = 10;
    rows[7].announced = 16;
    rows[7].rate = 11520;
    for (std::size_t failed : {4, 11}) {
        rows[failed].last = StationRow::Last::Failed;
        rows[failed].verdict = "the port went away";
        rows[failed].finishedAt = static_cast<double>(failed);
    }
    rows[2].last = StationRow::Last::Done;
    rows[2].verdict = "Transfer Complete";
    StationTotals totals;
    totals.done = 1;
    totals.failed = 2;
    totals.running = 1;
    totals.waiting = 8;
    totals.boxesPerHour = 30;
    const std::vector<std::string> lines = StationBoard::Lines(rows, totals, 80, 7);
    ASSERT_EQ(lines.size(), 6u) << "the totals and five ports on seven lines";
    EXPECT_TRUE(Has(lines[0], "done 1  failed 2  running 1  waiting 8  30.0 boxes/h  +7 ports")) << lines[0];
    EXPECT_EQ(lines[1].rfind("kv11         FAILED: the port went away", 0), 0u) << "the latest failure first";
    EXPECT_EQ(lines[2].rfind("kv4          FAILED", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("kv7          recv Satellite [", 0), 0u) << lines[3];
    EXPECT_TRUE(Has(lines[3], "] 10/16 11.5 kB/s")) << lines[3];
    EXPECT_EQ(lines[4].rfind("kv2          done: Transfer Complete", 0), 0u) << lines[4];
    EXPECT_EQ(lines[5], "kv0          waiting: box on, channel up") << "then the waiting ones, in natural order";
    for (const std::string& line : lines) EXPECT_LT(line.size(), 80u);
    EXPECT_TRUE(Has(StationBoard::Line(rows[7], 132), "Receiving Satellite Database [")) << "in full where there is room";
    rows[7].step = TransferStep::Announcement;
    rows[7].section = SectionKind::Resource;
    EXPECT_EQ(StationBoard::Line(rows[7], 80), "kv7          await Resource");
    // Its next box running, a failed port is a running one again.
    rows[4].state = StationRow::State::Running;
    EXPECT_EQ(StationBoard::Lines(rows, totals, 80, 7)[2].rfind("kv4          ", 0), 0u);
}

// What needs a person outranks running boxes; a port's failures stay on its row as a
// tally across its next boxes; the totals count each port once and fit any width.
TEST(StationBoard, WhatNeedsAPersonStaysOnTop) {
    std::vector<StationRow> rows(30);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].port = "port" + std::to_string(i);
        rows[i].state = StationRow::State::Running;
        rows[i].step = TransferStep::Packets;
        rows[i].section = SectionKind::Resource;
    }
    rows[20].state = StationRow::State::Gone;
    rows[21].state = StationRow::State::Waiting;
    rows[21].held = true;
    rows[21].problem = "by minicom (pid 77)";
    for (const char* verdict : {"data packet 3 of Resource arrived damaged", "Transfer Complete"})
        CountBox(rows[5], std::string(verdict) == "Transfer Complete" ? StationRow::Last::Done : StationRow::Last::Failed,
                 verdict, 1);
    StationTotals totals;
    totals.running = 27, totals.gone = 1, totals.held = 1, totals.waiting = 1, totals.done = 40, totals.failed = 3;
    totals.boxesPerHour = 118.5;
    totals.unmatched = "'/dev/ttyACM*'";
    const std::vector<std::string> lines = StationBoard::Lines(rows, totals, 60, 8);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_LT(lines[0].size(), 60u) << "the totals fit: " << lines[0];
    EXPECT_TRUE(Has(lines[0], "+25")) << "the rest folded into the totals: " << lines[0];
    EXPECT_EQ(lines[1], "no port matches '/dev/ttyACM*' yet: plug in an adapter");
    EXPECT_EQ(lines[2].rfind("port20       gone", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("port21       held: by minicom (pid 77)", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4].rfind("port5        recv Resource", 0), 0u) << lines[4];
    EXPECT_TRUE(Has(StationBoard::Line(rows[5], 132), "1 of 2 failed, last: data packet 3 of Resource arrived damaged"));
    // Three boxes done since, the tally leaves the row.
    for (int i = 0; i < 3; ++i) CountBox(rows[5], StationRow::Last::Done, "Transfer Complete", 2);
    EXPECT_FALSE(Has(StationBoard::Line(rows[5], 132), "failed"));
}

// Ports told apart by the least of their names, and shown in their natural order.
TEST(PortNames, TheShortestNameThatTellsThemApart) {
    const std::vector<std::string> byId = {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285B1-if00-port0",
                                           "/dev/serial/by-id/usb-FTDI_FT4232H_Quad_FT5X1-if01-port0",
                                           "/dev/serial/by-id/usb-Prolific_PL2303-if00-port0", "/dev/ttyUSB3"};
    EXPECT_EQ(ShortPortNames(byId),
              (std::vector<std::string>{"A50285B1-if00", "FT5X1-if01", "PL2303-if00", "ttyUSB3"}));
    EXPECT_EQ(ShortPortNames({"/tmp/l1/com1", "/tmp/l2/com1", "/dev/com2"}),
              (std::vector<std::string>{"l1/com1", "l2/com1", "com2"}));
    std::vector<std::string> names = {"kv10", "kv2", "kv1", "kv02b"};
    std::sort(names.begin(), names.end(), NaturalLess);
    EXPECT_EQ(names, (std::vector<std::string>{"kv1", "kv2", "kv02b", "kv10"}));
}

}  // namespace
