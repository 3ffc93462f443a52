// The address scan, its stop, the found list with paging, and picking a found meter.
#include "select_rig.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <numeric>

namespace {

void setRange(shell::AddressPanel& panel, const QString& from, const QString& to) {
    panel.txtGroup(0)->setText(from);
    panel.txtGroup(1)->setText(to);
}

std::vector<QString> captions(shell::AddressPanel& panel) {
    std::vector<QString> c;
    for (int i = 0; i < shell::AddressPanel::FoundButtons; ++i) c.push_back(panel.optAddress(i)->text());
    return c;
}

// The page of found-address captions: these addresses, then "xxx".
std::vector<QString> foundPage(std::vector<int> addresses) {
    std::vector<QString> c(shell::AddressPanel::FoundButtons, "xxx");
    for (size_t i = 0; i < addresses.size(); ++i) c[i] = QString("%1").arg(addresses[i], 3, 10, QChar('0'));
    return c;
}

std::vector<int> range(int from, int to) {
    std::vector<int> r(size_t(to - from + 1));
    std::iota(r.begin(), r.end(), from);
    return r;
}

std::vector<int> probedAddresses(const ProgramRig& rig) {
    std::vector<int> a;
    for (const auto& r : rig.line.requests()) a.push_back(r.bytes.at(0));
    return a;
}

} // namespace

TEST(MeterSelectScan, ScanListsExactlyTheMetersInTheRange) {
    ProgramRig rig({{3, 9600}, {11, 9600}, {27, 9600}, {40, 9600}}, 60);
    rig.link().RetryLimit = 0;
    shell::AddressPanel& panel = installSelection(rig);
    setRange(panel, "030", "001"); // the bounds are put in order

    bool progressSeen = false, lockedSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (rig.app().status().panelText(1).startsWith("Scan Meter Address (001-030) : ")) progressSeen = true;
        if (panel.scanRunning() && !rig.mainForm().Frame1(0)->isEnabled() && !panel.cmdGroup()->isEnabled() &&
            !panel.cmdScan()->isHidden() && rig.mainForm().frmSetup()->isHidden() && rig.app().master().busy())
            lockedSeen = true;
    });
    watch.start(5);
    panel.cmdGroup()->click();
    watch.stop();

    EXPECT_TRUE(progressSeen);
    EXPECT_TRUE(lockedSeen);
    std::vector<int> expected;
    for (int x = 1; x <= 30; ++x) expected.insert(expected.end(), (x == 3 || x == 11 || x == 27) ? 1 : 3, x);
    EXPECT_EQ(probedAddresses(rig), expected);
    EXPECT_EQ(rig.line.requests().at(0).bytes, withCrc({1, 3, 0, 0, 0, 2}));
    EXPECT_EQ(captions(panel), foundPage({3, 11, 27}));
    EXPECT_TRUE(panel.optAddress(2)->isEnabled());
    EXPECT_FALSE(panel.optAddress(3)->isEnabled());
    EXPECT_EQ(panel.AddressFound()[3], -1);
    EXPECT_EQ(panel.AddressFound()[4], 0);
    EXPECT_EQ(panel.AddressFound()[40], 0); // outside the range
    EXPECT_EQ(rig.link().MeterAddress, "xxx");
    EXPECT_TRUE(panel.cmdGroup()->isEnabled());
    EXPECT_TRUE(panel.cmdScan()->isHidden());
    EXPECT_FALSE(rig.mainForm().frmSetup()->isHidden());
    EXPECT_TRUE(rig.mainForm().Frame1(0)->isEnabled());
    EXPECT_FALSE(rig.app().master().busy());
    EXPECT_FALSE(rig.mainForm().scheduler().enabled());

    // The "Address" frame keeps the list, the "Group" frame empties it; the flags stay.
    panel.Frame1_Click(1);
    EXPECT_EQ(captions(panel)[1], "011");
    panel.Frame1_Click(0);
    EXPECT_EQ(captions(panel)[1], "xxx");
    EXPECT_FALSE(panel.optAddress(0)->isEnabled());
    EXPECT_EQ(panel.AddressFound()[11], -1);
}

TEST(MeterSelectScan, StopEndsTheScanAfterTheCurrentAddress) {
    ProgramRig rig({{2, 9600}, {9, 9600}}, 60);
    rig.link().RetryLimit = 0;
    shell::AddressPanel& panel = installSelection(rig);
    setRange(panel, "001", "254");

    bool stopped = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (stopped) return;
        for (const auto& r : rig.line.requests())
            if (r.bytes.at(0) == 5) {
                stopped = true;
                panel.cmdScan()->click();
                break;
            }
    });
    watch.start(2);
    panel.cmdGroup()->click();
    watch.stop();

    ASSERT_TRUE(stopped);
    const auto probed = probedAddresses(rig);
    EXPECT_EQ(probed.back(), 5);
    EXPECT_EQ(std::count(probed.begin(), probed.end(), 5), 1); // no further pass after the stop
    EXPECT_EQ(captions(panel), foundPage({2}));
    // Three silent addresses of three passes each; the stopped exchange is not counted.
    EXPECT_EQ(rig.link().TimeoutCount, 9);
    EXPECT_TRUE(panel.cmdScan()->isHidden());
    EXPECT_TRUE(panel.cmdGroup()->isEnabled());
    EXPECT_EQ(rig.link().MeterAddress, "xxx");
}

