// Page 16 in the whole program against the simulated meter: the slots and
// their values, an edit through SetMapForm, a map file download and a save.
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

using config::SetMapForm;
using config::UserMapPage;
using monitor::gridText;

namespace {

// The function-0x10 / 0x70 writes of one register the meter saw, as "fn:register".
std::vector<QString> slotWrites(const sim::SimLine& line) {
    std::vector<QString> out;
    for (const sim::Request& r : line.requests())
        if (r.bytes.size() == 11 && (r.bytes[1] == 0x10 || r.bytes[1] == 0x70))
            out.push_back(QStringLiteral("%1:%2")
                              .arg(r.bytes[1], 2, 16, QChar('0'))
                              .arg(r.bytes[2] << 8 | r.bytes[3], 4, 16, QChar('0')));
    return out;
}

SetMapForm* openMapForm() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = dynamic_cast<SetMapForm*>(w); f && f->isVisible()) return f;
    return nullptr;
}

} // namespace

TEST(UserMapPage, EditDownloadAndSaveAgainstTheSimulatedMeter) {
    ProgramRig rig({{1, 9600}}, 300, ProgramRig::Pages::All);
    sim::Meter& meter = *rig.line.meter(1);
    sim::installIdentity(meter); // version 2.30
    sim::installUserMap(meter);
    meter.setRegister(0x001A, 4321);
    rig.showMainWindow();
    rig.mainForm().txtAddress()->setText("1");
    rig.page().AddressEdited = true;
    rig.app().services().txtAddress_LostFocus();
    ASSERT_TRUE(rig.waitFor([&] { return rig.meter().MeterVersion > 0; }));
    rig.app().services().Login = [&] { return rig.app().app().LoginOk = true; };

    int16_t index = 16;
    rig.mainForm().optProgram_Click(index);
    auto* page = dynamic_cast<UserMapPage*>(rig.app().page(16));
    ASSERT_TRUE(page);
    QTableWidget* grid = page->gridMapping();
    ASSERT_TRUE(rig.waitFor([&] { return gridText(grid, 1, 2) == "0130" && !gridText(grid, 1, 4).isEmpty(); }));
    EXPECT_EQ(gridText(grid, 0, 2), "User Definable Register (Hex)");
    EXPECT_EQ(gridText(grid, 6, 1), "00A5");
    EXPECT_EQ(gridText(grid, 96, 3), "009F");
    EXPECT_EQ(gridText(grid, 55, 2), "2002"); // the first essential property: transfer delay 30 ms
    ASSERT_TRUE(rig.waitFor([&] { return gridText(grid, 55, 4) == "30"; }));

    // Row 6 (slot 0x00A5) gets 1a through the entry window: 0x10, then read back.
    QString prompt, oldValue;
    QTimer::singleShot(50, [&] {
        SetMapForm* form = openMapForm();
        if (!form) return;
        prompt = form->Label1(0)->text();
        oldValue = form->Label1(4)->text();
        QTest::keyClicks(form->Text1(), "1a");
        form->Command1(0)->click();
    });
    rig.line.clearLog();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(6, 2)).center());
    EXPECT_EQ(prompt, "Enter Address 0x00A5 Value");
    EXPECT_EQ(oldValue, "0x0135");
    EXPECT_EQ(gridText(grid, 6, 2), "1a"); // as typed until the slots are read again
    ASSERT_TRUE(rig.waitFor([&] { return gridText(grid, 6, 2) == "001A"; }));
    EXPECT_EQ(meter.registerValue(0x00A5), 0x001A);
    EXPECT_EQ(slotWrites(rig.line), std::vector<QString>{"10:00a5"});
    ASSERT_TRUE(rig.waitFor([&] { return gridText(grid, 6, 4) == "4321"; }));

    // A map file: blanks trimmed, an empty line keeps its slot's place; 0x70 per
    // slot, then the save-config of a 2.30 meter; the window is disabled meanwhile.
    const QString mapFile = rig.folder() + "/meter.Map";
    QFile f(mapFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("  0140 \r\n0141\r\n\r\n0143\r\n");
    f.close();
    bool windowDisabled = false;
    rig.ui.onMessage = [&](const ScriptedPrompter::Box& box) {
        if (box.text == "Do you want to Download Mapping File ?") windowDisabled = !rig.mainForm().isEnabled();
        return 0;
    };
    rig.ui.answerNext(common::AnswerYes);
    rig.ui.fileNext(mapFile);
    rig.line.clearLog();
    page->cmdMapping(0)->click();
    ASSERT_TRUE(rig.waitFor([&] { return meter.saveCount() == 1; }, 9000));
    ASSERT_TRUE(rig.waitFor([&] { return gridText(grid, 4, 2) == "0143"; }, 4000));
    EXPECT_TRUE(windowDisabled);
    EXPECT_TRUE(rig.mainForm().isEnabled());
    EXPECT_EQ(slotWrites(rig.line), (std::vector<QString>{"70:00a0", "70:00a1", "70:00a3"}));
    EXPECT_EQ(meter.registerValue(0x00A2), 0x0132);
    EXPECT_EQ(rig.ui.dialogs.back().filter, "Mapping File (*.Map *.map *.MAP);;All Files (*)");

    // A line that is no register address is not written and the download says so.
    rig.meter().MeterVersion = 1.8f; // and an older meter gets no save-config
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("0150\r\n12G4\r\n0152\r\n");
    f.close();
    rig.ui.answerNext(common::AnswerYes);
    rig.ui.fileNext(mapFile);
    const size_t boxes = rig.ui.boxes.size();
    page->cmdMapping(0)->click();
    ASSERT_TRUE(rig.waitFor([&] { return rig.ui.boxes.size() >= boxes + 3; }));
    EXPECT_EQ(rig.ui.boxes[boxes + 1].text, "Mapping File Line [2] Data [12G4] Error!");
    EXPECT_EQ(rig.ui.boxes[boxes + 2].text, "Meter [1] Download Mapping File Error!");
    EXPECT_EQ(meter.registerValue(0x00A1), 0x0141);
    EXPECT_EQ(meter.registerValue(0x00A2), 0x0152);
    EXPECT_EQ(meter.saveCount(), 1);

    // Save: 96 lines of the slot column, CR LF, and the caption names the file.
    ASSERT_TRUE(rig.waitFor([&] { return gridText(grid, 3, 2) == "0152"; }));
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

TEST(UserMapPage, EntryWindowRefusesNonHexAndEnterOnEmptyCancels) {
    ScriptedPrompter ui;
    ScopedPrompter scope(ui);
    common::PageState state;
    state.MappingRequest = config::MapHold;
    config::MappingRequestMachine machine(state);
    ASSERT_TRUE(machine.release(6, 2, "00A5", "0135"));
    SetMapForm form(machine);
    EXPECT_EQ(form.windowTitle(), "Seting Mapping Index");
    EXPECT_EQ(form.Command1(1)->text(), "Cancle");
    form.show();
    QTest::keyClicks(form.Text1(), "12G45");
    EXPECT_EQ(form.Text1()->text(), "12G4");
    form.Command1(0)->click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Data Key In Error!");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(state.MappingRequest, config::MapHold);

    form.Text1()->clear();
    QTest::keyClick(form.Text1(), Qt::Key_Return);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(state.MappingRequest, config::MapReadSlots);
}
