#pragma once
// The whole program on a line with two simulated meters: meter 1 of version 2.3
// with every option and values in every table (every page of the menu), and
// meter 2 of version 1.9 (the older meters' time-of-use page).

#include "program_rig.h"
#include "sim_control_pages.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_records.h"
#include "sim_setup_pages.h"
#include "sim_tou.h"
#include "sim_trace.h"
#include "sim_trend.h"
#include "sim_user_map.h"
#include "sim_waveform.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <functional>
#include <set>
#include <gtest/gtest.h>

struct AllPagesRig : ProgramRig {
    AllPagesRig() : ProgramRig({{1, 9600}, {2, 9600}}, 1000, Pages::All) {
        sim::MeterIdentity id;
        id.options = 0x3F; // every option: every page of the menu
        sim::Meter& m = *line.meter(1);
        sim::installIdentity(m, id);
        sim::installLiveValues(m);
        sim::installWaveform(m, sim::WaveformShape::balanced());
        sim::installSetupPages(m);
        sim::installControlPages(m, sim::ClockTime{2024, 5, 7, 13, 5, 9});
        sim::installRecordLogs(m, 12);
        sim::installTrendLogger(m);
        sim::installTrace(m);
        sim::installTimeOfUse(m);
        sim::installUserMap(m);
        // An older meter: the time-of-use period page.
        sim::MeterIdentity old;
        old.bootVersion = 190;
        old.mainVersion = 190;
        sim::Meter& o = *line.meter(2);
        sim::installIdentity(o, old);
        sim::installLiveValues(o);
        sim::installTimeOfUse(o);
        app().app().LocaleDateFormat = "yyyy/MM/dd";
        app().app().LocaleDateSeparator = "/";
        link().MeterPauseScale = 0.01; // the trace's channel-select pauses: 20 ms
        showMainWindow();
        mainForm().resize(794, 553);
        mainForm().activateWindow();
        EXPECT_TRUE(waitFor([this] { return QApplication::activeWindow() == &mainForm(); }));
    }

    // Types the address and Enter as a person does, and waits for the meter's identification.
    bool select(const QString& address, float version) {
        QLineEdit* box = mainForm().txtAddress();
        QTest::mouseClick(box, Qt::LeftButton);
        box->selectAll();
        QTest::keyClicks(box, address);
        QTest::keyClick(box, Qt::Key_Return);
        return waitFor([&] { return link().MeterAddress == address && qAbs(meter().MeterVersion - version) < 0.01f; },
                       10000);
    }

    // Clicks the page's button in the menu and lets it poll for settleMs. Returns the
    // page shown (the "Time Of Use" button shows page 25 from version 2.0), -1 when
    // the menu has no such button to press.
    int open(int index, int settleMs = 1500) {
        auto* button = mainForm().findChild<QPushButton*>(QStringLiteral("optProgram_%1").arg(index));
        if (!button || !button->isVisible() || !button->isEnabled()) return -1;
        QTest::mouseClick(button, Qt::LeftButton);
        const int shown = index == 8 && meter().MeterVersion >= 2.0f ? 25 : index;
        // The preset and reset page is not polled.
        EXPECT_TRUE(waitFor([&] { return page().PageIndex == shown && (shown == 17 || !page().PageChanged); }, 10000))
            << index;
        QTest::qWait(settleMs);
        return shown;
    }
};

// Runs check on the window as it stands, then once more for every other tab of
// every tab strip in it (nested strips too), each chosen with a click on its tab.
inline void forEveryTab(QWidget& window, const QString& where, const std::function<void(const QString&)>& check,
                        std::set<QTabWidget*>& visited) {
    check(where);
    for (QTabWidget* tabs : window.findChildren<QTabWidget*>()) {
        if (!tabs->isVisible() || visited.count(tabs)) continue;
        visited.insert(tabs);
        QTabBar* bar = tabs->tabBar();
        const int first = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            if (i == first || !tabs->isTabEnabled(i)) continue;
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
            QTest::qWait(600);
            forEveryTab(window, where + " / " + tabs->tabText(i), check, visited);
        }
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(first).center());
    }
}
