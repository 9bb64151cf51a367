// The built kestrivane against kestrivane-box on a pty, as a user runs them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "box/image.h"
#include "display/console/json_text.h"
#include "core/packet.h"
#include "support/command_line.h"

namespace {

namespace fs = std::filesystem;
using box::Bytes;

TEST_F(CommandLine, DownloadStoresTheBoxsImageByteForByte) {
    BoxProcess box(FastBox({"--synthetic", "32,16,0,4,16", "--write-image", At("served/box.dat")}));
    const ProcessResult r = Kestrivane({"--port", box.Port(), "download", At("got/box")});  // .dat added
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Status: Transfer Complete\n");
    EXPECT_NE(r.err.find("Status: Receiving Eeprom Database"), std::string::npos);
    for (const char* suffix : {"ur1", "ur2", "ur3", "ur4", "ur5"})
        EXPECT_EQ(Read(std::string("got/box.") + suffix), Read(std::string("served/box.") + suffix)) << suffix;
    EXPECT_FALSE(Read("got/box.dat").empty());
}

TEST_F(CommandLine, UploadGoesBackByteForByteInSectionAndUrtMode) {
    BoxProcess box(FastBox({"--synthetic", "32,16,0,4,16", "--write-image", At("served/box.dat"), "--record", At("got")}));
    ProcessResult r = Kestrivane({"--port", box.Port(), "upload", "--yes", "--sections", "flash,eeprom", At("served/box.ur3")});
    EXPECT_EQ(r.status, 2) << "the section file named is not among the sections: " << r.err;
    EXPECT_NE(r.err.find("--sections leaves out Resource, the section of " + At("served/box.ur3")), std::string::npos);
    r = Kestrivane({"--port", box.Port(), "upload", "--yes", "--sections", "flash,eeprom", At("served/box.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Status: Transfer Complete - Do not switch off box until 'BOOT' is displayed\n");

    Bytes urt = {'K', 'V', 'U', 'R', 'T', '!'};
    const Bytes satellite = Read("served/box.ur2");
    urt.insert(urt.end(), satellite.begin(), satellite.end());
    box::WriteFileBytes(At("satellite.URT"), urt);
    r = Kestrivane({"--port", box.Port(), "upload", "--yes", At("satellite.URT")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Status: Sending URT file"), std::string::npos);

    box.Stop();
    EXPECT_EQ(Read("got/recorded.ur1"), Read("served/box.ur1"));
    EXPECT_EQ(Read("got/recorded.ur4"), Read("served/box.ur4"));
    EXPECT_EQ(Read("got/recorded.ur2"), satellite);
    EXPECT_TRUE(Read("got/recorded.ur3").empty()) << "not ticked, not sent";
}

TEST_F(CommandLine, FailuresSayWhyAndSetTheExitStatus) {
    {
        BoxProcess box(FastBox({"--synthetic", "20,16,0,4,3", "--fault", "bad-checksum@2"}));
        const ProcessResult r = Kestrivane({"--port", box.Port(), "download", At("got/box.dat")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("data packet 2 of Flash Database arrived damaged (its ETX or checksum is wrong)"),
                  std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Error receiving data"), std::string::npos) << "one line for one cause: " << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    ProcessResult r = Kestrivane({"download", At("got/box.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--port"), std::string::npos);
    r = Kestrivane({"--port", "/dev/null", "upload", At("got/box.dat")});
    EXPECT_EQ(r.status, 2) << "no such file";
    EXPECT_NE(r.err.find("not there"), std::string::npos) << r.err;
    // A port that cannot be used: the device and why, in Linux words only.
    for (const char* port : {"/dev/kv-no-such-port", "COM5"}) {
        r = Kestrivane({"--port", port, "download", At("got/new.dat")});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.find("Handle Error: Failed to create a handle to COM port"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(std::string("cannot use the port ") + port + ": no such device"), std::string::npos) << r.err;
    }
    EXPECT_NE(r.err.find("COM5 is a Windows port name"), std::string::npos) << r.err;
    {   // A port another program holds open (without a lock) is named before anything is sent.
        BoxProcess box(FastBox({"--synthetic", "16,16,4,4,16"}));
        const int held = open(box.Port().c_str(), O_RDWR | O_NOCTTY);
        r = Kestrivane({"--port", box.Port(), "download", At("got/held.dat")});
        close(held);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("is open in another program: cli_tests (pid " + std::to_string(getpid()) + ")"),
                  std::string::npos) << r.err;
    }
    // Completion keeps a comma list and takes --opt=value.
    r = RunProgram({"/bin/bash", "-c", "source " KV_COMPLETION "; COMP_WORDS=(kestrivane upload -s flash,sat); "
                    "COMP_CWORD=3; _kestrivane; echo ${COMPREPLY[@]}; COMP_WORDS=(kestrivane --sections = res); "
                    "COMP_CWORD=3; _kestrivane; echo ${COMPREPLY[@]}"});
    EXPECT_EQ(r.out, "flash,satellite\nresource\n") << r.err;
    r = Kestrivane({"--port", "/dev/null", "downlaod", At("got/box.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("did you mean download?"), std::string::npos) << r.err;
}

// Nothing reaches the box from files that are not all there, or that hold damage.
TEST_F(CommandLine, UploadChecksItsFilesBeforeTheBoxIsTouched) {
    BoxProcess box(FastBox({"--synthetic", "16,16,16,4,-", "--write-image", At("served/box.dat"), "--record", At("got")}));
    const Bytes satellite = Read("served/box.ur2");
    fs::remove(At("served/box.ur2"));  // (without it, no .ur5 is no longer an empty section's)
    ProcessResult r = Kestrivane({"--port", box.Port(), "upload", "--yes", At("served/box.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("box.ur5"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--sections flash,resource,eeprom"), std::string::npos) << r.err;
    box::WriteFileBytes(At("served/box.ur2"), satellite);

    Bytes resource = Read("served/box.ur3");
    resource[resource.size() - 100 - DataPacketSize] ^= 0x01;  // data packet 15's checksum no longer fits
    box::WriteFileBytes(At("served/box.ur3"), resource);
    r = Kestrivane({"--port", box.Port(), "upload", "--yes", "-s", "flash,resource", At("served/box.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("data packet 15: checksum"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    // An index inspect calls damaged stands for nothing sure: refused, even with --force.
    const Bytes index = Read("served/box.dat");
    for (const std::string& damaged : {std::string(), std::string(3, '\0'), std::string("garbage\n")}) {
        std::ofstream(At("served/box.dat"), std::ios::binary) << damaged;
        r = Kestrivane({"--port", box.Port(), "upload", "--yes", "--force", At("served/box.dat")});
        EXPECT_EQ(r.status, 2) << damaged.size();
        EXPECT_NE(r.err.find("cannot upload: " + At("served/box.dat") + " is "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("index file ("), std::string::npos) << r.err;
    }
    box::WriteFileBytes(At("served/box.dat"), index);
    r = Kestrivane({"--port", box.Port(), "upload", At("served/box.ur1")});
    EXPECT_EQ(r.status, 2) << "no terminal to confirm on, and no --yes";
    EXPECT_NE(r.err.find("--yes"), std::string::npos);
    EXPECT_TRUE(box.Stop().find("received") == std::string::npos) << "nothing reached the box";

    BoxProcess second(FastBox({"--synthetic", "16,16,16,4,-", "--record", At("got")}));
    r = Kestrivane({"--port", second.Port(), "upload", "--yes", "--force", "-q", At("served/box.ur3")});
    EXPECT_EQ(r.status, 1) << "the box refuses the damaged packet";
    EXPECT_NE(r.err.find("Resource: the box refused data packet 15 (" + At("served/box.ur3") + ", offset "),
              std::string::npos) << r.err;

    // A box that refuses a section's last packet: a failure, never a completion.
    BoxProcess third(FastBox({"--synthetic", "16,16,16,4,-", "--fault", "nak-last:flash"}));
    r = Kestrivane({"--port", third.Port(), "upload", "--yes", "-s", "flash,eeprom", At("served/box.dat")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find("Flash Database: the box refused data packet 16 (" + At("served/box.ur1") + ", offset "),
              std::string::npos) << r.err;
}

TEST_F(CommandLine, CompareTellsWhereImagesDiffer) {
    BoxProcess box(FastBox({"--synthetic", "16,16,16,4,16", "--write-image", At("served/box.dat")}));
    box.Stop();
    for (const char* suffix : {"dat", "ur1", "ur2", "ur3", "ur4", "ur5"})
        box::WriteFileBytes(At(std::string("got/copy.") + suffix), Read(std::string("served/box.") + suffix));
    box::WriteFileBytes(At("got/copy.dat"), {});  // an empty index file: the section files beside it are the image
    ProcessResult r = Kestrivane({"compare", At("served/box.dat"), At("got/copy.dat")});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Eeprom Database: same (header and 4 data packets)"), std::string::npos) << r.out;

    Bytes satellite = Read("got/copy.ur2");
    satellite[satellite.size() - 3 * DataPacketSize + 50] ^= 0xFF;  // in data packet 14
    box::WriteFileBytes(At("got/copy.ur2"), satellite);
    r = Kestrivane({"compare", "--json", At("served/box.dat"), At("got/copy.ur2")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\"section\": \"Satellite Database\", \"same\": false"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("data packet 14 differs from its byte 50"), std::string::npos) << r.out;
}

TEST_F(CommandLine, CtrlCEndsAWaitWithThePortClosed) {
    BoxProcess box(FastBox({"--synthetic", "3,16,0,4,3", "--fault", "silence-between:flash"}));
    const ProcessResult r = Kestrivane({"--port", box.Port(), "download", At("got/box.dat")}, 3000);
    EXPECT_EQ(r.status, 128 + SIGINT) << "cancelled by Ctrl-C";
    EXPECT_LT(r.seconds, 3.0 + 1.5) << "the section wait notices within a read";
    EXPECT_NE(r.err.find("cancelling"), std::string::npos);
    EXPECT_EQ(r.err.find("Error"), std::string::npos) << r.err;
    // The port was closed: it opens again at once.
    const ProcessResult again = Kestrivane({"--port", box.Port(), "download", At("got/box2.dat")}, 500);
    EXPECT_EQ(again.err.find("Failed to create a handle"), std::string::npos) << again.err;
}

// No wait is without an end: a box that announces no further section fails the
// download after the patience; 0 waits on.
TEST_F(CommandLine, PatienceEndsAWaitTheSessionLeavesOpen) {
    BoxProcess box(FastBox({"--synthetic", "3,16,0,4,3", "--fault", "silence-between:flash"}));
    ProcessResult r = Kestrivane({"--port", box.Port(), "--patience", "2", "download", At("got/box.dat")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the box announced no further section within 2 s (Satellite Database was next)"),
              std::string::npos) << r.err;
    EXPECT_LT(r.seconds, 2.0 + 1.0 + 2.0) << "the handshake and Flash, then the patience and a second";
    r = Kestrivane({"--port", box.Port(), "--patience", "0", "download", At("got/wait.dat")}, 4000);
    EXPECT_EQ(r.status, 128 + SIGINT);
    EXPECT_NE(r.err.find("cancelling"), std::string::npos) << "still waiting when Ctrl-C came: " << r.err;
}

TEST_F(CommandLine, PortThatGoesAwayEndsTheTransferWithItsMessage) {
    BoxProcess box(FastBox({"--synthetic", "3,16,0,4,3", "--fault", "silence-between:flash"}));
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        box.Stop();  // its pty goes with it, as an adapter pulled out
    });
    const ProcessResult r = Kestrivane({"--port", box.Port(), "download", At("got/box.dat")});
    unplug.join();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("went away (Lost connection to the serial port)"), std::string::npos) << r.err;
    EXPECT_LT(r.seconds, 2.5 + 1.5) << "not taken for a silent box";
}

TEST_F(CommandLine, InspectFindsDamageWhereItLies) {
    BoxProcess box(FastBox({"--synthetic", "32,16,0,4,16", "--write-image", At("served/box.dat")}));
    box.Stop();
    ProcessResult r = Kestrivane({"inspect", At("served/box.dat")});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Eeprom Database section file"), std::string::npos);
    EXPECT_NE(r.out.find("4 data packets announced"), std::string::npos);
    EXPECT_NE(r.out.find("no problems found"), std::string::npos);

    Bytes satellite = Read("served/box.ur2");
    const std::size_t header = PacketPayloadLength(satellite.data()) + PacketFramingSize;
    const std::size_t third = header + 2 * DataPacketSize;
    satellite[third + 100] ^= 0x40;
    satellite.resize(satellite.size() - 10);
    box::WriteFileBytes(At("served/box.ur2"), satellite);
    r = Kestrivane({"inspect", At("served/box.ur2")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("offset " + std::to_string(third + 4 + DataPayloadSize) + ": data packet 3: checksum"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("data packet 16 cut short: 2059 of 2069 bytes"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 problems found"), std::string::npos) << r.out;
}

// The status tells whether the box holds what the files hold: a section the box
// ended early fails an upload, packets that went out unasked to the end of a section
// too; a download's short section is how the box ends one, and is said.
TEST_F(CommandLine, StatusSaysWhetherTheBoxHoldsTheImage) {
    {
        BoxProcess box(FastBox({"--synthetic", "16,16,4,4,16", "--fault", "stop@3:application",
                                "--write-image", At("served/box.dat")}));
        const ProcessResult r = Kestrivane({"--port", box.Port(), "download", At("got/box.dat")});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("data packets: Resource 4 of 16, Application Software 3 of 16 (a header counts whole "
                             "blocks of 16"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Status: Transfer Complete"), std::string::npos) << "said once, on standard output";
        EXPECT_NE(r.err.find(" kB in "), std::string::npos) << "the summary: " << r.err;
    }
    const std::pair<const char*, const char*> rules[] = {
        {"other-silence@2:resource", "Resource: the box took 2 of the 4 packets in"},
        {"enq-silence@2:resource", "Resource: the box went silent after packet 2; packets 3 to 4 went out unasked"},
    };
    for (const auto& [fault, said] : rules) {
        BoxProcess box(FastBox({"--synthetic", "16,16,4,4,16", "--fault", fault}));
        const ProcessResult r =
            Kestrivane({"--port", box.Port(), "upload", "--yes", "-s", "resource", At("served/box.dat")});
        EXPECT_EQ(r.status, 1) << fault << ": " << r.err;
        EXPECT_NE(r.err.find(said), std::string::npos) << fault << ": " << r.err;
    }
}

// A download into an existing image replaces it whole or not at all.
TEST_F(CommandLine, ReplacingAnImageIsAllOrNothing) {
    BoxProcess(FastBox({"--synthetic", "16,16,4,4,16", "--write-image", At("got/box.dat")})).Stop();
    const Bytes before = Read("got/box.ur1");
    {
        BoxProcess failing(FastBox({"--synthetic", "16,16,4,4,16", "--seed", "2", "--fault", "bad-checksum@2:satellite"}));
        const ProcessResult r = Kestrivane({"--port", failing.Port(), "download", "--yes", At("got/box.dat")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(At("got/box.dat") + " is as it was"), std::string::npos) << r.err;
        EXPECT_EQ(Read("got/box.ur1"), before) << "the old image untouched";
        EXPECT_FALSE(Read("got/box.incomplete.ur1").empty()) << "what came down is kept, named as such";
    }
    BoxProcess other(FastBox({"--synthetic", "16,16,4,4,16", "--seed", "3", "--write-image", At("served/other.dat")}));
    const ProcessResult r = Kestrivane({"--port", other.Port(), "download", "--yes", At("got/box.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* suffix : {"ur1", "ur2", "ur3", "ur4", "ur5"})
        EXPECT_EQ(Read(std::string("got/box.") + suffix), Read(std::string("served/other.") + suffix)) << suffix;
    EXPECT_FALSE(fs::exists(At("got/box.incomplete.dat")));
    EXPECT_FALSE(fs::exists(At("got/box.incomplete.ur1")));
}

// On a terminal, what is said after Ctrl-C stays on screen: no redraw comes after it.
TEST_F(CommandLine, ReportAfterCtrlCStaysOnTheTerminal) {
    BoxProcess box({"--synthetic", "32,16,4,4,16", "--baud", "115200", "--power-on-delay", "0", "--etb-period", "20"});
    const ProcessResult r = Kestrivane({"--port", box.Port(), "download", At("got/box.dat")}, 2500, true);
    EXPECT_EQ(r.status, 128 + SIGINT) << r.err;
    const std::size_t report = r.err.find("box.incomplete.ur1:");
    ASSERT_NE(report, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\033', report), std::string::npos) << "nothing moves or clears after the report";
}

// The workshop's tools: a read checked by a second read, a box verified against an
// image, an upload verified; the trace, the JSON events and the log of it all.
TEST_F(CommandLine, ReadBackTraceEventsAndLog) {
    BoxProcess box(FastBox({"--synthetic", "16,16,16,4,16", "--write-image", At("served/box.dat")}));
    const std::string log = At("transfers.log");
    ProcessResult r = Kestrivane({"--port", box.Port(), "download", "--verify", "--trace", At("read.trace"),
                                  "--progress", "json", "--log", log, At("got/box.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("verify: the box holds the image"), std::string::npos) << r.err;
    // Every byte of every packet the box sent stands in the trace, as it came: a line
    // a packet that says which it is, its bytes on the lines below; a header a run,
    // the outcome at its end.
    std::string received, all;
    std::ifstream trace(At("read.trace"));
    bool fromBox = false;
    int checkedPackets = 0;
    for (std::string line; std::getline(trace, line);) {
        all += line + "\n";
        std::istringstream words(line);
        std::string first, direction, hex;
        words >> first;
        if (line.rfind("          ", 0) == 0) {  // the bytes of the burst above
            std::istringstream bytes(line);
            while (fromBox && bytes >> hex && hex.size() == 2) received += static_cast<char>(std::stoi(hex, nullptr, 16));
            continue;
        }
        fromBox = (words >> direction) && direction == "<";
        checkedPackets += line.find(" bytes: data packet ") != std::string::npos && line.find(", checksum ok") != std::string::npos;
    }
    for (const char* suffix : {"ur1", "ur2", "ur3", "ur4", "ur5"}) {
        const Bytes file = Read(std::string("served/box.") + suffix);
        EXPECT_NE(received.find(std::string(file.begin(), file.end())), std::string::npos) << suffix;
    }
    EXPECT_EQ(checkedPackets, 2 * (16 + 16 + 16 + 4 + 16)) << "both reads, every data packet named and checked";
    EXPECT_NE(all.find("# kestrivane "), std::string::npos);
    EXPECT_NE(all.find("# outcome: done: Transfer Complete"), std::string::npos);
    int packets = 0, lines = 0, ends = 0;
    std::istringstream events(r.out);
    Json last;
    for (std::string line; std::getline(events, line); ++lines) {
        const Json event = Json::parse(line);  // every line one object
        EXPECT_EQ(event["port"], box.Port());
        packets += event["event"] == "packet";
        ends += event["event"] == "end";
        if (event["event"] == "message") {
            EXPECT_EQ(event["id"], "download-complete") << line;
        }
        last = event;
    }
    EXPECT_GE(packets, 2 * (16 + 16 + 16 + 4 + 16)) << "both reads, a packet an event";
    EXPECT_EQ(ends, 1) << "one end event, the last";
    EXPECT_EQ(last["event"], "end");
    EXPECT_EQ(last["files"].size(), 5u);
    EXPECT_EQ(last["files"][0]["state"], "same");

    // One byte of a valid packet changed (its checksum made right): the box differs there.
    Bytes satellite = Read("served/box.ur2");
    const std::size_t packet5 = PacketPayloadLength(satellite.data()) + PacketFramingSize + 4 * DataPacketSize;
    satellite[packet5 + 100] ^= 0x01;
    std::uint32_t sum = 0;
    for (int i = 0; i < DataPayloadSize; ++i) sum += satellite[packet5 + 4 + i];
    for (int k = 0; k < 4; ++k) satellite[packet5 + 4 + DataPayloadSize + k] = static_cast<std::uint8_t>(sum >> (24 - 8 * k));
    box::WriteFileBytes(At("served/box.ur2"), satellite);
    r = Kestrivane({"--port", box.Port(), "verify", At("served/box.dat")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("Satellite Database: the box differs"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("data packet 5 differs from its byte 100 (A offset " + std::to_string(packet5)),
              std::string::npos) << r.err;

    // Uploaded and read back: the box holds it now.
    r = Kestrivane({"--port", box.Port(), "upload", "--yes", "--verify", "--log", log, At("served/box.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    std::ifstream in(log);
    std::vector<Json> entries;
    for (std::string line; std::getline(in, line);) entries.push_back(Json::parse(line));
    ASSERT_EQ(entries.size(), 4u) << "download, its read back, upload, its read back";
    EXPECT_EQ(entries[2]["command"], "upload");
    for (const Json& f : entries[2]["files"]) {
        const ProcessResult sha = RunProgram({"/usr/bin/sha256sum", f["path"].get<std::string>()});
        EXPECT_EQ(sha.out.substr(0, 64), f["sha256"]) << f["path"];
    }
}

// Four boxes at once: each its own image, the same upload to all, one that fails
// among them, and Ctrl-C for all.
TEST_F(CommandLine, SeveralBoxesAtOnce) {
    std::vector<std::unique_ptr<BoxProcess>> boxes;
    std::vector<std::string> args;
    for (int i = 0; i < 4; ++i) {
        std::vector<std::string> box = {"--synthetic", "16,16,4,4,16", "--record", At("got/rec" + std::to_string(i))};
        if (i == 0) box.insert(box.end(), {"--write-image", At("served/box.dat")});
        if (i == 3) box.insert(box.end(), {"--fault", "bad-checksum@2:flash"});  // a download fails there
        boxes.push_back(std::make_unique<BoxProcess>(FastBox(box)));
        args.insert(args.end(), {"--port", boxes.back()->Port()});
    }
    auto withArgs = [&](std::vector<std::string> more) {
        std::vector<std::string> all = args;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    ProcessResult r = Kestrivane(withArgs({"download", At("got/img.dat")}));
    EXPECT_EQ(r.status, 2) << "a name without {port} is refused before any box is touched";

    r = Kestrivane(withArgs({"download", At("got/img-{port}.dat")}));
    EXPECT_EQ(r.status, 1) << r.err;
    for (int i = 0; i < 3; ++i) {
        const std::string name = "got/img-" + fs::path(boxes[i]->Port()).filename().string();
        EXPECT_EQ(Read(name + ".ur1"), Read("served/box.ur1")) << name;
        // Its report, behind its port's name.
        const std::size_t said = r.err.find(At(name + ".dat") + " and its section files");
        ASSERT_NE(said, std::string::npos) << r.err;
        const std::size_t line = r.err.rfind('\n', said) + 1;
        EXPECT_EQ(r.err.substr(line, said - line).rfind(fs::path(boxes[i]->Port()).filename().string() + ": ", 0), 0u)
            << r.err;
    }
    const std::string failing = fs::path(boxes[3]->Port()).filename().string();
    EXPECT_NE(r.err.find("\n" + failing + " "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("failed"), std::string::npos) << "the summary names the box that failed: " << r.err;

    r = Kestrivane(withArgs({"upload", "--yes", "-s", "flash,eeprom", At("served/box.dat")}));
    EXPECT_EQ(r.status, 0) << r.err;
    for (auto& box : boxes) box->Stop();
    for (int i = 0; i < 4; ++i) {
        const std::string rec = "got/rec" + std::to_string(i) + "/recorded.";
        EXPECT_EQ(Read(rec + "ur1"), Read("served/box.ur1")) << i;
        EXPECT_EQ(Read(rec + "ur4"), Read("served/box.ur4")) << i;
    }
}

TEST_F(CommandLine, CtrlCStopsEveryBox) {
    std::vector<std::unique_ptr<BoxProcess>> boxes;
    std::vector<std::string> args;
    for (int i = 0; i < 3; ++i) {
        boxes.push_back(std::make_unique<BoxProcess>(FastBox({"--synthetic", "3,16,0,4,3", "--fault", "silence-between:flash"})));
        args.insert(args.end(), {"--port", boxes.back()->Port()});
    }
    args.insert(args.end(), {"download", At("got/stopped-{port}.dat")});
    const ProcessResult r = Kestrivane(args, 3000);
    EXPECT_EQ(r.status, 128 + SIGINT) << r.err;
    EXPECT_LT(r.seconds, 3.0 + 1.5);
    for (auto& box : boxes) {
        const std::string name = fs::path(box->Port()).filename().string();
        EXPECT_NE(r.err.find(name + ": cancelling"), std::string::npos) << r.err;
        // Flash Database had ended (short, as the box ended it) before Ctrl-C: it came whole.
        EXPECT_NE(r.err.find(name + ": " + At("got/stopped-" + name + ".incomplete.ur1") + ": complete, 3 data packets"),
                  std::string::npos) << r.err;
    }
}

}  // namespace
