// The record pages on the program's own link to the simulated meter, step by step
// (the scheduler is not running): what the page class adds to the log logic.
#include "program_rig.h"
#include "sim_records.h"

#include "monitor/live_widgets.h"
#include "records/context_meter_link.h"
#include "records/event_page.h"
#include "records/maxmin_page.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <gtest/gtest.h>

using monitor::gridText;
using namespace records;

namespace {

// The Demand page as far as the maximum-demand labels go.
struct DemandLabels : shell::Page {
    QGroupBox* frame = new QGroupBox; // the main window takes it
    DemandLabels() {
        for (const char* name : {"labDemandDM_%1", "labDemandDT_%1", "labDemandDD_%1"})
            for (int i = 0; i < 4; ++i) (new QLabel(frame))->setObjectName(QString::fromLatin1(name).arg(i));
    }
    int16_t index() const override { return DemandPageIndex; }
    QWidget* widget() override { return frame; }
    QString text(const char* name, int i) { return frame->findChild<QLabel*>(QString::fromLatin1(name).arg(i))->text(); }
};

struct PageRig : ProgramRig {
    PageRig() : ProgramRig({{1, 9600}}, 200, Pages::All) {
        sim::installRecordLogs(*line.meter(1), 3);
        app().app().LocaleDateFormat = "YYYY/MM/DD";
        app().app().LocaleDateSeparator = "/";
        showMainWindow();
        link().MeterAddress = "1"; // selected without the scheduler
        app().services().Login = [this] { return app().app().LoginOk = true; };
    }
    MaxMinPage& maxMin() { return *static_cast<MaxMinPage*>(app().page(MaxMinPageIndex)); }
    EventPage& events() { return *static_cast<EventPage*>(app().page(EventPageIndex)); }
    // Frames with function fn the meter received.
    int framesWith(uint8_t fn) {
        int n = 0;
        for (const auto& r : line.requests()) n += r.bytes.size() > 1 && r.bytes[1] == fn;
        return n;
    }
};

} // namespace

const QString kStatus0 = "Relay (1:Off,2:Off,3:Off);     no Data;     DI (1:Off,2:Off,3:Off,4:Off,5:Off,6:Off,7:Off,8:Off)";

TEST(MaxMinPageSteps, ReadsFillGridsAndDemandLabels) {
    PageRig rig;
    auto* demand = new DemandLabels;
    rig.app().adoptPage(std::unique_ptr<shell::Page>(demand));
    rig.line.setRegister(1, 0x203E, 1234);
    MaxMinPage& page = rig.maxMin();
    int16_t& step = rig.page().PageStep;
    step = MaxMinReadSetting;
    page.runStep(step);
    EXPECT_EQ(step, MaxMinReadLog);
    EXPECT_EQ(page.txtMaxMin()->text(), "1234");

    rig.page().Ticks.RecordTicks = 5; // not yet
    page.runStep(step);
    EXPECT_EQ(rig.line.requests().size(), 1u);
    rig.page().Ticks.RecordTicks = 6;
    page.runStep(step);
    EXPECT_EQ(rig.page().Ticks.RecordTicks, 0);
    const QTableWidget* max = page.gridMax();
    EXPECT_EQ(gridText(max, 0, 1), "Maximum");
    EXPECT_EQ(max->columnSpan(0, 1), 3);
    EXPECT_EQ(gridText(page.gridMin(), 0, 1), "Minimum");
    EXPECT_EQ(gridText(max, 2, 1), "4.4520  A");
    EXPECT_EQ(gridText(max, 6, 1), "127.20  mA");
    EXPECT_EQ(gridText(max, 21, 1), " .9752 LG");
    EXPECT_EQ(gridText(max, 3, 2), "10:37:00");
    EXPECT_EQ(gridText(max, 3, 3), "2026/03/14");
    EXPECT_EQ(gridText(page.gridMin(), 3, 1), "3.8782  A");
    EXPECT_EQ(gridText(page.gridMin(), 3, 2), "22:30:11");
    EXPECT_EQ(gridText(page.gridMin(), 3, 3), "2026/03/13");
    // The signed apparent-power demand on both pages.
    EXPECT_EQ(gridText(max, 40, 1), "2.8492  KVA");
    EXPECT_EQ(demand->text("labDemandDM_%1", 3), "2.8492  KVA");
    EXPECT_EQ(demand->text("labDemandDT_%1", 0), "09:30:00");
    EXPECT_EQ(demand->text("labDemandDD_%1", 1), "2026/03/14");
}

