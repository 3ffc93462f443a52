// The mechanics every page shares: encodings, frames, decoders, entry
// checks and the confirmed write's step rules.
#include "program_rig.h"

#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"

#include <QLineEdit>
#include <gtest/gtest.h>
#include <limits>

using namespace pages;

TEST(PageFramework, EncodingRoundsFirstAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(encodeTenths(25.599), 256); // not 0: the rounding carries into the high byte
    EXPECT_EQ(encodeTenths(5000), 50000);
    EXPECT_EQ(encodeRegister(0.5), 0); // halves to even
    EXPECT_EQ(encodeRegister(2.5), 2);
    EXPECT_EQ(encodeRegister(65535.4), 65535);
    EXPECT_EQ(encodeRegister(-0.4), 0);
    EXPECT_FALSE(encodeRegister(65535.5));
    EXPECT_FALSE(encodeRegister(-1));
    EXPECT_FALSE(encodeRegister(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(encodeTenths(6553.6));

    ScriptedPrompter ui;
    ScopedPrompter scope(ui);
    EXPECT_FALSE(encodeOrReport(encodeRegister(70000), "Range!"));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Range!");

    EXPECT_EQ(buildWriteFrame(1, FnWriteRegisters, 0x200A, {125, 1000, 0}),
              (std::vector<uint8_t>{1, 0x10, 0x20, 0x0A, 0x00, 0x03, 0x06, 0x00, 0x7D, 0x03, 0xE8, 0x00, 0x00}));
    EXPECT_EQ(buildWriteFrame(7, FnVendorWrite, 0x2014, {1}),
              (std::vector<uint8_t>{7, 0x70, 0x20, 0x14, 0x00, 0x01, 0x02, 0x00, 0x01}));
}

TEST(PageFramework, DecodersAndEditMarks) {
    EXPECT_EQ(listIndexFor(4, 4), 4); // the second argument is the last index
    EXPECT_EQ(listIndexFor(5, 4), 0);
    EXPECT_EQ(listIndexFor(-1, 4), 0);
    EXPECT_EQ(optionChoiceFor(2, 1).option, 0);
    EXPECT_EQ(optionChoiceFor(2, 1).tag, "2");
    EXPECT_EQ(optionChoiceFor(1, 1).option, 1);

    common::PageState page;
    page.Refreshing = true;
    markModified(page, 2);
    EXPECT_FALSE(page.SetupModified);
    EXPECT_EQ(page.EditedGroup, 0);
    page.Refreshing = false;
    markModified(page, 2);
    markModified(page);
    EXPECT_TRUE(page.SetupModified);
    EXPECT_EQ(page.EditedGroup, 2);
}

TEST(PageFramework, EntryChecksOfBothShapes) {
    ScriptedPrompter ui;
    ScopedPrompter scope(ui);
    EXPECT_TRUE(isNumericEntry(" 12.5"));
    EXPECT_TRUE(isNumericEntry("-3"));
    EXPECT_FALSE(isNumericEntry("12abc"));
    EXPECT_FALSE(isNumericEntry(""));
    EXPECT_FALSE(isNumericEntry("inf"));

    QLineEdit field;
    const CombinedCheck combined{1, 60, "Demand Period > (60) or Demand Period < (1)", "15"};
    field.setText("61");
    EXPECT_EQ(checkEntry(&field, combined), EntryResult::OutOfRange);
    EXPECT_EQ(field.text(), "15");
    EXPECT_EQ(ui.boxes.back().text, combined.rangeMessage);
    field.setText("x");
    EXPECT_EQ(checkEntry(&field, combined), EntryResult::NotNumeric);
    EXPECT_EQ(ui.boxes.back().text, "Data Key In Error!");
    EXPECT_EQ(field.text(), "15");
    field.setText("60");
    EXPECT_EQ(checkEntry(&field, combined), EntryResult::Ok);
    EXPECT_EQ(ui.beeps, 0);

    const SeparateCheck separate{1, 5000, "1"};
    const size_t boxes = ui.boxes.size();
    field.setText("0");
    EXPECT_EQ(checkEntry(&field, separate), EntryResult::OutOfRange);
    EXPECT_EQ(ui.boxes.back().text, "< (Low Limit)");
    EXPECT_EQ(field.text(), "0"); // the typed value stays
    field.setText("5001");
    EXPECT_EQ(checkEntry(&field, separate), EntryResult::OutOfRange);
    EXPECT_EQ(ui.boxes.back().text, "> (High Limit)");
    EXPECT_EQ(ui.beeps, 2);
    field.setText("abc");
    checkEntry(&field, separate);
    EXPECT_EQ(field.text(), "1");
    EXPECT_EQ(ui.boxes.size(), boxes + 3);
    for (const auto& b : ui.boxes) EXPECT_EQ(b.title, "Error");
}

TEST(PageFramework, ConfirmedWriteFollowsItsStepRules) {
    ProgramRig rig;
    rig.showMainWindow();
    rig.link().MeterAddress = "1";
    const SetupContext ctx = setupContext(rig.app());
    bool loginOk = true;
    int logins = 0;
    rig.app().services().Login = [&] {
        ++logins;
        rig.app().app().LoginOk = loginOk;
        return loginOk;
    };
    int stepAtQuestion = -1;
    rig.ui.onMessage = [&](const ScriptedPrompter::Box&) {
        stepAtQuestion = rig.page().PageStep;
        return 0;
    };
    ConfirmedWrite w;
    w.idleStep = 1;
    w.action = "Setup Demand";
    w.resultWords = "Setting Demand";
    w.function = FnVendorWrite;
    w.firstRegister = 0x2020;
    w.values = [] { return std::optional<std::vector<uint16_t>>({60, 1, 0}); };
    auto writes = [&] {
        int n = 0;
        for (const auto& q : rig.line.requests()) n += q.bytes[1] == 0x70;
        return n;
    };

    rig.page().resetStep(2);
    rig.ui.answerNext(common::AnswerNo);
    EXPECT_EQ(runConfirmedWrite(ctx, w), WriteOutcome::Declined);
    EXPECT_EQ(stepAtQuestion, 1);
    EXPECT_EQ(rig.ui.boxes.back().text, "Do you want to Setup Demand ?");
    EXPECT_EQ(rig.ui.boxes.back().title, "ReCheck !");
    EXPECT_EQ(rig.page().PageStep, 0);
    EXPECT_EQ(logins, 0);

    loginOk = false;
    rig.ui.answerNext(common::AnswerYes);
    EXPECT_EQ(runConfirmedWrite(ctx, w), WriteOutcome::LoginRefused);
    EXPECT_EQ(rig.page().PageStep, 1);
    EXPECT_EQ(writes(), 0);

    loginOk = true;
    rig.ui.answerNext(common::AnswerYes);
    EXPECT_EQ(runConfirmedWrite(ctx, w), WriteOutcome::Done);
    EXPECT_EQ(rig.page().PageStep, 0);
    EXPECT_EQ(rig.app().status().panelText(1), "Meter [1] Setting Demand Ok!");
    EXPECT_EQ(writes(), 1);
    EXPECT_EQ(rig.line.registerValue(1, 0x2020), 60);
    EXPECT_EQ(rig.app().app().ConfirmAnswer, common::AnswerYes);

    rig.line.injectFault({sim::Fault::Kind::Silence});
    rig.line.injectFault({sim::Fault::Kind::Silence});
    rig.ui.answerNext(common::AnswerYes);
    EXPECT_EQ(runConfirmedWrite(ctx, w), WriteOutcome::Failed);
    EXPECT_EQ(rig.page().PageStep, 1);
    EXPECT_EQ(rig.ui.boxes.back().text, "Meter [1] Setting Demand Error!");
    EXPECT_EQ(rig.ui.boxes.back().title, "Error");

    // Refused values: nothing asked, nothing sent, the idle step stays.
    const size_t boxes = rig.ui.boxes.size();
    w.values = [] { return std::optional<std::vector<uint16_t>>(); };
    EXPECT_EQ(runConfirmedWrite(ctx, w), WriteOutcome::Refused);
    EXPECT_EQ(rig.ui.boxes.size(), boxes);
    EXPECT_EQ(rig.page().PageStep, 1);
}

TEST(PageFramework, ConfirmedCoilCommandAlwaysReturnsToStepZero) {
    ProgramRig rig;
    rig.link().RetryLimit = 0;
    rig.showMainWindow();
    rig.link().MeterAddress = "1";
    const SetupContext ctx = setupContext(rig.app());
    bool login = false;
    rig.app().services().Login = [&] {
        rig.app().app().LoginOk = login;
        return login;
    };
    auto attempt = [&](int answer) {
        rig.page().resetStep(3);
        rig.ui.answerNext(answer);
        const bool done = runConfirmedCoilCommand(ctx, 27, "Reset TOU Count");
        EXPECT_EQ(rig.page().PageStep, 0);
        return done;
    };
    EXPECT_FALSE(attempt(common::AnswerNo));
    EXPECT_TRUE(rig.ui.sawText("Do you want to Reset TOU Count ?"));
    EXPECT_FALSE(attempt(common::AnswerYes)); // login refused
    EXPECT_TRUE(rig.line.meter(1)->coilLog().empty());

    login = true;
    EXPECT_TRUE(attempt(common::AnswerYes));
    EXPECT_EQ(rig.line.meter(1)->coilLog(), (std::vector<uint16_t>{27}));
    EXPECT_EQ(rig.app().status().panelText(1), "Meter [1] Reset TOU Count Ok!");

    rig.line.injectFault({sim::Fault::Kind::Silence, 0});
    EXPECT_FALSE(attempt(common::AnswerYes));
    EXPECT_EQ(rig.ui.boxes.back().title, "Error");
    EXPECT_EQ(rig.ui.boxes.back().text, "Meter [1] Reset TOU Count Error!");
}
