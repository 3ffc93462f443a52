// Page 22 in the whole program against the simulated meter: load, Save, Check
// and Download below 2.0 and from 2.0, a refused file, a dead meter, a failed
// write and "Off Line" during a download.
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_user_map.h"

#include "config/system_function_page.h"
#include "monitor/live_widgets.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using monitor::gridText;

namespace {

struct SFRig : ProgramRig {
    sim::Meter& device;
    QString file;

    explicit SFRig(uint16_t version) : ProgramRig({{1, 9600}}, 300, Pages::All), device(*line.meter(1)) {
        sim::MeterIdentity id;
        id.mainVersion = id.bootVersion = version;
        sim::installIdentity(device, id);
        sim::installUserMap(device);
        file = folder() + "/meter.SF";
        showMainWindow();
        mainForm().txtAddress()->setText("1");
        page().AddressEdited = true;
        app().services().txtAddress_LostFocus();
        app().services().Login = [this] { return app().app().LoginOk = true; };
    }
    config::SystemFunctionPage& sf() { return *dynamic_cast<config::SystemFunctionPage*>(app().page(22)); }
    bool idle() { return page().PageIndex == 22 && page().PageStep == 4 && sf().cmdSF(0)->isEnabled(); }
    bool enter() {
        int16_t other = 0, index = 22;
        if (!waitFor([&] { return meter().MeterVersion > 0; })) return false;
        mainForm().optProgram_Click(other);
        mainForm().optProgram_Click(index);
        page().resetStep(0); // as the next tick sets it
        return waitFor([&] { return idle(); }, 20000);
    }
    bool press(int button, bool yes = false) {
        if (yes) ui.answerNext(common::AnswerYes);
        ui.fileNext(file);
        sf().cmdSF(button)->click();
        return waitFor([&] { return idle(); }, 30000);
    }
    // The load's reads (function 3, 32 registers or more) or the 0x70 writes, as "start x count".
    std::vector<QString> frames(uint8_t function) const {
        std::vector<QString> out;
        for (const sim::Request& r : line.requests())
            if (r.bytes.size() > 6 && r.bytes[1] == function && (function != 3 || r.bytes[5] >= 32))
                out.push_back(QString::number(r.bytes[2] << 8 | r.bytes[3], 16) + "x" + QString::number(r.bytes[5]));
        return out;
    }
    int redCells() { return int(std::count(sf().table().colours.begin(), sf().table().colours.end(), 0xC0C0FFu)); }
    QStringList saved() {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).split("\r\n") : QStringList();
    }
    void write(const QStringList& lines) {
        QFile f(file);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(lines.join("\r\n").toLatin1());
    }
};

} // namespace

TEST(SystemFunctionPage, LoadSaveCheckAndDownloadBelowVersion2) {
    SFRig rig(180);
    rig.device.setRegister(0x2100, 0x00A5);
    ASSERT_TRUE(rig.enter());
    const std::vector<QString> reads = rig.frames(3);
    ASSERT_EQ(reads.size(), 33u);
    EXPECT_EQ(reads[31] + " " + reads[32], "23e0x32 a0x96");

    ASSERT_TRUE(rig.press(0));
    QStringList lines = rig.saved();
    ASSERT_EQ(lines.size(), 1121); // 1120 lines, each ended by CR LF
    EXPECT_EQ(lines.mid(0, 3).join(","), "0001,0003,001E");
    ASSERT_TRUE(rig.press(2));
    EXPECT_EQ(rig.redCells(), 0);
    EXPECT_EQ(rig.app().master().status().panelText(1), "Meter [1] Check System Function (2000 - 245F) ok ! ");

    // Changed on the meter after the save: 0x2100 is marked, 0x2004 never is.
    rig.device.setRegister(0x2100, 0x1234);
    rig.device.setRegister(0x2004, 0x0007);
    ASSERT_TRUE(rig.enter());
    ASSERT_TRUE(rig.press(2));
    EXPECT_EQ(rig.redCells(), 1);
    EXPECT_EQ(rig.sf().table().colours[0x100], 0xC0C0FFu);

    // Download at 19200: 38 writes in order, the port follows, the table is read back.
    lines[1] = "0004";
    rig.write(lines);
    rig.line.clearLog();
    ASSERT_TRUE(rig.press(1, true));
    const std::vector<QString> writes = rig.frames(0x70);
    ASSERT_EQ(writes.size(), 38u);
    EXPECT_EQ(QStringList(writes.begin(), writes.begin() + 3).join(" "), "2008x8 2010x16 2020x32");
    EXPECT_EQ(QStringList(writes.begin() + 32, writes.end()).join(" "), "23e0x32 a0x32 c0x32 e0x32 2002x1 2001x1");
    EXPECT_EQ(rig.line.lineBaud(), 19200);
    EXPECT_EQ(rig.frames(3).size(), 33u); // read back at the new rate
    EXPECT_EQ(rig.device.saveCount(), 0); // below 1.9
    EXPECT_EQ(rig.app().master().status().panelText(3), "19200,None,8,1 ");
    EXPECT_EQ(rig.app().master().status().panelText(1), "Meter [1] Download System Function ok - [" + rig.file + "]");
    EXPECT_EQ(rig.mainForm().cbBaudRate()->currentText(), "19200");
    EXPECT_FALSE(rig.page().SetupModified);
    EXPECT_EQ(rig.redCells(), 0);
}