TEST(MeterSelectScan, SilentAddressCostsThreePassesOfRetryLimitPlusOne) {
    ProgramRig rig(std::vector<std::pair<uint8_t, int>>{}, 50);
    rig.link().RetryLimit = 1;
    shell::AddressPanel& panel = installSelection(rig);
    setRange(panel, "007", "007");
    panel.cmdGroup()->click();
    const auto requests = rig.line.requests();
    ASSERT_EQ(requests.size(), 6u);
    for (const auto& r : requests) EXPECT_EQ(r.bytes, withCrc({7, 3, 0, 0, 0, 2}));
    EXPECT_EQ(panel.AddressFound()[7], 0);
}

TEST(MeterSelectScan, RangeBoxesAreCheckedAndFormatted) {
    ProgramRig rig(std::vector<std::pair<uint8_t, int>>{});
    shell::AddressPanel& panel = installSelection(rig);
    panel.txtGroup(0)->setText("7.6");
    panel.txtGroup_LostFocus(0);
    EXPECT_EQ(panel.txtGroup(0)->text(), "008");
    EXPECT_TRUE(rig.ui.boxes.empty());
    for (const char* bad : {"255", "0", "abc"}) {
        panel.txtGroup(1)->setText(bad);
        panel.txtGroup_LostFocus(1);
        EXPECT_EQ(panel.txtGroup(1)->text(), "001") << bad;
    }
    EXPECT_EQ(rig.ui.count("Error"), 3);
    EXPECT_TRUE(rig.ui.sawText("Address > (254) or Address < (001)"));
}

TEST(MeterSelectScan, PagingOverTwentyFiveFoundMeters) {
    std::vector<std::pair<uint8_t, int>> meters;
    for (int a = 10; a <= 34; ++a) meters.push_back({uint8_t(a), 9600});
    ProgramRig rig(meters, 100);
    shell::AddressPanel& panel = installSelection(rig);
    setRange(panel, "010", "034");
    panel.cmdGroup()->click();

    EXPECT_EQ(captions(panel), foundPage(range(10, 29)));
    panel.cmdAddress_Click(0); // nothing was found below 10
    EXPECT_EQ(captions(panel), foundPage(range(10, 29)));

    // Select meter 31, which is not on the first page.
    rig.mainForm().txtAddress()->setText("031");
    panel.txtAddress_LostFocus();
    ASSERT_EQ(rig.link().MeterAddress, "031");
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(panel.optAddressHighlighted(i));
    const std::size_t sent = rig.line.requests().size();

    panel.cmdAddress_Click(1);
    EXPECT_EQ(captions(panel), foundPage(range(30, 34)));
    EXPECT_FALSE(panel.optAddress(5)->isEnabled());
    // The selected meter's button is marked without probing it again.
    EXPECT_TRUE(panel.optAddressHighlighted(1));
    EXPECT_TRUE(panel.optAddress(1)->isChecked());
    EXPECT_EQ(rig.line.requests().size(), sent);
    EXPECT_EQ(rig.link().MeterAddress, "031");

    panel.cmdAddress_Click(1); // the page is not full: nothing
    EXPECT_EQ(captions(panel), foundPage(range(30, 34)));
    panel.cmdAddress_Click(0);
    EXPECT_EQ(captions(panel), foundPage(range(10, 29)));

    // A click on another found meter selects it.
    panel.optAddress(3)->click();
    EXPECT_EQ(rig.link().MeterAddress, "013");
    EXPECT_EQ(rig.mainForm().txtAddress()->text(), "013");
    EXPECT_TRUE(panel.optAddressHighlighted(3));
    EXPECT_FALSE(panel.optAddressHighlighted(1));
    EXPECT_EQ(panel.highlightedButton(), 3);
    EXPECT_EQ(rig.line.requests().back().bytes, withCrc({13, 3, 0, 0, 0, 2}));
}

TEST(MeterSelectScan, TheStopButtonShowsItsWholeCaption) {
    ProgramRig rig(std::vector<std::pair<uint8_t, int>>{});
    QPushButton* stop = installSelection(rig).cmdScan();
    stop->show();
    const QImage shown = stop->grab().toImage();
    const QString caption = stop->text();
    stop->setText(QString());
    const QImage blank = stop->grab().toImage();
    stop->setText(caption);
    EXPECT_EQ(caption, "Stop   Scan   Meter");

    // The caption's ink: its lines of text, and whether any reaches the button's edge.
    int lines = 0, left = shown.width(), right = -1;
    bool inLine = false;
    for (int y = 0; y < shown.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < shown.width(); ++x) {
            if (shown.pixel(x, y) == blank.pixel(x, y)) continue;
            ink = true;
            left = std::min(left, x);
            right = std::max(right, x);
        }
        lines += ink && !inLine;
        inLine = ink;
    }
    EXPECT_EQ(lines, 3); // "Stop", "Scan", "Meter"
    EXPECT_GT(left, 0);
    EXPECT_LT(right, shown.width() - 1);
}
