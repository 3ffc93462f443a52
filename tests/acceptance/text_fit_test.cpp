// Every page of the program, on a meter with every option and values in every
// table, shows the whole text of each caption, button, frame title, tab and grid
// heading at the desktop's default font: nothing cut and nothing under another control.
#include "all_pages_rig.h"
#include "text_fit.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

std::string listed(const std::vector<TextFault>& faults) {
    std::string out;
    for (const TextFault& f : faults) out += "\n  " + f.describe();
    return out;
}

void checkWithEveryTab(QWidget& window, const QString& where, std::set<QTabWidget*>& visited) {
    forEveryTab(window, where, [&](const QString& at) {
        const std::vector<TextFault> faults = textFaults(&window);
        EXPECT_TRUE(faults.empty()) << at.toStdString() << listed(faults);
        const std::vector<TextFault> off = captionsOffTheirFields(&window);
        EXPECT_TRUE(off.empty()) << at.toStdString() << listed(off);
    }, visited);
}

// The menu's pages from `first` to `last` (places in the menu's order, from 0), in
// parts that ctest runs side by side.
void checkMenuPages(size_t first, size_t last) {
    AllPagesRig rig;
    shell::MainForm& form = rig.mainForm();
    styleTabsAsShorteningDesktops(&form);
    if (first == 0) {
        EXPECT_TRUE(textFaults(&form).empty()) << "no meter" << listed(textFaults(&form));
    }
    ASSERT_TRUE(rig.select("1", 2.3f));
    std::set<QTabWidget*> visited;
    size_t pages = 0;
    const auto& order = shell::MainForm::menuOrder();
    for (size_t k = first; k <= last && k < order.size(); ++k) {
        const int16_t index = order[k];
        if (rig.open(index) < 0) continue;
        ++pages;
        checkWithEveryTab(form, shell::MainForm::pageCaptions()[size_t(index)], visited);
    }
    EXPECT_EQ(pages, last - first + 1); // every page of that part of the menu
}

} // namespace

TEST(TextFit, MenuPages1To8ShowTheirWholeTexts) { checkMenuPages(0, 7); }
TEST(TextFit, MenuPages9To16ShowTheirWholeTexts) { checkMenuPages(8, 15); }
TEST(TextFit, MenuPages17To23ShowTheirWholeTexts) { checkMenuPages(16, 22); }

TEST(TextFit, ATraceGroupsTimeAndTheOlderMetersPagesShowTheirWholeTexts) {
    AllPagesRig rig;
    shell::MainForm& form = rig.mainForm();
    styleTabsAsShorteningDesktops(&form);
    ASSERT_TRUE(rig.select("1", 2.3f));
    std::set<QTabWidget*> visited;
    // A trace group's trigger time and date, one line in the group's quarter of the page.
    ASSERT_EQ(rig.open(13), 13);
    auto* tabs = form.findChild<QTabWidget*>("sstTriggered");
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    QTest::mouseClick(form.findChild<QPushButton*>("cmdTrace_0"), Qt::LeftButton);
    auto* when = form.findChild<QLabel*>("labTraceW_2");
    ASSERT_TRUE(rig.waitFor([&] { return when && !when->text().isEmpty(); }, 10000));
    EXPECT_TRUE(textFaults(&form).empty()) << listed(textFaults(&form));
    EXPECT_TRUE(rig.waitFor([&] { return rig.app().status().panelText(1).endsWith("Trace Data 100%"); }, 30000));

    // An older meter: its own time-of-use page, the essential properties without the
    // transfer delay, the harmonics of 25 orders.
    ASSERT_TRUE(rig.select("2", 1.9f));
    for (int index : {8, 2, 21}) {
        ASSERT_EQ(rig.open(index), index);
        checkWithEveryTab(form, shell::MainForm::pageCaptions()[size_t(index)] + ", older meter", visited);
    }
}