TEST(SystemFunctionPage, FromVersion2RefusesTheOtherLayoutAndDownloads) {
    SFRig rig(230);
    ASSERT_TRUE(rig.enter());
    EXPECT_EQ(rig.frames(3)[19], "24c0x64");
    ASSERT_TRUE(rig.press(0));
    QStringList lines = rig.saved();
    ASSERT_EQ(lines.size(), 1377);

    // A below-2.0 file would put its map lines into 0x2400..: refused, nothing sent.
    rig.write(lines.mid(0, 1120));
    rig.line.clearLog();
    ASSERT_TRUE(rig.press(1, true));
    EXPECT_TRUE(rig.frames(0x70).empty());
    EXPECT_EQ(rig.ui.boxes.back().text, "System Function File Lines [1120] Error! This meter needs 1376 lines.");

    lines[0x10] = "1234";
    rig.write(lines);
    ASSERT_TRUE(rig.press(1, true));
    const std::vector<QString> writes = rig.frames(0x70);
    ASSERT_EQ(writes.size(), 46u);
    EXPECT_EQ(writes[40], "24e0x32");
    EXPECT_EQ(rig.device.registerValue(0x2010), 0x1234);
    EXPECT_EQ(rig.device.saveCount(), 1);
}

TEST(SystemFunctionPage, DeadMeterFailedWriteAndOffLineEndInError) {
    SFRig rig(180);
    ASSERT_TRUE(rig.waitFor([&] { return rig.meter().MeterVersion > 0; }));
    rig.line.setRandomFaults(1, 1.0, {sim::Fault::Kind::Silence});
    ASSERT_TRUE(rig.enter()); // released after three repeats of the first block
    EXPECT_TRUE(rig.ui.sawText("Meter [1] Load System Function (2000) - (201F) Error!"));
    EXPECT_TRUE(rig.sf().gridSF()->isVisible());

    rig.line.setRandomFaults(1, 0, {});
    ASSERT_TRUE(rig.enter());
    ASSERT_TRUE(rig.press(0));
    // The first write gets no answer; the others still run, and the end says so.
    rig.ui.onMessage = [&](const ScriptedPrompter::Box& box) {
        if (box.text == "Do you want to Download System Function ?")
            for (int i = 0; i <= rig.link().RetryLimit; ++i) rig.line.injectFault({sim::Fault::Kind::Silence});
        return 0;
    };
    rig.line.clearLog();
    ASSERT_TRUE(rig.press(1, true));
    EXPECT_EQ(rig.frames(0x70).size(), 38u + rig.link().RetryLimit);
    EXPECT_EQ(rig.ui.boxes.back().text, "Meter [1] Download System Function Error!");

    // "Off Line" during the writes: they stop there, and nothing of the meter stays shown.
    rig.line.setReplyDelayMs(20);
    rig.ui.onMessage = [&](const ScriptedPrompter::Box& box) {
        if (box.text == "Do you want to Download System Function ?")
            QTimer::singleShot(300, [&] { rig.mainForm().cmdFunction_Click(2); });
        return 0;
    };
    rig.line.clearLog();
    rig.ui.boxes.clear();
    rig.press(1, true);
    ASSERT_TRUE(rig.waitFor([&] { return !rig.link().meterSelected(); }, 10000));
    EXPECT_GT(rig.frames(0x70).size(), 0u);
    EXPECT_LT(rig.frames(0x70).size(), 36u); // the meter's rate is never written
    EXPECT_EQ(rig.ui.boxes.back().text, "Meter [1] Download System Function Error!");
    EXPECT_TRUE(rig.sf().cmdSF(1)->isEnabled());
    EXPECT_EQ(gridText(rig.sf().gridSF(), 1, 2), "");
}
