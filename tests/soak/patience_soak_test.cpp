// The patience on the sessions' open waits, on the virtual clock: randomised
// transfers against boxes that stop where
// they should announce a section, answer a section handshake or ask for a header.
// Every run must end by itself, the port closed, a stopped box named.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "app/cli/run/transfer_outcome.h"
#include "box/faults.h"
#include "download/download_session.h"
#include "support/session_rig.h"
#include "upload/upload_session.h"
#include "stored/urt_file_name.h"

namespace {

constexpr box::Micros Hung = 900'000'000;  // no run may still wait after 15 minutes

TEST(PatienceSoak, EveryOpenWaitEndsWithinThePatience) {
    const char* const downloadFaults[] = {"stop@2:3", "stop@11:2", "stop@0:4", "silence-between:3",
                                          "silence-between:1", "", "noise"};
    const char* const uploadFaults[] = {"silence-between:1", "silence-between:2", "enq-silence@0:2", "", "nak@3"};
    int stopped = 0, runs = 0;
    for (std::uint32_t seed = 1; seed <= 1000; ++seed, ++runs) {
        std::mt19937 rng(seed);
        const bool download = rng() % 2 == 0;
        const char* fault = download ? downloadFaults[rng() % std::size(downloadFaults)]
                                     : uploadFaults[rng() % std::size(uploadFaults)];
        const double patience = rng() % 2 ? 60 : 5;
        box::SyntheticPlan plan;
        plan.seed = seed;
        const box::Image image = box::SyntheticImage(plan);
        RigOptions options{download ? box::BoxMode::Auto : box::BoxMode::Upload, {}, box::Micros(rng() % 5) * 1'000'000};
        if (*fault) options.faults.push_back(fault);
        SessionRig rig(download ? image : box::Image{}, options);
        if (!download) box::WriteImage(rig.Path("box.dat"), image);

        bool hung = false;
        rig.display.onPump = [&] {
            if (rig.link().Now() > Hung) {
                hung = true;
                rig.cancel = 1;
            }
        };
        rig.patience = patience;
        Session& session = rig.NewSession();
        const int result = download ? RunDownload(session, rig.Path("box.dat")) : RunUpload(session, rig.Path("box.dat"));
        const std::string what = "seed " + std::to_string(seed) + " (" + (download ? "download" : "upload") +
                                 ", fault '" + fault + "', patience " + std::to_string(int(patience)) + ")";
        ASSERT_FALSE(hung) << what << ": still waiting after 15 minutes";
        EXPECT_TRUE(result == 0 || result == 1) << what;
        EXPECT_FALSE(rig.link().IsOpen()) << what;
        const TransferOutcome outcome = Described(session.outcome, "port", download, 0, {});
        const bool outOfPatience = outcome.kind == OutcomeKind::OutOfPatience;
        if (outOfPatience) {
            ++stopped;
            EXPECT_EQ(result, 1) << what;
        }
        // A box that stopped where the sessions wait without end is named. (Silence
        // where Application Software would be announced is a box without it.)
        const std::string f = fault;
        const bool openWait = f.rfind("silence-between", 0) == 0 || (download && f.rfind("stop", 0) == 0 && f.back() != '4');
        if (openWait) {
            EXPECT_TRUE(outOfPatience) << what;
        }
        // The section named is the one where the box stopped.
        std::string error;
        const auto parsed = box::ParseFault(f, &error);
        if (outOfPatience && download && parsed && parsed->kind == box::FaultKind::StopAfter) {
            EXPECT_EQ(outcome.section, parsed->section) << what << ": " << outcome.sentence;
        }
    }
    std::printf("%d runs, %d ended by the patience\n", runs, stopped);
}

}  // namespace
