// The five set-up pages' reads, decoders and multi-frame writes on the link,
// against the simulated meter's set-up registers.
#include "program_rig.h"
#include "sim_setup_pages.h"

#include "config/digital_input_setup.h"
#include "config/display_scan_setup.h"
#include "config/set_point_setup.h"

#include <gtest/gtest.h>

using namespace config;

namespace {

struct SetupPagesRig : ProgramRig {
    SetupContext ctx;
    SetupPagesRig() : ctx(setupContext(app())) {
        sim::installSetupPages(*line.meter(1));
        showMainWindow();
        link().MeterAddress = "1";
        link().RetryLimit = 0;
    }
    // The words of the reply, taken by the decoder as the page's would take them.
    std::vector<uint16_t> read(const BlockRead& b) {
        std::vector<uint16_t> words;
        app().master().registerDecoder(b.code, [&] { words = replyWords(link(), b.count); });
        readSetupBlock(ctx, b.code, b.start, b.count);
        return words;
    }
    // The register writes the meter saw, without the CRC.
    std::vector<std::vector<uint8_t>> writes() const {
        std::vector<std::vector<uint8_t>> out;
        for (const sim::Request& q : line.requests())
            if (q.bytes.size() > 4 && q.bytes[1] == 0x10) out.emplace_back(q.bytes.begin(), q.bytes.end() - 2);
        return out;
    }
};

} // namespace

TEST(SetupPagesSim, ReadsDecodeTheMetersSetUp) {
    SetupPagesRig r;
    const auto loop = decodeDisplayPages(r.read(displayScanReads()[1]));
    ASSERT_TRUE(loop);
    EXPECT_EQ(displayPageItems()[(*loop)[8]], "DATE/TIME");
    EXPECT_EQ((*loop)[9], 0);

    r.page().SetupModified = true;
    r.line.clearLog();
    std::vector<uint16_t> block;
    for (const BlockRead& b : setPointReads(StatusFunction)) block = r.read(b);
    EXPECT_FALSE(r.page().SetupModified);
    const auto log = r.line.requests();
    ASSERT_EQ(log.size(), 2u); // the digital-input set-up, then the function's block
    EXPECT_EQ(log[0].bytes, sim::withCrc({1, 0x03, 0x20, 0x98, 0x00, 0x3A}));
    EXPECT_EQ(log[1].bytes, sim::withCrc({1, 0x03, 0x21, 0xD0, 0x00, 0x05}));
    EXPECT_EQ(decodeSetPoint(block, SetPointLayout::StatusMatrix)->relayIndex, 1);
    const auto over = decodeSetPoint(r.read(setPointReads(0)[0]), SetPointLayout::CriticalValue);
    EXPECT_EQ(over->critical, "110");
    EXPECT_EQ(over->deadBand, "2");

    const auto reads = digitalInputStatusReads();
    EXPECT_EQ((*decodeDigitalInputStates(r.read(reads[0])))[0], "On");
    EXPECT_EQ((*decodeDigitalInputStates(r.read(reads[0])))[0], "Off"); // DI 1 turns over
    const auto counts = decodeDigitalInputCounters(r.read(reads[1]));
    EXPECT_EQ((*counts)[1], " 123459");
    EXPECT_EQ((*counts)[2], " 65536");
}

TEST(SetupPagesSim, AFailedDigitalInputFrameLeavesTheLaterInputsUnsent) {
    SetupPagesRig r;
    r.app().services().Login = [&] { return r.app().app().LoginOk = true; };
    // The meter takes DI 1's frame and then does not answer DI 2's.
    r.line.meter(1)->onWrite = [&](sim::Meter&, uint16_t start, uint16_t) {
        if (start == 0x20A0) r.line.injectFault({sim::Fault::Kind::Silence});
    };
    std::array<QString, 8> functions, triggers;
    functions.fill("1");
    triggers.fill("1");
    r.ui.answerNext(common::AnswerYes);
    EXPECT_EQ(runConfirmedWrite(r.ctx, digitalInputWrite(functions, triggers)), WriteOutcome::Failed);
    ASSERT_EQ(r.ui.boxes.size(), 2u);
    EXPECT_EQ(r.ui.boxes[0].text, "Do you want to Setup Digital Input ?");
    EXPECT_EQ(r.ui.boxes[1].text, "Meter [1] Setting Digital Input 2 Error!");
    // DI 0, DI 1 and the unanswered DI 2; nothing after it.
    EXPECT_EQ(r.writes(), (std::vector<std::vector<uint8_t>>{{1, 0x10, 0x20, 0x98, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x01},
                                                             {1, 0x10, 0x20, 0xA0, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x01},
                                                             {1, 0x10, 0x20, 0xA8, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x01}}));
    EXPECT_EQ(r.line.meter(1)->registers(0x20B0, 2), (std::vector<uint16_t>{0, 0})); // DI 3 was never sent
    // The page polls on with its edits: no read-back over the inputs not sent.
    EXPECT_EQ(r.page().PageStep, DigitalInputLiveStep);
}
