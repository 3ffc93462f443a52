// The programming keyboard lock: its button's caption and tag, the write that
// toggles it, and how often the scheduler reads it.
#include "program_rig.h"
#include "sim_identity.h"

#include "config/essential_property_page.h"
#include "config/keyboard_lock.h"

#include <QPushButton>
#include <gtest/gtest.h>

using namespace config;

namespace {

struct LockRig : ProgramRig {
    LockRig() {
        sim::installIdentity(*line.meter(1));
        installEssentialProperty(app());
        app().services().Login = [this] {
            app().app().LoginOk = true;
            return true;
        };
        showMainWindow();
        link().MeterAddress = "1";
    }
    KeyboardLock& lock() { return *findKeyboardLock(app()); }
    int lockReads() {
        int n = 0;
        for (const auto& q : line.requests()) n += q.bytes[1] == 0x03 && q.bytes[2] == 0x20 && q.bytes[3] == 0x14;
        return n;
    }
    std::vector<uint8_t> lastWrite() {
        for (auto& q : line.requests())
            if (q.bytes[1] == 0x10) return std::vector<uint8_t>(q.bytes.begin(), q.bytes.end() - 2);
        return {};
    }
};

} // namespace

TEST(KeyboardLock, CaptionAndTagFollowTheMeterAndTheButtonWritesAndReadsBack) {
    LockRig r;
    QPushButton* b = r.lock().button();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->text(), "Programming Keyboard Lock");
    EXPECT_EQ(r.lock().tag(), "Unlock");

    // Before any read the write locks.
    r.lock().WriteKeyboardLock();
    EXPECT_FALSE(r.link().LinkFailed);
    EXPECT_EQ(r.lastWrite(), (std::vector<uint8_t>{1, 0x10, 0x20, 0x14, 0x00, 0x01, 0x02, 0x00, 0x01}));

    r.lock().ReadKeyboardLock();
    EXPECT_EQ(b->text(), "Programming Keyboard Unlock");
    EXPECT_EQ(r.lock().tag(), "Lock");
    r.line.clearLog();
    r.lock().WriteKeyboardLock();
    EXPECT_EQ(r.lastWrite().back(), 0x00);

    r.line.setRegister(1, 0x2014, 0x0102); // only the low byte counts: 2 is unlocked
    r.lock().ReadKeyboardLock();
    EXPECT_EQ(b->text(), "Programming Keyboard Lock");
    EXPECT_EQ(r.lock().tag(), "Unlock");

    // The button asks, logs in, writes and reads back.
    r.line.clearLog();
    r.ui.answerNext(common::AnswerNo);
    b->click();
    EXPECT_EQ(r.ui.boxes.back().text, "Do you want to Programming Keyboard Lock ?");
    EXPECT_TRUE(r.lastWrite().empty());

    r.ui.answerNext(common::AnswerYes);
    b->click();
    EXPECT_EQ(r.line.registerValue(1, 0x2014), 1);
    EXPECT_EQ(b->text(), "Programming Keyboard Unlock");

    // A refused write reports it and still reads the state back.
    r.line.injectFault({sim::Fault::Kind::Exception});
    r.line.injectFault({sim::Fault::Kind::Exception});
    r.ui.answerNext(common::AnswerYes);
    r.line.clearLog();
    b->click();
    EXPECT_EQ(r.ui.boxes.back().text, "Meter [1] Programming Keyboard Unlock Error!");
    EXPECT_EQ(r.lockReads(), 1);
    EXPECT_EQ(r.lock().tag(), "Lock");
}

TEST(KeyboardLock, ReadOnceEveryTenSecondsAlsoOnPage2) {
    LockRig r;
    r.mainForm().selectMeterForTest("1");
    r.mainForm().optProgram(2)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.lockReads() == 1 && r.page().PageStep == EssentialIdleStep; }));
    EXPECT_LE(r.page().Ticks.KeyLockTicks, 1);
    QTest::qWait(1500); // several ticks: the lock is not read again yet
    EXPECT_EQ(r.lockReads(), 1);
    r.page().Ticks.KeyLockTicks = 10;
    ASSERT_TRUE(r.waitFor([&] { return r.lockReads() == 2; }));
    QTest::qWait(700);
    EXPECT_EQ(r.lockReads(), 2);
    // On page 2 the background read of the properties is left to the page itself.
    int propertyReads = 0;
    for (const auto& q : r.line.requests()) propertyReads += q.bytes[1] == 0x03 && q.bytes[3] == 0x02;
    EXPECT_EQ(propertyReads, 1);
}
