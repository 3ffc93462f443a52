// The poll scheduler without the window: what each tick sends and when.
#include "form_rig.h"

#include "common/shared_routines.h"
#include "shell/page.h"
#include "shell/scheduler.h"

#include <QDateTimeEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace shell;

namespace {

struct Rig : LineRig<rtu::MemoryStatus> {
    Scheduler sch{link, meter, page, logs, master, svc};
    std::vector<QString> sent;  // "R2014" for a read of 0x2014, "C27" for coil 27
    std::vector<QString> calls; // hooks without exchanges
    bool silent = false;

    Rig() {
        link.ReplyTimeoutMs = 100;
        link.RetryLimit = 0;
        EXPECT_TRUE(master.OpenCommPort());
        master.applyTimerIntervals();
        dev.onWrite = [this](const std::vector<uint8_t>& f) {
            if (f.size() < 8) return;
            const int reg = f[2] << 8 | f[3];
            if (f[1] == 0x03) {
                sent.push_back(QStringLiteral("R%1").arg(reg, 4, 16, QChar('0')).toUpper().replace("0X", ""));
                if (!silent) answerWithZeros(dev, f);
            } else if (f[1] == 0x05) {
                sent.push_back(QStringLiteral("C%1").arg(reg));
                if (!silent) dev.feed(f); // a coil write is answered with its echo
            }
        };
        svc.ReadKeyboardLock = reader(0x2014, 1, 25);
        svc.ReadEssentialProperty = reader(0x2002, 11, 0);
        svc.ReadInstantAndEnergy = reader(0x0100, 8, 1);
        link.MeterAddress = "1";
    }
    Proc reader(int start, int count, int16_t code) {
        return [this, start, count, code] {
            master.SendReadHoldingRegisters(code, start, count);
        };
    }
    Proc named(const char* name) {
        return [this, name] { calls.push_back(QString::fromLatin1(name)); };
    }
    std::vector<QString> tick() {
        sent.clear();
        sch.TCommOnLine_Timer();
        return sent;
    }
    void seconds(int n) {
        for (int i = 0; i < n; ++i) sch.TScannerTime_Timer();
    }
};

using Log = std::vector<QString>;

} // namespace

TEST(Scheduler, SendsNothingWithoutMeterAndRearms) {
    Rig r;
    r.link.MeterAddress = "xxx";
    for (int16_t p : {0, 2, 8, 10, 16, 21}) {
        r.page.PageIndex = p;
        r.page.resetStep(1);
        EXPECT_TRUE(r.tick().empty()) << "page " << p;
        EXPECT_TRUE(r.sch.TCommOnLine().isActive());
    }
    EXPECT_TRUE(r.dev.written.empty());
}

TEST(Scheduler, PacesLiveAndBackgroundReadsAndRetriesAfterFailure) {
    Rig r;
    r.page.PageChanged = true;
    r.page.resetStep(5);
    // First tick: the counters start at their caps.
    EXPECT_EQ(r.tick(), (Log{"R2014", "R2002", "R0100"}));
    EXPECT_EQ(r.page.PageStep, 0);
    EXPECT_FALSE(r.page.PageChanged);
    EXPECT_TRUE(r.tick().empty()); // live values at most once a second
    r.seconds(1);
    EXPECT_EQ(r.tick(), (Log{"R0100"}));
    r.seconds(8);
    EXPECT_EQ(r.tick(), (Log{"R0100"}));
    r.seconds(1); // ten seconds since the last background read
    EXPECT_EQ(r.tick(), (Log{"R2014", "R2002", "R0100"}));

    // A failed lock read skips the essential read; both and the live read come again next tick.
    r.seconds(10);
    r.silent = true;
    EXPECT_EQ(r.tick(), (Log{"R2014", "R0100"}));
    r.silent = false;
    EXPECT_EQ(r.tick(), (Log{"R2014", "R2002", "R0100"}));
    EXPECT_TRUE(r.tick().empty());
}

