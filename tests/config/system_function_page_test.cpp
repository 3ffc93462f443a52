// Page 22 in the whole program against the simulated meter: the load, Save,
// Check and Download for meters below 2.0 and from 2.0, refused files, a dead
// meter and a failed write.
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

using config::SystemFunctionPage;
using monitor::gridText;

namespace {

struct SFRig : ProgramRig {
    sim::Meter& device;

    explicit SFRig(uint16_t version) : ProgramRig({{1, 9600}}, 300, Pages::All), device(*line.meter(1)) {
        sim::MeterIdentity id;
        id.mainVersion = id.bootVersion = version;
        sim::installIdentity(device, id);
        sim::installUserMap(device);
        showMainWindow();
        mainForm().txtAddress()->setText("1");
        page().AddressEdited = true;
        app().services().txtAddress_LostFocus();
        app().services().Login = [this] { return app().app().LoginOk = true; };
    }
    SystemFunctionPage& sf() { return *dynamic_cast<SystemFunctionPage*>(app().page(22)); }
    bool idle() { return page().PageIndex == 22 && page().PageStep == 4 && sf().cmdSF(0)->isEnabled(); }
    bool enter() {
        if (!waitFor([&] { return meter().MeterVersion > 0; })) return false;
        int16_t other = 0, index = 22;
        mainForm().optProgram_Click(other);
        mainForm().optProgram_Click(index);
        page().PageStep = 0; // as the next tick sets it
        return waitFor([&] { return idle(); }, 20000);
    }
    bool press(int button, const QString& file) {
        ui.fileNext(file);
        sf().cmdSF(button)->click();
        return waitFor([&] { return idle(); }, 30000);
    }
    // The function-3 reads and 0x70 writes the meter saw, as "start x count".
    std::vector<QString> frames(uint8_t function) const {
        std::vector<QString> out;
        for (const sim::Request& r : line.requests())
            if (r.bytes.size() > 6 && r.bytes[1] == function)
                out.push_back(QStringLiteral("%1x%2").arg(r.bytes[2] << 8 | r.bytes[3], 4, 16, QChar('0'))
                                  .arg(r.bytes[4] << 8 | r.bytes[5]));
        return out;
    }
    // The reads of a load: the set-up blocks and the map block.
    std::vector<QString> loadReads() const {
        std::vector<QString> out;
        for (const QString& r : frames(0x03))
            if (r.endsWith("x32") || r.endsWith("x64") || r == "00a0x96") out.push_back(r);
        return out;
    }
    // The bytes of the 0x70 write to start, without the CRC.
    std::vector<uint8_t> write(uint16_t start) const {
        for (const sim::Request& r : line.requests())
            if (r.bytes.size() > 6 && r.bytes[1] == 0x70 && (r.bytes[2] << 8 | r.bytes[3]) == start)
                return std::vector<uint8_t>(r.bytes.begin(), r.bytes.end() - 2);
        return {};
    }
    int redCells() {
        int n = 0;
        for (uint32_t c : sf().table().colours) n += c == config::SFColourDiffer;
        return n;
    }
};

QStringList fileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString all = QString::fromLatin1(f.readAll());
    if (!all.endsWith("\r\n")) return {};
    all.chop(2);
    return all.split("\r\n");
}

void writeLines(const QString& path, const QStringList& lines) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write((lines.join("\r\n") + "\r\n").toLatin1());
}

} // namespace