TEST(MaxMinPageSteps, NewMeterEmptiesCellsAndClearWritesOnlyAKnownTime) {
    PageRig rig;
    MaxMinPage& page = rig.maxMin();
    int16_t& step = rig.page().PageStep;
    step = MaxMinReadLog;
    page.runStep(step);
    page.meterChanged();
    EXPECT_EQ(gridText(page.gridMax(), 2, 0), "Phase A Current");
    for (int c = 1; c <= 3; ++c) {
        EXPECT_EQ(gridText(page.gridMax(), 40, c), "");
        EXPECT_EQ(gridText(page.gridMin(), 2, c), "");
    }
    // No clear time from this meter, and it does not answer: nothing is written.
    for (int i = 0; i <= rig.link().RetryLimit; ++i) rig.line.injectFault({sim::Fault::Kind::Silence});
    rig.ui.answerNext(common::AnswerYes);
    step = MaxMinClear;
    page.runStep(step);
    EXPECT_EQ(step, MaxMinReadLog);
    ASSERT_FALSE(rig.ui.boxes.empty());
    EXPECT_EQ(rig.ui.boxes.back().title, "Error");
    EXPECT_EQ(rig.ui.boxes.back().text, "Meter [1] Clear Max./Min. Log Error!");
    EXPECT_EQ(rig.framesWith(0x10) + rig.framesWith(0x05), 0);

    // Now it answers: the time read from it goes back, then coil 24.
    rig.line.setRegister(1, 0x203E, 300);
    rig.ui.answerNext(common::AnswerYes);
    step = MaxMinClear;
    page.runStep(step);
    EXPECT_EQ(page.txtMaxMin()->text(), "300");
    EXPECT_EQ(rig.app().master().status().panelText(1), "Meter [1] Clear Max./Min. Log Ok!");
    const auto requests = rig.line.requests();
    ASSERT_GE(requests.size(), 2u);
    const auto& write = requests[requests.size() - 2].bytes;
    EXPECT_EQ(std::vector<uint8_t>(write.begin(), write.end() - 2),
              (std::vector<uint8_t>{1, 0x10, 0x20, 0x3E, 0, 1, 2, 0x01, 0x2C}));
    const auto& coil = requests.back().bytes;
    EXPECT_EQ(std::vector<uint8_t>(coil.begin(), coil.end() - 2), (std::vector<uint8_t>{1, 5, 0, 0x18, 0xFF, 0}));
}

TEST(EventPageSteps, CountLoadsRowsByIndexAndNewMeterEmpties) {
    PageRig rig;
    EventPage& page = rig.events();
    int16_t& step = rig.page().PageStep; // the decoders move it too
    step = EventPollCount;
    page.runStep(step); // RecordTicks at its cap
    EXPECT_EQ(step, EventLoadAll);
    EXPECT_EQ(page.labEvent(1)->text(), "3");
    // The first record's read fails: its row keeps only its number.
    for (int i = 0; i <= rig.link().RetryLimit; ++i) rig.line.injectFault({sim::Fault::Kind::Silence});
    page.runStep(step);
    EXPECT_EQ(step, EventPollCount);
    const QTableWidget* grid = page.gridEvent();
    EXPECT_EQ(gridText(grid, 1, 0), "3");
    EXPECT_EQ(gridText(grid, 1, 3), "");
    EXPECT_EQ(gridText(grid, 3, 0), "1");
    EXPECT_EQ(gridText(grid, 3, 1), "08:00:00");
    EXPECT_EQ(gridText(grid, 3, 2), "2026/01/01");
    EXPECT_EQ(gridText(grid, 3, 3), "Power On / Reset");
    EXPECT_EQ(gridText(grid, 3, 6), kStatus0);
    EXPECT_EQ(rig.app().master().status().panelText(1), "Load Event Record 100%");

    // The same count again reloads what failed.
    rig.page().Ticks.RecordTicks = 6;
    page.runStep(step);
    EXPECT_EQ(step, EventLoadAll);
    page.runStep(step);
    EXPECT_EQ(gridText(grid, 1, 3), "Time/Date Set");
    EXPECT_EQ(gridText(grid, 1, 1), "10:10:26");

    page.meterChanged();
    EXPECT_EQ(page.labEvent(1)->text(), "");
    EXPECT_EQ(gridText(grid, 1, 0), "");
    EXPECT_EQ(gridText(grid, 3, 3), "");
    EXPECT_EQ(gridText(grid, 0, 3), "Cause");
}

TEST(ContextMeterLink, ReadKeepsTheCodesDecoderAndStopsWithTheMeter) {
    PageRig rig;
    rig.line.setRegister(1, 0x203E, 77);
    ContextMeterLink link(rig.app());
    EXPECT_EQ(link.address(), 1);
    EXPECT_EQ(link.read(CmdClearTime, 0x203E, 1), (std::vector<uint16_t>{77}));
    EXPECT_EQ(rig.maxMin().txtMaxMin()->text(), "77"); // the page's decoder ran as well
    rig.line.setRegister(1, 0x203E, 78);
    rig.app().master().SendReadHoldingRegisters(CmdClearTime, 0x203E, 1);
    EXPECT_EQ(rig.maxMin().txtMaxMin()->text(), "78"); // and is still there

    rig.link().MeterAddress = "2";
    EXPECT_FALSE(link.carryOn());
    const size_t sent = rig.line.requests().size();
    EXPECT_EQ(link.read(CmdClearTime, 0x203E, 1), std::nullopt);
    EXPECT_FALSE(link.coil(24));
    EXPECT_EQ(rig.line.requests().size(), sent);
}

TEST(RecordPageSave, FailedWriteIsReportedAndCancelWritesNothing) {
    PageRig rig;
    int16_t& step = rig.page().PageStep;
    rig.ui.fileNext(rig.folder() + "/no such folder/log.csv");
    step = EventSave;
    rig.events().runStep(step);
    EXPECT_EQ(step, EventPollCount);
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].title, "Error Cord : (75)");
    EXPECT_TRUE(rig.ui.boxes[0].text.startsWith("Error Message : (SaveEventRecord),"));
    EXPECT_EQ(rig.app().master().status().panelText(1), "");
    EXPECT_EQ(rig.ui.dialogs[0].filter, "Event Record (*.CSV *.csv)");

    rig.ui.fileNext("");
    step = MaxMinSave;
    rig.maxMin().runStep(step);
    EXPECT_EQ(step, MaxMinReadSetting);
    EXPECT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.mainForm().windowTitle(), "KD 4170 PC Tool ");
}
