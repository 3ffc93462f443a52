// Page 16 in the whole program against the simulated meter: the slots and
// their values, an edit through SetMapForm, map file downloads and a save.
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_user_map.h"

#include "config/user_map_page.h"
#include "monitor/live_widgets.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using monitor::gridText;

namespace {

// The one-register writes the meter saw, as "function:register" in hexadecimal.
QString slotWrites(const sim::SimLine& line) {
    QStringList out;
    for (const sim::Request& r : line.requests())
        if (r.bytes.size() == 11 && (r.bytes[1] == 0x10 || r.bytes[1] == 0x70))
            out << QString::number(r.bytes[1], 16) + ":" + QString::number(r.bytes[2] << 8 | r.bytes[3], 16);
    return out.join(" ");
}

// A 2.30 meter with the default map, selected, and page 16 showing its slots.
struct MapRig {
    ProgramRig rig{{{1, 9600}}, 300, ProgramRig::Pages::All};
    sim::Meter& meter = *rig.line.meter(1);
    config::UserMapPage* page = nullptr;
    QTableWidget* grid = nullptr;
    bool shown = false;

    MapRig() {
        sim::installIdentity(meter); // version 2.30
        sim::installUserMap(meter);
        meter.setRegister(0x001A, 4321);
        rig.showMainWindow();
        rig.mainForm().txtAddress()->setText("1");
        rig.page().AddressEdited = true;
        rig.app().services().txtAddress_LostFocus();
        if (!rig.waitFor([&] { return rig.meter().MeterVersion > 0; })) return;
        rig.app().services().Login = [&] { return rig.app().app().LoginOk = true; };
        int16_t index = 16;
        rig.mainForm().optProgram_Click(index);
        page = dynamic_cast<config::UserMapPage*>(rig.app().page(16));
        grid = page->gridMapping();
        // Slot 54 maps 0x2002, the transfer delay of 30 ms.
        shown = rig.waitFor([&] { return gridText(grid, 55, 2) == "2002" && gridText(grid, 55, 4) == "30"; });
    }
    // Writes the map file and presses "Download Mapping File", answering Yes and the file dialog.
    QString download(const QByteArray& text) {
        const QString path = rig.folder() + "/meter.Map";
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(text);
        f.close();
        rig.ui.answerNext(common::AnswerYes);
        rig.ui.fileNext(path);
        page->cmdMapping(0)->click();
        return path;
    }
    // The slot writes and save-configs the meter saw.
    int requests(uint8_t function) const {
        int n = 0;
        for (const sim::Request& r : rig.line.requests()) n += r.bytes.size() > 2 && r.bytes[1] == function;
        return n;
    }
};

// A whole map as "Save Mapping" writes it: 96 lines of four hexadecimal digits.
QByteArray fullMapFile() {
    QByteArray text;
    for (int k = 0; k < 96; ++k) text += QByteArray::number(0x0300 + k, 16).toUpper().rightJustified(4, '0') + "\r\n";
    return text;
}

} // namespace