TEST(SystemFunctionPage, LoadSaveCheckAndDownloadBelowVersion2) {
    SFRig rig(180);
    rig.device.setRegister(0x2100, 0x00A5);
    rig.line.clearLog();
    ASSERT_TRUE(rig.enter());
    const std::vector<QString> reads = rig.loadReads();
    ASSERT_EQ(reads.size(), 33u);
    EXPECT_EQ(reads[1], "2020x32");
    EXPECT_EQ(reads[31], "23e0x32");
    EXPECT_EQ(reads[32], "00a0x96");
    QTableWidget* grid = rig.sf().gridSF();
    EXPECT_EQ(grid->rowCount(), 71);
    EXPECT_EQ(gridText(grid, 17, 0), "210*");
    EXPECT_EQ(gridText(grid, 17, 1), "00A5");
    EXPECT_EQ(gridText(grid, 65, 0), "00A*");
    EXPECT_EQ(gridText(grid, 65, 1), "0130");

    const QString file = rig.folder() + "/meter.SF";
    ASSERT_TRUE(rig.press(0, file));
    const QStringList lines = fileLines(file);
    ASSERT_EQ(lines.size(), 1120);
    EXPECT_EQ(lines.mid(0, 4), (QStringList{"0001", "0003", "001E", "0000"}));
    EXPECT_EQ(lines[1024], "0130");
    EXPECT_EQ(rig.app().master().status().panelText(1), "Meter [1] Save System Function ok - [" + file + "]");

    ASSERT_TRUE(rig.press(2, file));
    EXPECT_EQ(rig.redCells(), 0);
    EXPECT_EQ(rig.app().master().status().panelText(1), "Meter [1] Check System Function (2000 - 245F) ok ! ");

    // A register changed on the meter (and one the check never marks) after the file was saved.
    rig.device.setRegister(0x2100, 0x1234);
    rig.device.setRegister(0x2004, 0x0007);
    ASSERT_TRUE(rig.enter());
    ASSERT_TRUE(rig.press(2, file));
    EXPECT_EQ(rig.redCells(), 1);
    EXPECT_EQ(rig.sf().table().colours[0x100], config::SFColourDiffer);

    // Download at 19200: 38 writes in order, the port follows, the table is read back.
    QStringList edited = lines;
    edited[1] = "0004";
    writeLines(file, edited);
    rig.line.clearLog();
    rig.ui.answerNext(common::AnswerYes);
    ASSERT_TRUE(rig.press(1, file));
    const std::vector<QString> writes = rig.frames(0x70);
    ASSERT_EQ(writes.size(), 38u);
    EXPECT_EQ(writes[0], "2008x8");
    EXPECT_EQ(writes[1], "2010x16");
    EXPECT_EQ(writes[32], "23e0x32");
    EXPECT_EQ((std::vector<QString>(writes.begin() + 33, writes.end())),
              (std::vector<QString>{"00a0x32", "00c0x32", "00e0x32", "2002x1", "2001x1"}));
    EXPECT_EQ(rig.write(0x2001), (std::vector<uint8_t>{0x01, 0x70, 0x20, 0x01, 0x00, 0x01, 0x02, 0x00, 0x04}));
    EXPECT_EQ(rig.device.registerValue(0x2100), 0x00A5);
    EXPECT_EQ(rig.device.baud(), 19200);
    EXPECT_EQ(rig.line.lineBaud(), 19200);
    EXPECT_EQ(rig.loadReads().size(), 33u); // read back at the new rate
    EXPECT_EQ(rig.device.saveCount(), 0);     // below 1.9
    EXPECT_EQ(rig.app().master().status().panelText(3), "19200,None,8,1 ");
    EXPECT_EQ(rig.app().master().status().panelText(1), "Meter [1] Download System Function ok - [" + file + "]");
    EXPECT_EQ(rig.mainForm().cbBaudRate()->currentText(), "19200");
    EXPECT_FALSE(rig.page().SetupModified);
    EXPECT_EQ(rig.redCells(), 0);
}