TEST(Scheduler, BackgroundReadKeepsTheShownPagesEdits) {
    Rig r;
    r.page.PageIndex = 3;
    r.page.resetStep(2); // idle
    r.page.SetupModified = true;
    r.page.EditedGroup = 2;
    Proc read = r.svc.ReadEssentialProperty;
    r.svc.ReadEssentialProperty = [&] {
        read();
        r.page.SetupModified = false; // what a careless reader does
        r.page.EditedGroup = 0;
    };
    EXPECT_EQ(r.tick(), (Log{"R2014", "R2002"}));
    EXPECT_TRUE(r.page.SetupModified);
    EXPECT_EQ(r.page.EditedGroup, 2);
}

TEST(Scheduler, PagesRunTheirOwnStepsAndPageZeroFallsBackToTheSharedRead) {
    Rig r;
    r.page.Ticks.KeyLockTicks = 0; // no background reads here
    auto run = [&](int16_t pageIndex, int16_t step) {
        r.calls.clear();
        r.page.PageIndex = pageIndex;
        r.page.resetStep(step);
        r.tick();
        return r.calls;
    };
    // A page that owns its step work gets the tick with its step, which it may move.
    struct OwnSteps : shell::Page {
        Log& calls;
        common::PageState& page;
        OwnSteps(Log& c, common::PageState& p) : calls(c), page(p) {}
        int16_t index() const override { return 21; }
        QWidget* widget() override { return nullptr; }
        bool hasStepWork() const override { return true; }
        void runStep(int16_t step) override {
            calls.push_back(QStringLiteral("step %1").arg(step));
            page.moveStep(7);
        }
    } own(r.calls, r.page);
    r.sch.registerPage(own);
    EXPECT_EQ(run(21, 3), (Log{"step 3"}));
    EXPECT_EQ(r.page.PageStep, 7);
    // A page that is not there does nothing; page 0 without its page still polls, once a second.
    auto reads = [&](int16_t pageIndex, int16_t step) {
        r.page.PageIndex = pageIndex;
        r.page.resetStep(step);
        return r.tick();
    };
    EXPECT_TRUE(reads(9, 1).empty());
    r.page.Ticks.RefreshTicks = 1;
    EXPECT_EQ(reads(0, 0), (Log{"R0100"}));
    EXPECT_TRUE(reads(0, 0).empty());
    r.seconds(1);
    EXPECT_TRUE(reads(0, 1).empty());
}

TEST(Scheduler, TicksNeverOverlapAndBusyLinkOnlyRearms) {
    Rig r;
    r.page.Ticks.KeyLockTicks = 0;
    int nested = 0, depth = 0;
    Proc read = r.svc.ReadInstantAndEnergy;
    r.svc.ReadInstantAndEnergy = [&] {
        ++depth;
        nested = std::max(nested, depth);
        r.sch.enable(); // page or meter selection while the tick waits
        EXPECT_TRUE(r.sch.enabled());
        EXPECT_FALSE(r.sch.TCommOnLine().isActive());
        QTest::qWait(700); // two tick periods of events
        read();
        --depth;
    };
    r.sch.TCommOnLine().start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.sch.tickCount() >= 1 && !r.sch.tickRunning(); }, 3000));
    r.sch.TCommOnLine().stop();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(r.sch.tickCount(), 1);

    // A direct operation holds the link: the tick sends nothing and re-arms.
    ASSERT_TRUE(r.master.ops().beginImplicit());
    r.page.Ticks.RefreshTicks = 1;
    {
        const common::EventWait inItsWait; // the tick timer fires while that operation waits
        EXPECT_TRUE(r.tick().empty());
    }
    EXPECT_TRUE(r.sch.TCommOnLine().isActive());
    r.master.ops().endImplicit();

    // On Preset and Reset the tick stops polling unless a selection asked for more.
    r.page.PageIndex = 17;
    r.tick();
    EXPECT_FALSE(r.sch.TCommOnLine().isActive());
    r.svc.ReadKeyboardLock = [&] { r.sch.enable(); };
    r.page.Ticks.KeyLockTicks = 10;
    r.tick();
    EXPECT_TRUE(r.sch.TCommOnLine().isActive());
}

