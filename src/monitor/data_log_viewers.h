#pragma once
// The data log viewers: "Read Data Log" loads a log file, "<" and ">" step through
// its records and a label shows the record's date and time; each record is shown
// in the very labels, tables, charts, plot and phasors that show the live values
// (page 0 the instant log, page 21 the harmonic log, page 14 the waveform log).
//
// A viewer keeps its own state: its own record table (the file's bytes and where
// each record lies in them, so long files stay small in memory), its record index
// (DataLogState::ViewRow, 32-bit) and the path it read. It never touches the
// recording side: not FileName, not a running log's file, not the meter's version.
// The shown record stays until the live decoders or another step write the same
// controls again.

#include "common/app_state.h"
#include "monitor/data_log_format.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>

class QLabel;
class QPushButton;
class QWidget;

namespace rtu {
class StatusSink;
}

namespace monitor {

class InstantPage;
class HarmonicPage;
class WaveformPage;

class DataLogViewer : public QObject {
    Q_OBJECT
public:
    struct Texts {
        QString suffix;     // control names: cmdDL<suffix>, labDL<suffix>
        QString filter;     // the Open dialog's filter
        QString statusName; // "... Data Log File : [" path "]"
        QString procName;   // the handler named in error reports
    };
    DataLogViewer(Texts texts, common::DataLogState& state, rtu::StatusSink& status, QWidget* frame);
    ~DataLogViewer() override;

    // Index 0 "Read Data Log", 1 "<", 2 ">".
    void cmdDL_Click(int index);
    // "Read Data Log" usable again, stepping and the file label not (no meter selected).
    void release();
    // Every button and the file label out of use (a meter is selected).
    void disableAll();

    QPushButton* cmdDL(int index) const;
    QLabel* labDL() const;
    // Records read from the file (header lines are not records).
    int32_t recordCount() const { return int32_t(index_.records.size()); }
    int32_t viewRow() const { return state_.ViewRow; }
    // The file the viewer read last ("" before a read or after a failed one).
    QString path() const { return path_; }

protected:
    virtual logfmt::LogIndex indexFile(const QByteArray& data) const = 0;
    // Fills the page from the record and redraws it; returns the record's date and time.
    virtual QString showRecord(const QByteArray& data, const logfmt::RecordSpan& span) = 0;

private:
    void readDataLog();
    void showViewRow();
    void disableStepping();

    Texts texts_;
    common::DataLogState& state_;
    rtu::StatusSink& status_;
    std::array<QPointer<QPushButton>, 3> cmd_;
    QPointer<QLabel> label_;
    QByteArray data_;
    logfmt::LogIndex index_;
    QString path_;
};

class InstantLogViewer : public DataLogViewer {
public:
    InstantLogViewer(InstantPage& page, common::DataLogState& state, rtu::StatusSink& status);

protected:
    logfmt::LogIndex indexFile(const QByteArray& data) const override;
    QString showRecord(const QByteArray& data, const logfmt::RecordSpan& span) override;

private:
    InstantPage& page_;
};

class HarmonicLogViewer : public DataLogViewer {
public:
    HarmonicLogViewer(HarmonicPage& page, common::DataLogState& state, rtu::StatusSink& status);

protected:
    logfmt::LogIndex indexFile(const QByteArray& data) const override;
    QString showRecord(const QByteArray& data, const logfmt::RecordSpan& span) override;

private:
    HarmonicPage& page_;
};

class WaveformLogViewer : public DataLogViewer {
public:
    WaveformLogViewer(WaveformPage& page, common::DataLogState& state, rtu::StatusSink& status);

protected:
    logfmt::LogIndex indexFile(const QByteArray& data) const override;
    QString showRecord(const QByteArray& data, const logfmt::RecordSpan& span) override;

private:
    WaveformPage& page_;
};

} // namespace monitor