TEST(SystemFunctionPage, FromVersion2RefusesTheOtherLayoutAndDownloads) {
    SFRig rig(230);
    rig.line.clearLog();
    ASSERT_TRUE(rig.enter());
    EXPECT_EQ(rig.loadReads().size(), 21u);
    EXPECT_EQ(rig.loadReads()[19], "24c0x64");
    EXPECT_EQ(rig.sf().gridSF()->rowCount(), 87);
    const QString file = rig.folder() + "/meter.SF";
    ASSERT_TRUE(rig.press(0, file));
    QStringList lines = fileLines(file);
    ASSERT_EQ(lines.size(), 1376);

    // A below-2.0 file (1120 lines) would put its map lines into 0x2400..: refused, nothing sent.
    const QString older = rig.folder() + "/older.SF";
    writeLines(older, lines.mid(0, 1120));
    rig.line.clearLog();
    rig.ui.answerNext(common::AnswerYes);
    ASSERT_TRUE(rig.press(1, older));
    EXPECT_TRUE(rig.frames(0x70).empty());
    EXPECT_EQ(rig.ui.boxes.back().title, "Error");
    EXPECT_EQ(rig.ui.boxes.back().text, "System Function File Lines [1120] Error! This meter needs 1376 lines.");

    lines[0x2010 - 0x2000] = "1234";
    writeLines(file, lines);
    rig.ui.answerNext(common::AnswerYes);
    ASSERT_TRUE(rig.press(1, file));
    const std::vector<QString> writes = rig.frames(0x70);
    ASSERT_EQ(writes.size(), 46u);
    EXPECT_EQ(writes[40], "24e0x32");
    const std::vector<uint8_t> w2010 = rig.write(0x2010);
    ASSERT_EQ(w2010.size(), 39u);
    EXPECT_EQ(w2010[7], 0x12); // 0x2010's frame starts with the file's value
    EXPECT_EQ(w2010[8], 0x34);
    EXPECT_EQ(rig.device.registerValue(0x2010), 0x1234);
    EXPECT_EQ(rig.device.saveCount(), 1);
    EXPECT_EQ(rig.app().master().status().panelText(1), "Meter [1] Download System Function ok - [" + file + "]");
}

TEST(SystemFunctionPage, DeadMeterReleasesThePageAndAFailedWriteEndsInError) {
    SFRig rig(180);
    ASSERT_TRUE(rig.waitFor([&] { return rig.meter().MeterVersion > 0; }));
    rig.line.setRandomFaults(1, 1.0, {sim::Fault::Kind::Silence});
    ASSERT_TRUE(rig.enter());
    EXPECT_TRUE(rig.ui.sawText("Meter [1] Load System Function (2000) - (201F) Error!"));
    EXPECT_TRUE(rig.sf().gridSF()->isVisible());
    EXPECT_EQ(gridText(rig.sf().gridSF(), 1, 1), "");

    rig.line.setRandomFaults(1, 0, {});
    ASSERT_TRUE(rig.enter());
    const QString file = rig.folder() + "/meter.SF";
    ASSERT_TRUE(rig.press(0, file));
    // The first write gets no answer; the others still run, and the end says so.
    rig.ui.onMessage = [&](const ScriptedPrompter::Box& box) {
        if (box.text == "Do you want to Download System Function ?")
            for (int i = 0; i <= rig.link().RetryLimit; ++i) rig.line.injectFault({sim::Fault::Kind::Silence});
        return 0;
    };
    rig.line.clearLog();
    rig.ui.answerNext(common::AnswerYes);
    ASSERT_TRUE(rig.press(1, file));
    EXPECT_EQ(rig.frames(0x70).size(), 38u + rig.link().RetryLimit);
    EXPECT_EQ(rig.ui.boxes.back().text, "Meter [1] Download System Function Error!");
}

TEST(SystemFunctionPage, OffLineEndsTheDownloadUnfinished) {
    SFRig rig(180);
    ASSERT_TRUE(rig.enter());
    const QString file = rig.folder() + "/meter.SF";
    ASSERT_TRUE(rig.press(0, file));
    rig.line.setReplyDelayMs(20);
    rig.ui.onMessage = [&](const ScriptedPrompter::Box& box) {
        if (box.text == "Do you want to Download System Function ?")
            QTimer::singleShot(300, [&] { rig.mainForm().cmdFunction_Click(2); }); // "Off Line"
        return 0;
    };
    rig.line.clearLog();
    rig.ui.answerNext(common::AnswerYes);
    rig.ui.fileNext(file);
    rig.sf().cmdSF(1)->click();
    ASSERT_TRUE(rig.waitFor([&] { return !rig.link().meterSelected(); }, 10000));
    const size_t writes = rig.frames(0x70).size();
    EXPECT_GT(writes, 0u);
    EXPECT_LT(writes, 38u);
    EXPECT_TRUE(rig.write(0x2001).empty()); // the meter keeps its rate
    EXPECT_EQ(rig.ui.boxes.back().text, "Meter [1] Download System Function Error!");
    EXPECT_TRUE(rig.sf().cmdSF(1)->isEnabled());
    EXPECT_EQ(gridText(rig.sf().gridSF(), 1, 2), ""); // nothing of the meter left is shown
}
