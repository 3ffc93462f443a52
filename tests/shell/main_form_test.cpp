// The main window: start-up, the function buttons, page selection and polling.
#include "form_rig.h"
#include "shell_rig.h"

#include "shell/password_forms.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace shell;

namespace {

struct Rig : FormRig {
    std::vector<int> reads; // start registers, in order
    int ended = 0;

    explicit Rig(QSize screen = QSize(1024, 768)) {
        link.ReplyTimeoutMs = 100;
        link.RetryLimit = 0;
        dev.onWrite = [this](const std::vector<uint8_t>& f) {
            if (f.size() < 8 || f[1] != 0x03) return;
            reads.push_back(f[2] << 8 | f[3]);
            answerWithZeros(dev, f);
        };
        svc.EndProgram = [this] { ++ended; };
        makeForm(screen);
    }
    Proc reader(int start) {
        return [this, start] {
            master.SendReadHoldingRegisters(1, start, 2);
        };
    }
    void click(int option) { form->optProgram(option)->click(); }
};

} // namespace

TEST(MainForm, StartsAsANewUserSeesIt) {
    Rig r;
    r.form->show();
    EXPECT_TRUE(r.dev.isOpen(1));
    EXPECT_FALSE(r.link.CommSetupPending);
    EXPECT_EQ(r.link.MeterAddress, "xxx");
    EXPECT_EQ(r.form->cbBaudRate()->currentText(), "9600");
    EXPECT_FALSE(r.form->TCommOnLine().isActive());
    EXPECT_TRUE(r.form->TScannerTime().isActive());
    EXPECT_EQ(r.form->TScannerTime().interval(), 1000);
    EXPECT_EQ(r.form->TCommOnLine().interval(), 300);

    // The menu: 23 options top to bottom in the menu's order, the unused ones hidden.
    int lastY = -1;
    for (int16_t i : MainForm::menuOrder()) {
        QPushButton* opt = r.form->optProgram(i);
        EXPECT_TRUE(opt->isVisible()) << i;
        EXPECT_GT(opt->y(), lastY) << i;
        lastY = opt->y();
    }
    for (int i : {18, 23, 24, 25}) EXPECT_FALSE(r.form->optProgram(i)->isVisible()) << i;
    EXPECT_EQ(r.form->optProgram(17)->text(), "Preset and Reset");
    for (int i = 0; i < 27; ++i) EXPECT_FALSE(r.form->frmProgram(i)->isVisible()) << i;
    EXPECT_FALSE(r.form->cmdFunction(2)->isVisible());

    // "Comm" with no meter: the settings window at once, then the port reopened.
    int shown = 0;
    r.svc.ShowCommForm = [&] {
        ++shown;
        EXPECT_FALSE(r.dev.isOpen(1));
        r.link.Serial.Port = 2;
        r.link.Serial.BaudIndex = r.link.Serial.BaudCode = 13;
    };
    r.link.CrcErrorCount = 4;
    r.form->cmdFunction(1)->click();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(r.dev.isOpen(2));
    EXPECT_EQ(r.status.panelText(2), "COM 2 ");
    EXPECT_EQ(r.status.panelText(3), "19200,None,8,1 ");
    EXPECT_EQ(r.link.CrcErrorCount, 0);
    EXPECT_EQ(r.form->cbBaudRate()->currentText(), "19200");
    EXPECT_TRUE(r.form->cmdFunction(1)->isEnabled());

    // Closing asks first; No leaves everything running.
    r.ui.answerNext(common::AnswerNo);
    EXPECT_FALSE(r.form->close());
    EXPECT_TRUE(r.ui.sawText("Do you want to Exit ?"));
    EXPECT_TRUE(r.dev.isOpen(2));
    r.ui.answerNext(common::AnswerYes);
    EXPECT_TRUE(r.form->close());
    EXPECT_FALSE(r.dev.isOpen(2));
    EXPECT_EQ(r.bar.shown, 1); // shown again even though it was never hidden
    EXPECT_EQ(r.ended, 1);
}

