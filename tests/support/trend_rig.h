#pragma once
// The whole program with the trend log page and the simulated meter's logger:
// the meter selected by its address and the page chosen, or no meter (yet).

#include "program_rig.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_trend.h"

#include "monitor/live_widgets.h"
#include "records/trend_page.h"

#include <QLineEdit>

struct TrendRig {
    explicit TrendRig(bool withMeter = true, sim::TrendShape shape = {.analogRange = 5000})
        : rig({{1, 9600}}, 3000, ProgramRig::Pages::All) {
        sim::installIdentity(meter());
        sim::installLiveValues(meter());
        sim::installTrendLogger(meter(), shape);
        rig.app().services().Login = [this] { return rig.app().app().LoginOk = true; };
        rig.showMainWindow();
        page = static_cast<records::TrendPage*>(rig.app().page(records::TrendPageIndex));
        if (withMeter) selectMeter();
    }
    // The meter selected by its address, then the page chosen.
    void selectMeter() {
        rig.mainForm().txtAddress()->setText("1");
        rig.page().AddressEdited = true;
        rig.app().services().txtAddress_LostFocus();
        selected = rig.waitFor([&] { return rig.link().meterSelected() && rig.meter().MeterVersion > 0; });
        int16_t index = records::TrendPageIndex;
        rig.mainForm().optProgram_Click(index);
    }
    sim::Meter& meter() { return *rig.line.meter(1); }
    // Record row's text on the Data tab (shown) or its raw value.
    QString data(int row, bool shown = true) const {
        return monitor::gridText(shown ? page->gridTrendData() : page->gridTrend(), row, 1);
    }
    QString panel() { return rig.app().status().panelText(1); }

    ProgramRig rig;
    records::TrendPage* page = nullptr;
    bool selected = false;
};
