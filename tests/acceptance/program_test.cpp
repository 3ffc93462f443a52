// The whole program against the simulated meter, driven as a technician would.
#include "program_rig.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(Program, MainWindowOpensThePortAndShowsTheLine) {
    ProgramRig rig;
    rig.showMainWindow();
    EXPECT_TRUE(rig.link().PortOpen);
    EXPECT_EQ(rig.app().status().panelText(2), "COM 1 ");
    EXPECT_EQ(rig.app().status().panelText(3), "9600,None,8,1 ");
    EXPECT_EQ(rig.app().status().panelText(4), "CRC : 0");
    EXPECT_EQ(rig.app().status().panelText(5), "TO : 0");
    // While no meter is selected the caption blinks and nothing is sent.
    EXPECT_TRUE(rig.waitFor([&] { return rig.mainForm().windowTitle().contains("Off Line"); }, 2500));
    EXPECT_TRUE(rig.line.requests().empty());
}
