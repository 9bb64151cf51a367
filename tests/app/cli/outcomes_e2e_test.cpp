// Every word agrees with the status: no completion said for a run that fails, a read
// back that fails after an upload fails the upload, a single unasked packet is said,
// a signal's status is 128 + its number.
#include <gtest/gtest.h>

#include <csignal>

#include "core/packet.h"
#include "support/command_line.h"

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(CommandLine, EveryWordAgreesWithTheStatus) {
    {
        BoxProcess box(FastBox({"--synthetic", "16,16,16,4,16", "--fault", "length@4:satellite"}));
        const ProcessResult r = Kestrivane({"--port", box.Port(), "download", At("got/a.dat")});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "") << "no completion for a download that is not whole";
    }
    BoxProcess box(FastBox({"--synthetic", "16,16,16,4,16", "--write-image", At("served/box.dat"), "--fault",
                            "enq-silence@3:eeprom"}));
    ProcessResult r = Kestrivane({"--port", box.Port(), "upload", "--yes", At("served/box.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "warning: Eeprom Database: packet 4 went out unasked")) << r.err;
    box.Stop();

    // The box was written, then could not be read back: a failure, not a box never touched.
    BoxProcess reading(FastBox({"--synthetic", "16,16,16,4,16", "--fault", "bad-checksum@2:flash"}));
    r = Kestrivane({"--port", reading.Port(), "upload", "--yes", "--verify", "-s", "eeprom", At("served/box.dat")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "verify: the box could not be read: data packet 2 of Flash Database arrived damaged")) << r.err;

    BoxProcess silent(FastBox({"--fault", "silent"}));
    r = Kestrivane({"--port", silent.Port(), "verify", At("served/box.dat")}, 1500);
    EXPECT_EQ(r.status, 128 + SIGINT) << r.err;
}

// A Flash Database file of 20 packets where its header announces 32, uploaded to a box
// that asks for all 32: the 20, then 12 packets of filler, and the report says so.
TEST_F(CommandLine, AShortSectionUploadsWhole) {
    BoxProcess(FastBox({"--synthetic", "20,16,16,4,16", "--write-image", At("served/short.dat")})).Stop();
    ProcessResult r = Kestrivane({"inspect", At("served/short.ur1")});
    EXPECT_TRUE(Has(r.out, "holds 20 of the 32 data packets its header counts in whole blocks of 16")) << r.out;
    EXPECT_TRUE(Has(r.out, "then an empty packet (0xFF) for each further one the box asks for")) << r.out;
    BoxProcess box(FastBox({"--mode", "upload", "--record", At("got")}));
    r = Kestrivane({"--port", box.Port(), "upload", "--yes", "-s", "flash", At("served/short.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "Flash Database: packets 21 to 32, beyond what " + At("served/short.ur1") +
                               " holds, went as empty packets (0xFF)")) << r.err;
    box.Stop();
    box::Bytes expected = Read("served/short.ur1");
    box::Bytes filler(DataPacketSize, 0xFF);
    filler[0] = 0x00;
    for (int i = 20; i < 32; ++i) expected.insert(expected.end(), filler.begin(), filler.end());
    EXPECT_EQ(Read("got/recorded.ur1"), expected);
}

}  // namespace
