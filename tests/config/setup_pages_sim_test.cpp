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
    // Sends the frames as the run asks for them; the meter does not answer frame `silent`.
    WriteSequenceRun::Report send(WriteSequence s, int silent) {
        WriteSequenceRun run(std::move(s), link().MeterAddress);
        WriteSequenceRun::Report r;
        for (int k = 0; const SequenceFrame* f = run.next(); ++k) {
            if (k == silent) line.injectFault({sim::Fault::Kind::Silence});
            r = run.record(sendWriteFrame(ctx, f->function, f->firstRegister, f->values));
        }
        return r;
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
    std::array<QString, 8> functions, triggers;
    functions.fill("1");
    triggers.fill("1");
    const auto report = r.send(digitalInputWrite(functions, triggers), 2);
    EXPECT_EQ(report.errorBox, "Meter [1] Setting Digital Input 2 Error!");
    EXPECT_EQ(r.line.meter(1)->registers(0x20A0, 2), (std::vector<uint16_t>{1, 1}));
    EXPECT_EQ(r.line.meter(1)->registers(0x20B0, 2), (std::vector<uint16_t>{0, 0})); // DI 5 was never sent
}
