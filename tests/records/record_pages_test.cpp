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
};

} // namespace

TEST(MaxMinPageSteps, ReadsFillGridsAndDemandLabels) {
    PageRig rig;
    QWidget* demandFrame = rig.app().page(DemandPageIndex)->widget();
    auto demandText = [&](const char* name, int i) {
        return demandFrame->findChild<QLabel*>(QString::fromLatin1(name).arg(i))->text();
    };
    rig.line.setRegister(1, 0x203E, 1234);
    MaxMinPage& page = rig.maxMin();
    const common::StepValue& step = rig.page().PageStep;
    rig.page().resetStep(MaxMinReadSetting);
    page.runStep(step);
    EXPECT_EQ(step, MaxMinReadLog);
    EXPECT_EQ(page.txtMaxMin()->text(), "1234");
    page.runStep(step); // RecordTicks at its cap
    EXPECT_EQ(rig.page().Ticks.RecordTicks, 0);
    const QTableWidget* max = page.gridMax();
    EXPECT_EQ(gridText(max, 0, 1), "Maximum");
    EXPECT_EQ(max->columnSpan(0, 1), 3);
    EXPECT_EQ(gridText(max, 2, 1), "4.4520  A");
    EXPECT_EQ(gridText(max, 3, 3), "2026/03/14");
    EXPECT_EQ(gridText(page.gridMin(), 3, 1), "3.8782  A");
    // The signed apparent-power demand on both pages.
    EXPECT_EQ(gridText(max, 40, 1), "2.8492  KVA");
    EXPECT_EQ(demandText("labDemandDM_%1", 3), "2.8492  KVA");
    EXPECT_EQ(demandText("labDemandDT_%1", 0), "09:30:00");
    EXPECT_EQ(demandText("labDemandDD_%1", 1), "2026/03/14");
}

TEST(MaxMinPageSteps, NewMeterEmptiesCellsAndClearWritesOnlyAKnownTime) {
    PageRig rig;
    MaxMinPage& page = rig.maxMin();
    const common::StepValue& step = rig.page().PageStep;
    rig.page().resetStep(MaxMinReadLog);
    page.runStep(step);
    page.meterChanged();
    EXPECT_EQ(gridText(page.gridMax(), 2, 0), "Phase A Current");
    for (int c = 1; c <= 3; ++c) {
        EXPECT_EQ(gridText(page.gridMax(), 40, c), "");
        EXPECT_EQ(gridText(page.gridMin(), 2, c), "");
    }
    // No clear time from this meter, and it does not answer: nothing is written.
    for (int i = 0; i <= rig.link().RetryLimit; ++i) rig.line.injectFault({sim::Fault::Kind::Silence});
    const size_t sent = rig.line.requests().size() + rig.link().RetryLimit + 1; // the read's attempts
    rig.ui.answerNext(common::AnswerYes);
    rig.page().resetStep(MaxMinClear);
    page.runStep(step);
    EXPECT_EQ(step, MaxMinReadLog);
    ASSERT_EQ(rig.ui.boxes.size(), 2u); // the question, then the result
    EXPECT_EQ(rig.ui.boxes[1].text, "Meter [1] Clear Max./Min. Log Error!");
    EXPECT_EQ(rig.line.requests().size(), sent);
}

TEST(EventPageSteps, FailedReadLeavesItsRowEmptyAndNewMeterEmptiesAll) {
    PageRig rig;
    EventPage& page = rig.events();
    const common::StepValue& step = rig.page().PageStep; // the decoders move it too
    rig.page().resetStep(EventPollCount);
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
    EXPECT_EQ(gridText(grid, 3, 3), "Power On / Reset");
    EXPECT_EQ(rig.app().master().status().panelText(1), "Load Event Record 100%");

    page.meterChanged();
    EXPECT_EQ(page.labEvent(1)->text(), "");
    EXPECT_EQ(gridText(grid, 1, 0), "");
}

TEST(ContextMeterLink, ReadKeepsTheCodesDecoderAndStopsWithTheMeter) {
    PageRig rig;
    rig.line.setRegister(1, 0x203E, 77);
    ContextMeterLink link(rig.app());
    EXPECT_EQ(link.read(CmdClearTime, 0x203E, 1), (std::vector<uint16_t>{77}));
    EXPECT_EQ(rig.maxMin().txtMaxMin()->text(), "77"); // the page's decoder ran as well
    EXPECT_TRUE(rig.app().master().decoder(CmdClearTime)); // and is still there

    rig.link().MeterAddress = "2";
    EXPECT_FALSE(link.carryOn());
    const size_t sent = rig.line.requests().size();
    EXPECT_EQ(link.read(CmdClearTime, 0x203E, 1), std::nullopt);
    EXPECT_FALSE(link.coil(24));
    EXPECT_EQ(rig.line.requests().size(), sent);
}

TEST(RecordPageSave, FailedWriteIsReportedNotOk) {
    PageRig rig;
    const common::StepValue& step = rig.page().PageStep;
    rig.ui.fileNext(rig.folder() + "/no such folder/log.csv");
    rig.page().resetStep(EventSave);
    rig.events().runStep(step);
    EXPECT_EQ(step, EventPollCount);
    ASSERT_EQ(rig.ui.boxes.size(), 1u);
    EXPECT_EQ(rig.ui.boxes[0].title, "Error Cord : (75)");
    EXPECT_TRUE(rig.ui.boxes[0].text.startsWith("Error Message : (SaveEventRecord),"));
    EXPECT_EQ(rig.app().master().status().panelText(1), "");
}
