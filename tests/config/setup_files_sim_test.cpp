// The user map and system function logic against the simulated meter: the
// frames it builds change the meter's registers, and what it reads back shows
// them.
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_user_map.h"

#include "config/page_family.h"
#include "config/system_function.h"
#include "config/system_function_download.h"
#include "config/user_map.h"

#include <gtest/gtest.h>

using namespace config;

namespace {

struct FilesRig : ProgramRig {
    SFTable table;
    int block = 0;
    std::vector<uint16_t> mapValues;

    explicit FilesRig(uint16_t bootVersion) {
        sim::MeterIdentity id;
        id.bootVersion = bootVersion;
        sim::installIdentity(*line.meter(1), id);
        sim::installUserMap(*line.meter(1));
        showMainWindow();
        link().MeterAddress = "1";
        table.reshape(sfLayoutFor(bootVersion / 100.0f));
        rtu::ModbusMaster& m = app().master();
        m.registerDecoder(CmdSFBlock, [this] { showSFBlock(table, block, reply(table.layout.blockSize)); });
        m.registerDecoder(CmdSFTail, [this] { showSFTail(table, reply(SFMapRegisters)); });
        m.registerDecoder(CmdMapValues, [this] { mapValues = reply(MapSlotCount); });
    }
    std::vector<uint16_t> reply(int count) {
        std::vector<uint16_t> r;
        for (int i = 0; i < count; ++i) r.push_back(link().replyRegister(i));
        return r;
    }
    bool read(const SFRead& r) {
        block = r.block;
        app().master().SendReadHoldingRegisters(r.code, r.start, r.count);
        return !link().LinkFailed;
    }
    bool load() {
        SFLoad l(table, "1");
        while (auto r = l.next()) l.done(read(*r));
        return l.complete();
    }
};

} // namespace

TEST(SetupFilesSim, MapEditWritesTheSlotAndTheMappedValueFollows) {
    FilesRig r(230);
    r.line.meter(1)->setRegister(0x001A, 4321);
    EXPECT_TRUE(sendWriteFrame(setupContext(r.app()), FnWriteRegisters, 0x00A5, {*mapSlotValue("1a")}));
    EXPECT_EQ(r.line.registerValue(1, 0x00A5), 0x001A);
    EXPECT_TRUE(r.read({CmdMapValues, MapValueStart, MapSlotCount, -1}));
    ASSERT_EQ(r.mapValues.size(), 96u);
    EXPECT_EQ(r.mapValues[5], 4321);
}

TEST(SetupFilesSim, LoadSaveCheckAndDownloadBelowAndFromVersion2) {
    for (uint16_t version : {190, 230}) {
        FilesRig r(version);
        sim::Meter& meter = *r.line.meter(1);
        meter.setRegister(0x2100, 0x0BCD);
        ASSERT_TRUE(r.load());
        EXPECT_EQ(r.table.cell(0x100), "0BCD");
        const QStringList saved = sfFileLines(r.table);
        EXPECT_EQ(saved.size(), version < 200 ? 1120 : 1376);

        // The meter changes one register: exactly that cell is marked.
        meter.setRegister(0x2101, 0x0001);
        r.load();
        checkSFData(r.table, saved, false, "1");
        int marked = 0;
        for (uint32_t c : r.table.colours) marked += c == SFColourDiffer;
        EXPECT_EQ(marked, 1);
        EXPECT_EQ(r.table.colours[0x101], SFColourDiffer);

        // Downloading the saved file puts the register back and the rate moves last.
        QStringList file = saved;
        file[1] = "0004";
        const SFDownloadCheck c = checkSFDownloadFile(r.table.layout, file, false);
        ASSERT_FALSE(c.error);
        applySFFileToTable(r.table, file);
        const std::vector<SFWrite> writes = *sfDownloadWrites(r.table, c.file);
        r.line.clearLog();
        for (const SFWrite& w : writes) EXPECT_TRUE(sendWriteFrame(setupContext(r.app()), FnVendorWrite, w.start, w.values));
        EXPECT_EQ(r.line.requests().size(), version < 200 ? 38u : 46u);
        EXPECT_EQ(meter.registerValue(0x2101), 0x0000);
        EXPECT_EQ(meter.baud(), 19200);
    }
}
