#pragma once
// The live pages (0, 21), the waveform page (14) and the data logs against the
// simulated meter, meter 1 selected with the scheduler kept still.
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_waveform.h"

#include "monitor/data_log_viewers.h"
#include "monitor/data_logs.h"
#include "monitor/energy_demand.h"
#include "monitor/harmonic_page.h"
#include "monitor/instant_page.h"
#include "monitor/live_widgets.h"
#include "monitor/waveform_page.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

struct LogRig {
    explicit LogRig(float version = 2.3f) {
        sim::Meter& m = *rig.line.meter(1);
        sim::installIdentity(m);
        sim::installLiveValues(m);
        sim::installWaveform(m, sim::WaveformShape::balanced());
        monitor::installLivePages(rig.app());
        auto* harmonic = dynamic_cast<monitor::HarmonicPage*>(rig.app().page(21));
        if (!harmonic) return;
        monitor::installWaveformPage(
            rig.app(), [harmonic](bool v) { return v ? harmonic->gridHarmonicV() : harmonic->gridHarmonicC(); },
            [harmonic] { harmonic->redrawCharts(); });
        monitor::installDataLogs(rig.app());
        monitor::installDataLogs(rig.app()); // a second call changes nothing
        logs = monitor::findDataLogs(rig.app());
        p0 = dynamic_cast<monitor::InstantPage*>(rig.app().page(0));
        p21 = dynamic_cast<monitor::HarmonicPage*>(rig.app().page(21));
        p14 = dynamic_cast<monitor::WaveformPage*>(rig.app().page(14));
        if (!logs || !p0 || !p21 || !p14) return;
        p14->capture().TriggerWaitSeconds = 0;
        logs->dateTimePattern = QStringLiteral("yyyy/MM/dd HH:mm:ss");
        logs->now = [this] { return clock; };
        // Capture dates alike on every machine.
        rig.app().app().LocaleDateFormat = QStringLiteral("YYYY/MM/DD");
        rig.app().app().LocaleDateSeparator = QStringLiteral("/");
        rig.showMainWindow();
        rig.mainForm().scheduler().disable();
        rig.link().MeterAddress = QStringLiteral("1");
        rig.link().RetryLimit = 0;
        setVersion(version);
    }
    bool ready() const { return logs && p0 && p21 && p14; }
    void setVersion(float v) {
        rig.meter().MeterVersion = v;
        p21->InitHarmonicGrids();
    }
    common::DataLogState& state(int log) {
        common::DataLogSet& s = rig.app().logs();
        return log == 0 ? s.BasicLog : log == 1 ? s.HarmonicLog : s.WaveformLog;
    }
    QString path(const QString& name) const { return rig.folder() + "/" + name; }
    // Starts the log through its box with the file the Save dialog gives.
    bool start(int log, const QString& file) {
        rig.ui.fileNext(file);
        logs->chkDL(log)->click();
        return logs->running(log);
    }
    bool startAll() { return start(0, path("i.csv")) && start(1, path("h.csv")) && start(2, path("w.csv")); }
    // Lets the interval run out and calls the writer as the scheduler does.
    void tick(int log) {
        state(log).Elapsed = state(log).Interval;
        clock = clock.addSecs(60);
        if (log == 0) logs->WriteInstantLogLine();
        else if (log == 1) logs->WriteHarmonicLogLine();
        else logs->WriteWaveformLogLine();
    }
    static QByteArray bytes(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QStringList lines(const QString& file) {
        QString text = QString::fromUtf8(bytes(file));
        if (text.endsWith("\r\n")) text.chop(2);
        return text.isEmpty() ? QStringList() : text.split("\r\n");
    }
    // Opens the file in the log's viewer.
    void view(int log, const QString& file) {
        rig.ui.fileNext(file);
        logs->viewer(log)->cmdDL(0)->click();
    }

    ProgramRig rig;
    monitor::DataLogs* logs = nullptr;
    monitor::InstantPage* p0 = nullptr;
    monitor::HarmonicPage* p21 = nullptr;
    monitor::WaveformPage* p14 = nullptr;
    QDateTime clock{QDate(2026, 5, 4), QTime(10, 0, 0)};
};