TEST(UserMapPage, EditDownloadAndSaveAgainstTheSimulatedMeter) {
    MapRig m;
    ASSERT_TRUE(m.shown);
    ProgramRig& rig = m.rig;
    sim::Meter& meter = m.meter;
    config::UserMapPage* page = m.page;
    QTableWidget* grid = m.grid;

    // Row 6 (slot 0x00A5): "12G4" is refused in the entry window, 1a goes out with 0x10.
    QStringList seen;
    QTimer::singleShot(50, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = dynamic_cast<config::SetMapForm*>(w); form && form->isVisible()) {
                seen << form->Label1(0)->text() << form->Label1(4)->text();
                QTest::keyClicks(form->Text1(), "12G4");
                form->Command1(0)->click();
                seen << QString::number(form->isVisible());
                form->Text1()->clear();
                QTest::keyClicks(form->Text1(), "1a");
                QTest::keyClick(form->Text1(), Qt::Key_Return);
            }
    });
    rig.line.clearLog();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(6, 2)).center());
    EXPECT_EQ(seen.join("|"), "Enter Address 0x00A5 Value|0x0135|1");
    EXPECT_EQ(rig.ui.boxes.back().text, "Data Key In Error!");
    EXPECT_EQ(gridText(grid, 6, 2), "1a"); // as typed until the slots are read again
    ASSERT_TRUE(rig.waitFor([&] { return gridText(grid, 6, 2) == "001A" && gridText(grid, 6, 4) == "4321"; }));
    EXPECT_EQ(slotWrites(rig.line), "10:a5");

    // A map file: blanks trimmed, an empty line keeps its slot's place; 0x70 per
    // slot, then the save-config of a 2.30 meter; the page is disabled meanwhile,
    // "Off Line" stays within reach.
    auto download = [&](const QByteArray& text) { m.download(text); };
    bool pageDisabled = false, offLineEnabled = true;
    rig.ui.onMessage = [&](const ScriptedPrompter::Box&) {
        pageDisabled = pageDisabled || !page->widget()->isEnabled();
        offLineEnabled = offLineEnabled && rig.mainForm().cmdFunction(2)->isEnabled();
        return 0;
    };
    rig.line.clearLog();
    download("  0140 \r\n0141\r\n\r\n0143\r\n");
    ASSERT_TRUE(rig.waitFor([&] { return meter.saveCount() == 1 && gridText(grid, 4, 2) == "0143"; }, 9000));
    EXPECT_TRUE(pageDisabled);
    EXPECT_TRUE(offLineEnabled);
    EXPECT_TRUE(page->widget()->isEnabled());
    EXPECT_EQ(slotWrites(rig.line), "70:a0 70:a1 70:a3");
    EXPECT_EQ(meter.registerValue(0x00A2), 0x0132);

    // A line that is no register address is not written and the download says so.
    rig.meter().MeterVersion = 1.8f; // and an older meter gets no save-config
    const size_t boxes = rig.ui.boxes.size();
    download("0150\r\n12G4\r\n0152\r\n");
    ASSERT_TRUE(rig.waitFor([&] { return rig.ui.boxes.size() >= boxes + 3 && gridText(grid, 3, 2) == "0152"; }));
    EXPECT_EQ(rig.ui.boxes[boxes + 1].text, "Mapping File Line [2] Data [12G4] Error!");
    EXPECT_EQ(rig.ui.boxes[boxes + 2].text, "Meter [1] Download Mapping File Error!");
    EXPECT_EQ(meter.registerValue(0x00A1), 0x0141);
    EXPECT_EQ(meter.saveCount(), 1);

    // Save: 96 lines of the slot column, CR LF, and the caption names the file.
    const QString saved = rig.folder() + "/saved.map";
    rig.ui.fileNext(saved);
    page->cmdMapping(1)->click();
    ASSERT_TRUE(rig.waitFor([&] { return QFile::exists(saved); }));
    QFile s(saved);
    ASSERT_TRUE(s.open(QIODevice::ReadOnly));
    const QByteArray bytes = s.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 96);
    EXPECT_TRUE(bytes.startsWith("0150\r\n0141\r\n0152\r\n0143\r\n0134\r\n001A\r\n"));
    EXPECT_EQ(rig.mainForm().windowTitle(), "KD 4170 - (ACD) PC Tool  - [" + saved + "]");
}

TEST(UserMapPage, DownloadToAMeterThatStoppedAnsweringEndsAtTheFirstSlotWithOneBox) {
    MapRig m;
    ASSERT_TRUE(m.shown);
    m.rig.line.clearLog();
    m.rig.line.setRandomFaults(7, 1.0, {sim::Fault::Kind::Silence}); // no reply to anything
    const size_t boxes = m.rig.ui.boxes.size();
    m.download(fullMapFile());
    // Slot 0 and its one repeat, then the download ends: no further slot, no save-config.
    ASSERT_TRUE(m.rig.waitFor([&] { return m.rig.ui.boxes.size() == boxes + 2 && m.page->widget()->isEnabled(); }, 5000));
    EXPECT_EQ(m.rig.ui.boxes[boxes].text, "Do you want to Download Mapping File ?");
    EXPECT_EQ(m.rig.ui.boxes[boxes + 1].text, "Meter [1] Download Mapping File Error!");
    EXPECT_EQ(m.rig.ui.boxes[boxes + 1].title, "Error");
    EXPECT_EQ(m.requests(0x70), 2);
    EXPECT_EQ(m.requests(0x71), 0);
    m.rig.line.setRandomFaults(1, 0.0, {});
    QTest::qWait(700);
    EXPECT_EQ(m.rig.ui.boxes.size(), boxes + 2);
    EXPECT_FALSE(m.rig.ui.sawText("Setup Mapping Error!"));
}

TEST(UserMapPage, OffLineDuringADownloadEndsItAtTheNextSlot) {
    MapRig m;
    ASSERT_TRUE(m.shown);
    m.rig.line.clearLog();
    m.rig.line.setReplyDelayMs(60);
    // "Off Line" pressed as a person does once a few slots have gone out.
    QTimer watch;
    bool pressed = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!pressed && m.requests(0x70) >= 3) {
            pressed = true;
            QTest::mouseClick(m.rig.mainForm().cmdFunction(2), Qt::LeftButton);
        }
    });
    watch.start(5);
    m.download(fullMapFile());
    ASSERT_TRUE(m.rig.waitFor([&] { return pressed && !m.rig.link().meterSelected() && !m.rig.app().master().busy(); },
                              10000));
    watch.stop();
    const int written = m.requests(0x70);
    EXPECT_GE(written, 3);
    EXPECT_LE(written, 4); // the slot under way when "Off Line" came is the last
    EXPECT_EQ(m.requests(0x71), 0);
    EXPECT_TRUE(m.page->widget()->isEnabled());
    EXPECT_FALSE(m.rig.app().status().panelText(1).endsWith("ok ! "));
    EXPECT_EQ(m.rig.ui.boxes.back().text, "Meter [1] Download Mapping File Error!"); // not whole: said once
    QTest::qWait(300);
    EXPECT_EQ(m.requests(0x70), written);
}
