#include "program_rig.h"
#include "shell_rig.h"
#include "sim_meter.h"

#include "shell/address_panel.h"
#include "shell/password_forms.h"
#include "shell/save_config.h"

#include "link/modbus_master.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace shell;

namespace {

void loginWhenAsked(const QString& name, const QString& password) {
    whenShown<PasswordForm>([name, password](PasswordForm* p) {
        p->nameBox()->setText(name);
        p->passwordBox()->setText(password);
        p->okButton()->click();
    });
}

} // namespace

TEST(SaveConfig, FrameForMeterOne) {
    const auto f = saveConfigFrame(1);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.end()),
              (std::vector<uint8_t>{0x01, 0x71, 0x89, 0x21, 0x00, 0x0F, 0x47, 0x93}));
    EXPECT_EQ(saveConfigFrame(247)[0], 247);
}

TEST(SaveConfig, BothCallersKeepTheReminderOfAFailedSave) {
    ProgramRig rig;
    installMeterSelection(rig.app());
    int offers = 0;
    rig.app().services().SaveMeterConfig = [&] { ++offers; }; // fails: the flag stays as it is
    rig.showMainWindow();
    MainForm& form = rig.mainForm();
    form.selectMeterForTest("1");
    form.scheduler().disable(); // no tick holds the link when the offers come
    rig.page().AddressEdited = false;
    rig.link().ConfigModified = true;

    rig.app().services().txtAddress_LostFocus(); // the address box left unchanged: the meter stays
    EXPECT_EQ(offers, 1);
    EXPECT_TRUE(rig.link().ConfigModified);

    rig.ui.answerNext(common::AnswerNo); // "Exit", then "No" to the exit
    form.cmdFunction(0)->click();
    EXPECT_EQ(offers, 2);
    EXPECT_TRUE(rig.link().ConfigModified);

    form.cmdFunction(2)->click(); // "Off Line": one offer on the way out, then no reminder
    EXPECT_EQ(offers, 3);
    EXPECT_FALSE(rig.link().ConfigModified);
    EXPECT_EQ(rig.link().MeterAddress, "xxx");
}

TEST(SaveConfig, DeclinedSavedOrFailedAgainstTheMeter) {
    ShellRig r;
    sim::SimLine line;
    ASSERT_TRUE(line.start());
    sim::Meter& meter = line.addMeter(1, 9600);
    ASSERT_TRUE(line.linkAs((r.dir.path() + "/com1").toStdString()));
    const std::string folder = r.dir.path().toStdString();
    auto dev = platform::makePosixSerialDevice([folder](int n) { return platform::resolvePortInFolder(folder, n); });
    rtu::MemoryStatus status;
    rtu::LinkState& st = r.app.link;
    rtu::ModbusMaster master(st, *dev, status);
    st.MeterAddress = "1";
    st.RetryLimit = 0;
    st.ReplyTimeoutMs = 300;
    ASSERT_TRUE(master.OpenCommPort());
    master.applyTimerIntervals();

    // "No": nothing sent, no login window.
    r.ui.answerNext(common::AnswerNo);
    EXPECT_EQ(SaveMeterConfig(r.app, master), SaveConfigResult::Declined);
    EXPECT_EQ(line.requests().size(), 0u);
    EXPECT_EQ(r.app.ConfirmAnswer, common::AnswerNo);
    ASSERT_FALSE(r.ui.boxes.empty());
    EXPECT_EQ(r.ui.boxes[0].text, "Do you want to Save Config ?");

    // Yes, logged in: the frame reaches the meter, which stores its settings.
    r.ui.answerNext(common::AnswerYes);
    loginWhenAsked("MORLIX", "MORLIX");
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(SaveMeterConfig(r.app, master), SaveConfigResult::Saved);
    EXPECT_GE(t.elapsed(), 4900);
    ASSERT_EQ(line.requests().size(), 1u);
    EXPECT_EQ(line.requests()[0].bytes, (std::vector<uint8_t>{0x01, 0x71, 0x89, 0x21, 0x00, 0x0F, 0x47, 0x93}));
    EXPECT_EQ(meter.saveCount(), 1);

    // A silent meter: the error box.
    line.injectFault({sim::Fault::Kind::Silence, 0});
    r.ui.boxes.clear();
    r.ui.answerNext(common::AnswerYes);
    loginWhenAsked("MORLIX", "MORLIX");
    EXPECT_EQ(SaveMeterConfig(r.app, master), SaveConfigResult::Failed);
    EXPECT_TRUE(r.ui.sawText("Meter [1] Save Config Error!"));
    EXPECT_EQ(r.ui.count("Error"), 1);
    EXPECT_EQ(r.ui.count("Warning"), 0); // one box per failure
    EXPECT_TRUE(st.ConfigModified);
    master.CloseCommPort();
}
