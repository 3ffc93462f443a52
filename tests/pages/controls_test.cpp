// A value the program shows in a box is shown whole whatever the box lets a person
// type, and a read leaves a control alone once the person has edited it during the
// page work under way.
#include "common/app_state.h"
#include "pages/controls.h"
#include "pages/setup_context.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace pages;

TEST(PageControls, AReadValueLongerThanTheTypingLimitIsShownWholeAndTypingIsLimitedAgain) {
    QWidget parent;
    QLineEdit* e = makeEntry(&parent, QStringLiteral("txtSimulation"), QStringLiteral("15"), 4, 0, 0, 1200);
    common::PageState page;
    EXPECT_TRUE(controls::showRead(page, e, QStringLiteral("65535")));
    EXPECT_EQ(e->text(), "65535");
    e->selectAll();
    QTest::keyClicks(e, "123456");
    EXPECT_EQ(e->text(), "1234");
}

TEST(PageControls, AReadLeavesWhatThePersonEditedDuringTheWorkUnderWay) {
    QWidget parent;
    QLineEdit* e = makeEntry(&parent, QStringLiteral("txtSPP_0"), QStringLiteral("0"), 0, 0, 0, 1200);
    QComboBox* c = makeList(&parent, QStringLiteral("cbSPRelay"), 0, 400, 1200);
    c->addItems({"Relay 1", "Relay 2"});
    common::PageState page;
    watchPersonEdits(page, e);
    watchPersonEdits(page, c);
    page.serveAsks(); // a tick's page work begins
    e->selectAll();
    QTest::keyClicks(e, "135");
    EXPECT_TRUE(page.SetupModified);
    EXPECT_FALSE(controls::showRead(page, e, QStringLiteral("120")));
    EXPECT_TRUE(controls::showRead(page, c, 1)); // not edited: the meter's value
    EXPECT_EQ(e->text(), "135");
    EXPECT_EQ(c->currentIndex(), 1);
    // The next page work's read shows the meter's value again.
    page.serveAsks();
    EXPECT_TRUE(controls::showRead(page, e, QStringLiteral("120")));
    EXPECT_EQ(e->text(), "120");
}
