// How a transfer ended, as the session set it where it failed and the command line
// says it, on the virtual clock: the kind, where, and the sentence the report, the
// log and the board carry.
#include <gtest/gtest.h>

#include "app/cli/run/transfer_outcome.h"
#include "download/download_session.h"
#include "support/session_rig.h"
#include "upload/upload_session.h"

namespace {

struct Case {
    bool download;
    const char* fault;
    OutcomeKind kind;
    const char* said;  // a part of the sentence
    std::optional<SectionKind> section;
};

TEST(TransferOutcome, SaysHowAndWhereATransferEnded) {
    const Case cases[] = {
        {true, "", OutcomeKind::Done, "Transfer Complete", {}},
        {true, "bad-checksum@2:satellite", OutcomeKind::PacketDamaged,
         "data packet 2 of Satellite Database arrived damaged", SectionKind::SatelliteDatabase},
        {true, "length@4:satellite", OutcomeKind::PacketDamaged,
         "data packet 4 of Satellite Database came with a length of 3000 bytes or more", SectionKind::SatelliteDatabase},
        {true, "silent", OutcomeKind::BoxSilent, "the box did not answer on COM5", {}},
        {true, "no-header:resource", OutcomeKind::Failed,
         "the box did not answer the request for the header of Resource (Header packet NOT received!)",
         SectionKind::Resource},
        {true, "stop@10:satellite", OutcomeKind::OutOfPatience,
         "Satellite Database ended after data packet 10 of 16, and the box announced no further section within 5 s "
         "(Resource was next)", SectionKind::SatelliteDatabase},
        {false, "", OutcomeKind::Done, "Transfer Complete - Do not switch off box", {}},
        {false, "nak@5:resource", OutcomeKind::PacketRefused, "the box refused data packet 5 of Resource",
         SectionKind::Resource},
        {false, "silence-between:satellite", OutcomeKind::OutOfPatience,
         "the box answered no section handshake within 5 s (Resource was next)", SectionKind::Resource},
    };
    box::SyntheticPlan plan;
    plan.packets = {16, 16, 16, 4, 16};
    const box::Image image = box::SyntheticImage(plan);
    for (const Case& c : cases) {
        RigOptions options{c.download ? box::BoxMode::Auto : box::BoxMode::Upload, {}, 1'000'000};
        if (*c.fault) options.faults.push_back(c.fault);
        SessionRig rig(c.download ? image : box::Image{}, options);
        if (!c.download) box::WriteImage(rig.Path("box.dat"), image);
        rig.patience = 5;
        Session& session = rig.NewSession();
        c.download ? RunDownload(session, rig.Path("box.dat")) : RunUpload(session, rig.Path("box.dat"));
        const TransferOutcome outcome = Described(session.outcome, "COM5", c.download, 0, {});
        EXPECT_EQ(outcome.kind, c.kind) << c.fault << ": " << outcome.sentence;
        EXPECT_NE(outcome.sentence.find(c.said), std::string::npos) << c.fault << ": " << outcome.sentence;
        if (c.section) {
            EXPECT_EQ(outcome.section, c.section) << c.fault;
        }
        EXPECT_EQ(outcome.Status(), c.kind == OutcomeKind::Done ? 0 : 1) << c.fault;
    }
}

// With --fast-header, what a box that does not keep up would cause says to try again
// without it; other failures, a cancel and a success say nothing of it.
TEST(TransferOutcome, FastHeaderFailuresPointBackToTheUsualRead) {
    const std::string hint = "try again without it";
    for (const char* fault : {"no-header", "header-no-etx", "bad-checksum@2"}) {
        SessionRig rig(box::SyntheticImage({}), {box::BoxMode::Auto, {fault}, 1'000'000});
        rig.fastHeader = true;
        Session& session = rig.NewSession();
        RunDownload(session, rig.Path("box.dat"));
        TransferOutcome outcome = Described(session.outcome, "COM5", true, 0, {});
        AddFastHeaderHint(outcome, session.shortCount > 0 && session.shortPackets == 0);
        EXPECT_EQ(outcome.sentence.find(hint) != std::string::npos, std::string(fault) != "bad-checksum@2")
            << fault << ": " << outcome.sentence;
    }
    TransferOutcome unanswered = Failure(OutcomeKind::OutOfPatience, "the box announced no further section");
    AddFastHeaderHint(unanswered, true);
    EXPECT_NE(unanswered.sentence.find(hint), std::string::npos);
    TransferOutcome cancelled = Failure(OutcomeKind::Cancelled, "cancelled by Ctrl-C");
    AddFastHeaderHint(cancelled, true);
    EXPECT_EQ(cancelled.sentence, "cancelled by Ctrl-C");
}

}  // namespace