TEST(Scheduler, DataLogsAndDeferredActionsFollowThePageWork) {
    Rig r;
    r.page.Ticks.KeyLockTicks = 0;
    r.svc.WriteInstantLogLine = r.named("WriteInstantLogLine");
    r.svc.WriteHarmonicLogLine = r.named("WriteHarmonicLogLine");
    r.svc.WriteWaveformLogLine = r.named("WriteWaveformLogLine");
    r.svc.SetupMeterAddress = r.named("SetupMeterAddress");
    r.svc.SetupMeterBaudRate = r.named("SetupMeterBaudRate");
    r.svc.ReadInstantAndEnergy = r.named("ReadInstantAndEnergy");
    r.sch.host().openCommSettings = [&] {
        r.calls.push_back("openCommSettings");
        r.link.CommSetupPending = false;
    };
    r.logs.BasicLog = {0, 60, "basic.csv", 0};
    r.logs.HarmonicLog = {0, 0, "harmonic.csv", 0}; // interval 0: off
    r.logs.WaveformLog = {0, 60, "", 0};            // no file: off
    r.page.PendingAddressAction = 2;
    r.link.CommSetupPending = true;
    r.page.Ticks.RefreshTicks = 1;
    r.tick();
    EXPECT_EQ(r.calls, (Log{"ReadInstantAndEnergy", "WriteInstantLogLine", "openCommSettings",
                            "SetupMeterBaudRate"}));
    EXPECT_EQ(r.page.PendingAddressAction, 0);
    r.calls.clear();
    r.page.PendingAddressAction = 9;
    r.tick();
    EXPECT_EQ(r.calls, (Log{"WriteInstantLogLine"}));
    EXPECT_EQ(r.page.PendingAddressAction, 0);
}

TEST(Scheduler, HousekeepingCountsClocksAndBlinks) {
    Rig r;
    r.page.Ticks = {0, 0, 0, 0, 0, 0};
    r.logs.BasicLog.Elapsed = 5998;
    r.seconds(71);
    EXPECT_EQ(r.page.Ticks.RefreshTicks, 1);
    EXPECT_EQ(r.page.Ticks.MapTicks, 3);
    EXPECT_EQ(r.page.Ticks.MinuteTicks, 60);
    EXPECT_EQ(r.page.Ticks.KeyLockTicks, 10);
    EXPECT_EQ(r.logs.BasicLog.Elapsed, 6000);
    EXPECT_EQ(r.logs.HarmonicLog.Elapsed, 71);

    // The date picker reaches a shorter month from the 31st; an edited picker stays.
    QDateTimeEdit date, time;
    int changes = 0;
    QObject::connect(&date, &QDateTimeEdit::dateChanged, [&] { ++changes; });
    date.setDate(QDate(2023, 1, 31));
    changes = 0;
    r.sch.setPickers(&date, &time);
    QDateTime pc(QDate(2023, 2, 14), QTime(9, 8, 7));
    r.sch.host().now = [&] { return pc; };
    r.seconds(1);
    EXPECT_EQ(date.date(), QDate(2023, 2, 14));
    EXPECT_EQ(time.time(), QTime(9, 8, 7));
    EXPECT_EQ(changes, 0); // the program moving it is no user edit
    r.page.DateEdited = true;
    pc = QDateTime(QDate(2023, 3, 1), QTime(10, 0, 0));
    r.seconds(1);
    EXPECT_EQ(date.date(), QDate(2023, 2, 14));
    EXPECT_EQ(time.time(), QTime(10, 0, 0));

    // The caption blinks only while no meter is selected.
    std::vector<QString> captions;
    r.sch.host().setCaption = [&](const QString& c) { captions.push_back(c); };
    r.seconds(2);
    EXPECT_TRUE(captions.empty());
    r.link.MeterAddress = "xxx";
    r.seconds(3);
    ASSERT_EQ(captions.size(), 3u);
    EXPECT_EQ(captions[0], "KD XXXX PC Tool   ***  Off Line  ***");
    EXPECT_EQ(captions[1], "KD XXXX PC Tool");
    EXPECT_EQ(captions[2], captions[0]);
}