TEST(MainForm, PageSelectionShowsColoursAndQueuesWrites) {
    Rig r;
    r.form->show();
    r.click(5);
    EXPECT_EQ(r.page.PageIndex, 5);
    EXPECT_TRUE(r.page.PageChanged);
    EXPECT_TRUE(r.form->frmProgram(5)->isVisible());
    EXPECT_EQ(r.form->optProgramColour(5), QColor(255, 255, 0));
    EXPECT_TRUE(r.form->TCommOnLine().isActive());

    r.click(17); // Preset and Reset: no polling
    EXPECT_FALSE(r.form->TCommOnLine().isActive());
    EXPECT_FALSE(r.form->frmProgram(5)->isVisible());
    EXPECT_NE(r.form->optProgramColour(5), QColor(255, 255, 0));

    r.meter.MeterVersion = 2.0f;
    r.click(8);
    EXPECT_EQ(r.page.PageIndex, 25);
    EXPECT_TRUE(r.form->frmProgram(25)->isVisible());
    r.click(16);
    EXPECT_EQ(r.page.MappingRequest, 1);

    // Edits on page 2 in the PT/CT group: the first click queues the write and stays.
    r.click(2);
    r.page.PageChanged = false;
    r.page.resetStep(4);
    r.page.SetupModified = true;
    r.page.EditedGroup = 3;
    r.page.Ticks.KeyLockTicks = 0;
    r.click(9);
    EXPECT_EQ(r.page.PageIndex, 2);
    EXPECT_EQ(r.page.PageStep, 3);
    EXPECT_EQ(r.page.Ticks.KeyLockTicks, 10);
    EXPECT_FALSE(r.page.SetupModified);
    EXPECT_FALSE(r.page.PageChanged);
    EXPECT_TRUE(r.form->optProgram(2)->isChecked());
    EXPECT_FALSE(r.form->optProgram(9)->isChecked());
    r.click(9);
    EXPECT_EQ(r.page.PageIndex, 9);
    EXPECT_TRUE(r.page.PageChanged);

    // Closing with edits queues the write instead of asking.
    r.page.PageIndex = 3;
    r.page.resetStep(2);
    r.page.SetupModified = true;
    EXPECT_FALSE(r.form->close());
    EXPECT_EQ(r.page.PageStep, 1);
    EXPECT_FALSE(r.ui.sawText("Do you want to Exit ?"));

    // An address being typed: the click only runs the address check.
    int checks = 0;
    r.svc.txtAddress_LostFocus = [&] { ++checks; };
    r.page.AddressEdited = true;
    r.click(0);
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(r.page.PageIndex, 3);
    EXPECT_FALSE(r.form->optProgram(0)->isChecked());
}

TEST(MainForm, PollsTheSelectedMeterByPage) {
    Rig r;
    r.form->show();
    r.page.Ticks.KeyLockTicks = 0; // keep the background reads out of this log
    r.page.Ticks.RefreshTicks = 1;
    int asked = 0;
    // Page 5 stands in: step 0 reads its block, step 1 is its write.
    struct Page5 : shell::Page {
        Proc read, write;
        int16_t index() const override { return 5; }
        QWidget* widget() override { return nullptr; }
        bool hasStepWork() const override { return true; }
        void runStep(int16_t step) override {
            if (step == 0) read();
            else if (step == 1) write();
        }
    } page5;
    page5.read = r.reader(0x2060);
    page5.write = [&] { ++asked; };
    r.form->registerPage(page5);
    bool clicked = false;
    r.svc.ReadInstantAndEnergy = [&] {
        r.reader(0x0100)();
        if (!clicked) {
            clicked = true;
            r.click(5); // a page change while the tick waits
            EXPECT_FALSE(r.form->TCommOnLine().isActive());
            QTest::qWait(400);
        }
    };
    r.click(0);
    r.form->selectMeterForTest("1");
    EXPECT_TRUE(r.form->cmdFunction(2)->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.reads.size() >= 2; }, 3000));
    EXPECT_EQ(r.reads[0], 0x0100);
    EXPECT_EQ(r.reads[1], 0x2060); // the new page at step 0, one tick later
    EXPECT_EQ(r.form->scheduler().tickCount(), 2);

    // A modified page queues its write and the next tick asks for it.
    r.page.resetStep(2);
    r.page.SetupModified = true;
    r.click(0);
    EXPECT_EQ(r.page.PageIndex, 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked == 1; }, 2000));
}

TEST(MainForm, CommWaitsForTheRunningExchange) {
    Rig r;
    r.form->show();
    r.page.Ticks.KeyLockTicks = 0;
    int shown = 0;
    bool openDuringTick = false;
    r.svc.ShowCommForm = [&] {
        ++shown;
        openDuringTick = r.master.exchangeOutstanding();
    };
    bool pressed = false;
    r.svc.ReadInstantAndEnergy = [&] {
        if (!pressed) {
            pressed = true;
            r.form->cmdFunction(1)->click(); // while the tick's page work runs
            EXPECT_EQ(shown, 0);
            EXPECT_FALSE(r.form->cmdFunction(1)->isEnabled());
        }
        r.reader(0x0100)();
        EXPECT_TRUE(r.dev.isOpen(1));
    };
    r.click(0);
    r.form->selectMeterForTest("1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown == 1; }, 3000));
    EXPECT_FALSE(openDuringTick);
    EXPECT_TRUE(r.dev.isOpen(1)); // reopened by the activation
    EXPECT_TRUE(r.form->cmdFunction(1)->isEnabled());
}

TEST(MainForm, TheLoginWindowClosingRunsTheActivationWork) {
    Rig r;
    r.form->show();
    shell::AppState app;
    r.link.CrcErrorCount = 3;
    r.link.TimeoutCount = 2;
    r.status.setPanelText(1, "Meter [1] Setting Demand Ok!");
    r.status.setPanelText(4, "CRC : 3");
    whenShown<PasswordForm>([](PasswordForm* p) { p->reject(); });
    EXPECT_FALSE(runLogin(app, r.form.get()));
    EXPECT_EQ(r.link.CrcErrorCount, 0);
    EXPECT_EQ(r.link.TimeoutCount, 0);
    EXPECT_EQ(r.status.panelText(1), "");
    EXPECT_EQ(r.status.panelText(4), "CRC : 0");
    EXPECT_EQ(r.status.panelText(5), "TO : 0");
}
