#include "shell_rig.h"

#include "shell/comm_form.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace shell;

TEST(CommForm, NewUserSeesDefaultsAndOkWritesTheFileAndOpensTheMainWindow) {
    ShellRig r;
    QPointer<CommForm> f = ensureCommForm(r.app);
    EXPECT_EQ(f->windowTitle(), "Setting Communication - PC Tool Ver : 1.0.0.KD4170 PC Tool");
    for (QComboBox* c : {f->portBox(), f->baudBox(), f->stopBitsBox(), f->lineBox()})
        EXPECT_FALSE(c->isEditable());
    EXPECT_EQ(f->portBox()->itemText(255), "COM256");
    EXPECT_TRUE(f->loadingBox()->isHidden());
    EXPECT_EQ(f->choices(), CommChoices{});
    EXPECT_EQ(r.app.link.ReplyTimeoutMs, 500); // the load does not apply

    f->show();
    f->lineBox()->setCurrentIndex(1);
    f->okButton()->click();
    EXPECT_EQ(r.readCommDat(), " 0\r\n 3\r\n 0\r\n 1\r\n3000\r\n30\r\n1\r\n");
    EXPECT_EQ(r.mainShown, 1);
    EXPECT_EQ(r.app.link.ReplyTimeoutMs, 3000);
    EXPECT_TRUE(r.app.link.EchoSkip);
    EXPECT_TRUE(r.app.commForm.isNull());
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.isNull(); }, 1000));
    EXPECT_TRUE(r.ui.boxes.empty());
}

TEST(CommForm, BadFileShowsWhatWasReadAndOkRewritesAllLines) {
    ShellRig r;
    r.writeCommDat(" 2\r\n 7\r\n 1\r\n");
    CommForm* f = ensureCommForm(r.app);
    EXPECT_EQ(f->portBox()->currentText(), "COM3");
    EXPECT_EQ(f->baudBox()->currentText(), "9600");
    EXPECT_EQ(f->stopBitsBox()->currentText(), "1");
    QPointer<CommForm> gone = f;
    f->okButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return gone.isNull(); }, 1000));
    EXPECT_EQ(r.readCommDat(), " 2\r\n 3\r\n 0\r\n 0\r\n3000\r\n30\r\n1\r\n");
}

TEST(CommForm, TimeoutBoxTakesDigitsAndRaisesValuesBelowTheFloorOnLeaving) {
    ShellRig r;
    r.writeCommDat(" 0\r\n 3\r\n 0\r\n 0\r\n1000\r\n30\r\n1\r\n");
    CommForm* f = ensureCommForm(r.app);
    QLineEdit* box = f->timeoutBox();
    EXPECT_EQ(box->text(), "1000"); // from the file it stays until the box is left
    EXPECT_EQ(box->maxLength(), 4);
    EXPECT_EQ(f->repeatBox()->maxLength(), 3);

    auto leave = [&](const QString& text) {
        box->setText(text);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(box, &out);
        return box->text();
    };
    EXPECT_EQ(leave(""), "3000");
    EXPECT_EQ(leave("2999"), "3000");
    EXPECT_EQ(leave("3000"), "3000");

    int pos = 0;
    QString typed = "12a";
    EXPECT_EQ(box->validator()->validate(typed, pos), QValidator::Invalid);
    delete f;
}

TEST(CommForm, CloseBoxAppliesWithoutWritingAndExitAsksFirst) {
    ShellRig r;
    CommForm* f = ensureCommForm(r.app);
    f->show();
    f->portBox()->setCurrentIndex(4);
    QPointer<CommForm> closed = f;
    f->close();
    EXPECT_EQ(r.app.link.Serial.Port, 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed.isNull(); }, 1000));
    EXPECT_FALSE(QFile::exists(r.commDat()));
    EXPECT_EQ(r.mainShown, 0);

    f = ensureCommForm(r.app);
    f->show();
    r.ui.answerNext(common::AnswerNo);
    f->exitButton()->click();
    ASSERT_EQ(r.ui.boxes.size(), 1u);
    EXPECT_EQ(r.ui.boxes[0].text, "Do you want to Exit ?");
    EXPECT_EQ(r.app.ConfirmAnswer, common::AnswerNo);
    EXPECT_EQ(r.quits, 0);
    EXPECT_TRUE(f->isVisible());

    // At start-up Yes ends the program; with a main window its ordered shutdown runs.
    r.ui.answerNext(common::AnswerYes);
    f->exitButton()->click();
    EXPECT_EQ(r.quits, 1);
    int shutdowns = 0;
    r.app.shutdown = [&] { ++shutdowns; };
    r.ui.answerNext(common::AnswerYes);
    f->exitButton()->click();
    EXPECT_EQ(shutdowns, 1);
    EXPECT_EQ(r.quits, 1);
    EXPECT_FALSE(QFile::exists(r.commDat()));
    delete f;
}

TEST(CommForm, FailedWriteWarnsAndStillApplies) {
    ShellRig r;
    r.app.AppFolder = r.dir.path() + "/missing/";
    QPointer<CommForm> f = ensureCommForm(r.app);
    f->show();
    f->baudBox()->setCurrentIndex(4);
    f->okButton()->click();
    ASSERT_EQ(r.ui.boxes.size(), 1u);
    EXPECT_EQ(r.ui.boxes[0].title, "Warning");
    EXPECT_EQ(r.app.link.Serial.BaudIndex, 13);
    EXPECT_EQ(r.mainShown, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.isNull(); }, 1000));
}

TEST(CommForm, MainWindowRewriteChangesOnlyTheBaudLine) {
    ShellRig r;
    r.writeCommDat(" 6\r\n 1\r\n 1\r\n 1\r\n5000\r\n25\r\n4\r\n");
    EXPECT_TRUE(MainFormSaveCommSettings(r.app, 4));
    EXPECT_EQ(r.readCommDat(), " 6\r\n 4\r\n 1\r\n 1\r\n5000\r\n25\r\n4\r\n");
    // The settings window stays loaded, hidden, for its next showing.
    ASSERT_FALSE(r.app.commForm.isNull());
    EXPECT_FALSE(r.app.commForm->isVisible());
    EXPECT_EQ(ensureCommForm(r.app), r.app.commForm.data());
    delete r.app.commForm.data();
}
