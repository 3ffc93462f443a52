#pragma once
// The whole program with every page against a simulated meter that holds the set-up
// pages' registers (demand, pulse outputs, display scan, digital inputs, set points),
// a login that always succeeds, and a meter selected; and a person's typing and choosing.

#include "program_rig.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_setup_pages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace setup_pages {

using Bytes = std::vector<uint8_t>;

struct PagesRig : ProgramRig {
    sim::Meter& sim;
    PagesRig() : ProgramRig({{1, 9600}}, 300, Pages::All), sim(*line.meter(1)) {
        sim::MeterIdentity id;
        id.options = 0x000F; // "A".."D": the pulse outputs too
        sim::installIdentity(sim, id);
        sim::installLiveValues(sim);
        sim::installSetupPages(sim);
        app().services().Login = [this] { return app().app().LoginOk = true; };
        showMainWindow();
        mainForm().selectMeterForTest("1");
    }
    template <class P>
    P& show(int16_t index, int16_t idleStep) {
        mainForm().optProgram_Click(index);
        EXPECT_TRUE(waitFor([&] { return page().PageIndex == index && !page().PageChanged && page().PageStep == idleStep; }));
        return *static_cast<P*>(app().page(index));
    }
    // The write frames (0x10 and 0x70) from the address to the last data byte.
    std::vector<Bytes> writes() const {
        std::vector<Bytes> w;
        for (const auto& q : line.requests())
            if (q.bytes.size() > 4 && (q.bytes[1] == 0x10 || q.bytes[1] == 0x70))
                w.emplace_back(q.bytes.begin(), q.bytes.end() - 2);
        return w;
    }
    int reads(uint16_t start) const {
        int n = 0;
        for (const auto& q : line.requests()) n += q.bytes.size() == 8 && q.bytes[1] == 3 && (q.bytes[2] << 8 | q.bytes[3]) == start;
        return n;
    }
    // The meter takes the write to `after` and then stops answering once (no repeats).
    void silenceAfterWriteTo(uint16_t after) {
        link().RetryLimit = 0;
        sim.onWrite = [this, after](sim::Meter&, uint16_t start, uint16_t) {
            if (start == after) line.injectFault({sim::Fault::Kind::Silence});
        };
    }
    QString panel() { return app().status().panelText(1); }
};

inline void type(QLineEdit* e, const QString& text) {
    e->selectAll();
    QTest::keyClicks(e, text);
}
inline void choose(QComboBox* c, int index) {
    c->setCurrentIndex(index);
    emit c->activated(index);
}

} // namespace setup_pages
