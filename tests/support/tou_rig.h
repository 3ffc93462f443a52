#pragma once
// The whole program with a simulated meter that holds time-of-use tables: the
// meter selected and option 8 chosen (page 25 from version 2.0, page 8 below).

#include "program_rig.h"
#include "sim_identity.h"
#include "sim_tou.h"

#include "monitor/live_widgets.h"
#include "tou/tou_page.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <atomic>
#include <gtest/gtest.h>

struct TouRig : ProgramRig {
    int logins = 0;
    // After this many register writes the meter refuses the next two requests
    // (a frame and its repeat); 0 = never.
    std::atomic<int> failAfterWrites{0};
    std::atomic<int> writesSeen{0};

    explicit TouRig(uint16_t bootVersion = 230, bool select = true)
        : ProgramRig({{1, 9600}}, 300, ProgramRig::Pages::All) {
        sim::Meter& meter = *line.meter(1);
        sim::MeterIdentity id;
        id.bootVersion = bootVersion;
        sim::installIdentity(meter, id);
        sim::installTimeOfUse(meter);
        meter.onWrite = [this](sim::Meter&, uint16_t, uint16_t) {
            if (++writesSeen == failAfterWrites) failNext(2);
        };
        app().services().Login = [this] {
            ++logins;
            app().app().LoginOk = true;
            return true;
        };
        app().app().LocaleDateFormat = "YYYY/MM/DD";
        app().app().LocaleDateSeparator = "/";
        if (select) selectMeter();
    }

    void selectMeter() {
        showMainWindow();
        mainForm().txtAddress()->setText("1");
        page().AddressEdited = true;
        app().services().txtAddress_LostFocus();
        EXPECT_TRUE(waitFor([&] { return link().meterSelected() && meter().MeterVersion > 0; }));
        int16_t option = 8;
        mainForm().optProgram_Click(option);
    }

    tou::TouPage& page25() { return *static_cast<tou::TouPage*>(app().page(25)); }

    // The window in front, as a person works with it: offscreen, focus events
    // come only to the active window.
    void activate() {
        mainForm().activateWindow();
        EXPECT_TRUE(waitFor([&] { return QApplication::activeWindow() == &mainForm(); }));
    }
    // A click on a grid cell, through the grid's own event path.
    static void clickCell(QTableWidget* grid, int row, int col) {
        const QRect cell = grid->visualRect(grid->model()->index(row, col));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }
    // Keys into whatever has the focus.
    static void type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    // Another page of the selector (page 0 by default), as a person leaves page 25.
    void choosePage(int option = 0) { click(mainForm().optProgram(option)); }

    void openSetupTab() {
        page25().tabTOU(0)->setCurrentIndex(1);
        EXPECT_TRUE(waitFor([&] { return !page25().tables().TOUUploadPending; }));
    }

    // The meter refuses the next n requests it would answer.
    void failNext(int n) {
        for (int i = 0; i < n; ++i) line.injectFault({sim::Fault::Kind::Exception, 4});
    }

    std::vector<std::vector<uint8_t>> writes() const {
        std::vector<std::vector<uint8_t>> w;
        for (const auto& q : line.requests())
            if (q.bytes.size() > 2 && (q.bytes[1] == 0x10 || q.bytes[1] == 0x70)) w.push_back(q.bytes);
        return w;
    }
    int reads(uint16_t start) const {
        int n = 0;
        for (const auto& q : line.requests())
            n += q.bytes.size() == 8 && q.bytes[1] == 0x03 && (q.bytes[2] << 8 | q.bytes[3]) == start;
        return n;
    }
};
