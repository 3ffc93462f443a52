// Giving the meter a new address or baud rate from the "Setup" frame.
#include "select_rig.h"

#include "common/prompter.h"
#include "shell/comm_form.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

struct SetupRig {
    ProgramRig rig;
    int logins = 0;
    bool loginAnswer = true;
    shell::AddressPanel* panel = nullptr;

    explicit SetupRig(std::vector<std::pair<uint8_t, int>> meters, int timeoutMs = 200) : rig(meters, timeoutMs) {
        rig.app().services().Login = [this] {
            ++logins;
            rig.app().app().LoginOk = loginAnswer;
            return loginAnswer;
        };
        panel = &installSelection(rig);
    }
    QString panelText(int i) { return rig.app().status().panelText(i); }
    QString commDat() { return rig.app().app().AppFolder + "Comm.Dat"; }
    std::size_t countFrames(const std::vector<uint8_t>& head) {
        std::size_t n = 0;
        for (const auto& r : rig.line.requests())
            if (r.bytes.size() >= head.size() && std::equal(head.begin(), head.end(), r.bytes.begin())) ++n;
        return n;
    }
};

} // namespace

TEST(MeterSelectSetup, NewAddressIsWrittenThroughTheSchedulerAndSelected) {
    SetupRig s({{5, 9600}});
    QLineEdit* box = s.rig.mainForm().txtAddress();
    QTest::keyClicks(box, "5");
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_EQ(s.rig.link().MeterAddress, "5");

    QString textAtCheck;
    auto check = s.rig.app().services().txtAddress_LostFocus;
    s.rig.app().services().txtAddress_LostFocus = [&, check] {
        textAtCheck = s.panelText(1);
        check();
    };
    s.panel->txtSetAddress()->setText("7");
    s.rig.ui.answerNext(common::AnswerYes);
    s.panel->cmdSetup(0)->click();
    EXPECT_EQ(s.rig.ui.boxes.back().text, "Do you want to Setup Address ?");
    EXPECT_EQ(s.logins, 1);
    EXPECT_EQ(s.rig.page().PendingAddressAction, 1); // the next tick carries it out

    ASSERT_TRUE(s.rig.waitFor([&] { return s.rig.link().MeterAddress == "7"; }, 5000));
    EXPECT_EQ(s.rig.page().PendingAddressAction, 0);
    EXPECT_EQ(textAtCheck, "Meter Address [7] Setting Ok!");
    EXPECT_EQ(s.countFrames(withCrc({0xFF, 0x10, 0x20, 0x00, 0x00, 0x01, 0x02, 0x00, 0x07})), 1u);
    EXPECT_EQ(s.rig.line.requests().back().bytes, withCrc({7, 3, 0, 0, 0, 2}));
    EXPECT_NE(s.rig.line.meter(7), nullptr);
    EXPECT_EQ(box->text(), "7");
    EXPECT_EQ(s.panel->txtSetAddress()->text(), "7");
    EXPECT_EQ(s.panelText(4), "CRC : 0");
    EXPECT_EQ(s.rig.mainForm().frmSetup()->title(), "Setup");
}

TEST(MeterSelectSetup, AddressChangeIsRefusedDeclinedOrGuarded) {
    SetupRig s({{5, 9600}});
    for (const char* bad : {"300", "abc", "", "0", "2.5"}) {
        s.panel->txtSetAddress()->setText(bad);
        s.rig.ui.answerNext(common::AnswerYes);
        s.panel->cmdSetup(0)->click();
        EXPECT_EQ(s.rig.ui.boxes.back().text, "Meter Address Error(1 - 254) ?") << bad;
    }
    EXPECT_EQ(s.rig.ui.count("Error"), 5);
    EXPECT_TRUE(s.rig.line.requests().empty());
    EXPECT_EQ(s.rig.line.meter(5)->address(), 5);

    // "No": no login, nothing sent.
    s.panel->txtSetAddress()->setText("8");
    const int logins = s.logins;
    s.rig.ui.answerNext(common::AnswerNo);
    s.panel->cmdSetup(0)->click();
    EXPECT_EQ(s.logins, logins);

    // A failed login sends nothing but clears ConfigModified.
    s.loginAnswer = false;
    s.rig.link().ConfigModified = true;
    s.rig.ui.answerNext(common::AnswerYes);
    s.panel->cmdSetup(0)->click();
    EXPECT_FALSE(s.rig.link().ConfigModified);
    EXPECT_TRUE(s.rig.line.requests().empty());
    EXPECT_EQ(s.rig.page().PendingAddressAction, 0);
    EXPECT_TRUE(s.rig.mainForm().frmSetup()->isEnabled());
}

