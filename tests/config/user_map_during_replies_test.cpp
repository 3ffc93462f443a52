// Page 16 while the meter is answering: a slot edited or "Save Mapping" clicked during
// the slot table's read or a slot's write is carried out after it, and the entry
// window never holds the link while the person types.
#include "held_reply.h"
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_user_map.h"

#include "common/shared_routines.h"
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
using Bytes = std::vector<uint8_t>;

namespace {

struct MapRig : ProgramRig {
    MapRig() : ProgramRig({{1, 9600}}, 1000, Pages::All) {
        sim::Meter& m = *line.meter(1);
        sim::installIdentity(m);
        sim::installUserMap(m);
        m.setRegister(0x001A, 4321);
        app().services().Login = [this] { return app().app().LoginOk = true; };
        showMainWindow();
        mainForm().selectMeterForTest("1");
        mainForm().activateWindow();
    }
    config::UserMapPage& map() { return *static_cast<config::UserMapPage*>(app().page(config::UserMapPageIndex)); }
    QTableWidget* grid() { return map().gridMapping(); }
    void enterPage() {
        int16_t index = config::UserMapPageIndex;
        mainForm().optProgram_Click(index);
    }
    void clickCell(int row, int column) {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualItemRect(grid()->item(row, column)).center());
    }
    // The slot writes the meter saw, without the CRC.
    std::vector<Bytes> slotWrites() const {
        std::vector<Bytes> out;
        for (const sim::Request& q : line.requests())
            if (q.bytes.size() == 11 && (q.bytes[1] == 0x10 || q.bytes[1] == 0x70))
                out.emplace_back(q.bytes.begin(), q.bytes.end() - 2);
        return out;
    }
};

// Answers the entry window with `typed` and Enter once it shows, noting what it showed
// and whether the link was free meanwhile.
struct EntryAnswer {
    QString oldValue;
    bool linkBusy = true;
    int waitDepth = -1;
    bool answered = false;
    QTimer poll;
    EntryAnswer(ProgramRig& r, const QString& typed) {
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [this, &r, typed] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* form = dynamic_cast<config::SetMapForm*>(w);
                if (answered || !form || !form->isVisible()) continue;
                answered = true;
                oldValue = form->Label1(4)->text();
                linkBusy = r.app().master().ops().busy();
                waitDepth = common::eventWaitDepth();
                QTest::keyClicks(form->Text1(), typed);
                QTest::keyClick(form->Text1(), Qt::Key_Return);
            }
        });
        poll.start();
    }
};

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(UserMapDuringReplies, ASlotEditedWhileTheTableIsReadIsWrittenFromAWindowOpenedAfterTheRead) {
    MapRig r;
    ASSERT_TRUE(r.waitFor([&] { return QApplication::activeWindow() == &r.mainForm(); }));
    EntryAnswer entry(r, "1a");
    r.enterPage();
    // Row 6 (slot 0x00A5) is clicked while the first read of the slots waits.
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x00A0), [&] { r.clickCell(6, 2); }));
    ASSERT_TRUE(r.waitFor([&] { return entry.answered; }));
    EXPECT_EQ(entry.oldValue, "0x0135"); // the slot as the read found it
    EXPECT_FALSE(entry.linkBusy);
    EXPECT_EQ(entry.waitDepth, 1); // the window's own wait, counted like every other
    ASSERT_TRUE(r.waitFor([&] { return gridText(r.grid(), 6, 2) == "001A" && gridText(r.grid(), 6, 4) == "4321"; }));
    EXPECT_EQ(r.slotWrites(), (std::vector<Bytes>{{1, 0x10, 0x00, 0xA5, 0x00, 0x01, 0x02, 0x00, 0x1A}}));
    EXPECT_TRUE(r.ui.boxes.empty());
}

TEST(UserMapDuringReplies, SaveMappingClickedWhileTheTableIsReadOrASlotIsWrittenSavesAfterIt) {
    MapRig r;
    ASSERT_TRUE(r.waitFor([&] { return QApplication::activeWindow() == &r.mainForm(); }));
    const QString first = r.folder() + "/first.map", second = r.folder() + "/second.map";
    r.ui.fileNext(first);
    r.enterPage();
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x00A0), [&] { QTest::mouseClick(r.map().cmdMapping(1), Qt::LeftButton); }));
    ASSERT_TRUE(r.waitFor([&] { return QFile::exists(first); }));
    // The whole table the read brought, not one row of it.
    const QByteArray saved = fileBytes(first);
    EXPECT_EQ(saved.count("\r\n"), 96);
    EXPECT_TRUE(saved.startsWith("0130\r\n0131\r\n0132\r\n0133\r\n"));
    EXPECT_EQ(saved.split('\n').value(54), "2002\r");

    // Slot 0x00A5 edited; "Save Mapping" clicked while its write waits.
    ASSERT_TRUE(r.waitFor([&] { return r.page().MappingRequest == config::MapPollValues && r.grid()->isEnabled(); }));
    EntryAnswer entry(r, "1a");
    r.clickCell(6, 2);
    ASSERT_TRUE(r.waitFor([&] { return entry.answered; }));
    r.ui.fileNext(second);
    ASSERT_TRUE(held::duringReply(r, held::request(0x10, 0x00A5), [&] { QTest::mouseClick(r.map().cmdMapping(1), Qt::LeftButton); }));
    ASSERT_TRUE(r.waitFor([&] { return QFile::exists(second); }));
    EXPECT_EQ(r.line.registerValue(1, 0x00A5), 0x001A);
    ASSERT_EQ(r.ui.dialogs.size(), 2u);
    EXPECT_EQ(r.ui.dialogs[1].title, "Save File");
    // Then the slots are read again.
    ASSERT_TRUE(r.waitFor([&] { return gridText(r.grid(), 6, 2) == "001A"; }));
}
