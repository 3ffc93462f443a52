#pragma once
// The three PC data logs that the program appends to while it polls the selected
// meter: the instant-measurement log (page 0), the harmonic log (page 21) and the
// waveform-capture log (page 14). Each has a "Data Log Enable" box that starts
// and stops it and a two-character box with its interval in minutes, beside the
// viewer's buttons of its page.
//
// Each log owns its file: starting, stopping or failing one never touches the
// files of the others. Every record is flushed as it is written, so a crash loses
// nothing and a viewer can read a file that is still being written. A record is
// written only when the reads it is made of succeeded; otherwise the log waits
// for the next scheduler tick. A failed write is reported once and stops that log.

#include "common/app_state.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QFile;
class QLineEdit;
class QWidget;

namespace shell {
class PageContext;
}

namespace monitor {

class DataLogViewer;
class InstantPage;
class HarmonicPage;
class WaveformPage;

enum DataLogKind : int { InstantLog = 0, HarmonicLog = 1, WaveformLog = 2 };

// Minutes of an interval box: a whole number 1..99, else 0 (the log writes nothing).
int intervalMinutes(const QString& text);

class DataLogs : public QObject {
    Q_OBJECT
public:
    explicit DataLogs(shell::PageContext& app);
    ~DataLogs() override;

    // --- controls (nullptr when the page was not built) --------------------------------
    QCheckBox* chkDL(int log) const;  // chkDLBasic, chkDLHarmonic, chkDLWaveform
    QLineEdit* txtDL(int log) const;  // txtDLB, txtDLH, txtDLW
    DataLogViewer* viewer(int log) const;

    // --- handlers --------------------------------------------------------------------
    // Starts the log when its box has become checked, stops it when unchecked.
    void chkDL_Click(int log);
    void chkDLBasic_Click() { chkDL_Click(InstantLog); }
    void chkDLHarmonic_Click() { chkDL_Click(HarmonicLog); }
    void chkDLWaveform_Click() { chkDL_Click(WaveformLog); }
    // The interval box changed: a valid interval restarts the count.
    void txtDL_Change(int log);

    // --- the writers the scheduler calls -------------------------------------------------
    void WriteInstantLogLine();
    void WriteHarmonicLogLine();
    void WriteWaveformLogLine();

    // Stops the three logs and closes their files (going back to no meter).
    void StopDataLogs();
    // A meter was selected: the instant and harmonic viewers go out of use.
    void DisableLiveLogViewers();
    // The interval box's minutes as text, "0" when it holds no valid interval.
    QString DataLogIntervalText(int log) const;
    // The log has its file open.
    bool running(int log) const;

    // The date/time pattern of new records (see logfmt::systemDateTimePattern).
    QString dateTimePattern;
    // The PC clock; the system clock when empty.
    std::function<QDateTime()> now;

private:
    struct Log {
        common::DataLogState* state = nullptr;
        std::unique_ptr<QFile> file;
        QPointer<QCheckBox> chk;
        QPointer<QLineEdit> txt;
        QString clickName;  // the handler named in its error reports
        QString writerName; // the writer named in its error reports
        QString filter;
    };

    void buildControls(int log, QWidget* frame);
    void arrangeRow(int log);
    bool startLog(int log);
    void stopLog(int log);
    // Appends the lines (each ended with CR LF) and flushes them. On failure reports
    // once under procName, stops the log and returns false.
    bool appendLines(int log, const QStringList& lines, const QString& procName);
    void failLog(int log, const QString& procName, int number, const QString& message);
    bool due(int log) const;
    QString stamp() const;
    bool readInstant();
    bool captureWaveform();

    shell::PageContext& app_;
    InstantPage* instant_ = nullptr;
    HarmonicPage* harmonic_ = nullptr;
    WaveformPage* waveform_ = nullptr;
    std::array<Log, 3> logs_;
    std::array<DataLogViewer*, 3> viewers_{};
    int capturesCompleted_ = 0;
};

// Adds the logs' controls and viewers to pages 0, 21 and 14 (those that are built)
// and fills WriteInstantLogLine, WriteHarmonicLogLine, WriteWaveformLogLine,
// DataLogIntervalText and StopDataLogs. Run after the live pages and the waveform
// page are installed; a second call does nothing.
void installDataLogs(shell::PageContext& app);
// The installed logs, nullptr before installDataLogs.
DataLogs* findDataLogs(shell::PageContext& app);

} // namespace monitor