TEST(MeterSelectSetup, BaudChangeIsKeptOnlyWhenTheMeterAnswersAtTheNewRate) {
    SetupRig s({{5, 9600}});
    s.rig.mainForm().cbBaudRate()->setCurrentIndex(4);
    s.rig.ui.answerNext(common::AnswerYes);
    s.panel->cmdSetup(1)->click(); // no meter selected: at once
    EXPECT_TRUE(s.rig.ui.sawText("Do you want to Setup Baud Rate ?"));

    EXPECT_EQ(s.countFrames(withCrc({0xFF, 0x10, 0x20, 0x01, 0x00, 0x01, 0x02, 0x00, 0x04})), 1u);
    const auto last = s.rig.line.requests().back();
    EXPECT_EQ(last.bytes, (std::vector<uint8_t>{0xFF, 0x03, 0x20, 0x00, 0x00, 0x01, 0x9A, 0x14}));
    EXPECT_EQ(last.baud, 19200); // the confirmation at the new rate
    EXPECT_EQ(s.panelText(1), "Meter Baud Rate [19200] Setting Ok!");
    EXPECT_EQ(s.rig.line.lineBaud(), 19200);
    EXPECT_EQ(s.rig.line.meter(5)->baud(), 19200);
    EXPECT_TRUE(s.panelText(3).startsWith("19200,"));
    QFile f(s.commDat());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[1].trimmed(), "4");
    EXPECT_EQ(shell::ensureCommForm(s.rig.app().app())->baudBox()->currentIndex(), 4);
    EXPECT_EQ(s.rig.link().MeterAddress, "xxx");
    EXPECT_TRUE(s.rig.mainForm().txtAddress()->text().isEmpty());
    EXPECT_FALSE(s.rig.app().master().busy());
}

TEST(MeterSelectSetup, UnconfirmedBaudChangePutsEverythingBack) {
    SetupRig s({{5, 9600}});
    // The meter refuses the write that follows its address query.
    bool armed = false;
    s.rig.line.meter(5)->onRead = [&](sim::Meter&, uint16_t start, uint16_t) {
        if (start == 0x2000 && !armed) {
            armed = true;
            s.rig.line.injectFault({sim::Fault::Kind::Exception, 0});
        }
    };
    s.rig.link().RetryLimit = 0;
    s.rig.mainForm().cbBaudRate()->setCurrentIndex(4);
    s.rig.ui.answerNext(common::AnswerYes);
    s.panel->cmdSetup(1)->click();

    ASSERT_FALSE(s.rig.ui.boxes.empty());
    EXPECT_EQ(s.rig.ui.boxes.back().title, "Error");
    EXPECT_EQ(s.rig.ui.boxes.back().text, "Meter Baud Rate [19200] Setting Error!");
    EXPECT_EQ(s.rig.line.lineBaud(), 9600);
    EXPECT_EQ(s.rig.line.meter(5)->baud(), 9600);
    EXPECT_EQ(s.panelText(3), "9600,None,8,1 ");
    EXPECT_EQ(s.rig.mainForm().cbBaudRate()->currentText(), "9600");
    EXPECT_FALSE(QFile::exists(s.commDat()));
    EXPECT_NE(s.panelText(1), "Meter Baud Rate [19200] Setting Ok!");
}

TEST(MeterSelectSetup, FailedBaudSearchLeavesThePortWhereItWas) {
    SetupRig s(std::vector<std::pair<uint8_t, int>>{}, 50);
    s.rig.link().RetryLimit = 0;
    s.rig.mainForm().cbBaudRate()->setCurrentIndex(1);
    s.rig.ui.answerNext(common::AnswerYes);
    s.panel->cmdSetup(1)->click();
    EXPECT_EQ(s.panelText(1), "Communication (1200 - 19200) Error!");
    EXPECT_EQ(s.rig.line.lineBaud(), 9600);
    EXPECT_EQ(s.panelText(3), "9600,None,8,1 ");
    EXPECT_EQ(s.countFrames({0xFF, 0x10}), 0u);
    EXPECT_EQ(s.rig.line.requests().size(), 6u);
    EXPECT_EQ(s.panelText(5), "TO : 0");
}
