#include "monitor/data_logs.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "link/modbus_master.h"
#include "monitor/data_log_format.h"
#include "monitor/data_log_viewers.h"
#include "monitor/energy_demand.h"
#include "monitor/harmonic_page.h"
#include "monitor/instant_page.h"
#include "monitor/live_widgets.h"
#include "monitor/waveform_page.h"
#include "shell/page_context.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <QtMath>
#include <algorithm>

namespace monitor {

namespace {

// The page frame's width and the height of the log's row, in twips.
constexpr int kPageWidth = 7950;
constexpr int kControlHeight = 255;

// The width a button or check box needs to show its caption whole: the text and
// what the style draws around it.
int captionWidth(QAbstractButton* b) {
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.rect = QRect(0, 0, 400, b->height());
    const bool box = qobject_cast<QCheckBox*>(b) != nullptr;
    const QRect text = b->style()->subElementRect(box ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents,
                                                  &opt, b);
    // A pixel either side for the glyphs' overhang.
    return opt.rect.width() - text.width() + b->fontMetrics().horizontalAdvance(b->text()) + 2;
}

// The old runtime's error numbers, which the error box has always shown.
constexpr int kErrFileNotFound = 53, kErrDiskFull = 61, kErrFileAccess = 75;

const char* const kDemandCaptions[4] = {"Total Current Demand", "3 Phase Real Power Demand",
                                        "3 Phase Reactive Power Demand", "3 Phase Apparent Power Demand"};

QString labelText(const QLabel* label) { return label ? label->text() : QString(); }

// The link's counts move whenever an exchange fails after its last retry, so they
// tell a failure of any read in a chain, not only of the last one.
class ReadWatch {
public:
    explicit ReadWatch(const rtu::LinkState& link)
        : link_(link), crc_(link.CrcErrorCount), timeouts_(link.TimeoutCount) {}
    bool failed() const {
        return !link_.meterSelected() || link_.LinkFailed || link_.CrcErrorCount != crc_ ||
               link_.TimeoutCount != timeouts_;
    }

private:
    const rtu::LinkState& link_;
    int16_t crc_, timeouts_;
};

} // namespace

int intervalMinutes(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 2) return 0;
    for (const QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return 0;
    const int minutes = t.toInt();
    return minutes >= 1 && minutes <= 99 ? minutes : 0;
}

DataLogs::DataLogs(shell::PageContext& app) : QObject(&app.master()), app_(app) {
    setObjectName(QStringLiteral("DataLogs"));
    dateTimePattern = logfmt::systemDateTimePattern();
    common::DataLogSet& set = app.logs();
    logs_[InstantLog].state = &set.BasicLog;
    logs_[HarmonicLog].state = &set.HarmonicLog;
    logs_[WaveformLog].state = &set.WaveformLog;
    logs_[InstantLog].clickName = QStringLiteral("chkDLBasic_Click");
    logs_[HarmonicLog].clickName = QStringLiteral("chkDLHarmonic_Click");
    logs_[WaveformLog].clickName = QStringLiteral("chkDLWaveform_Click");
    logs_[InstantLog].writerName = QStringLiteral("WriteInstantLogLine");
    logs_[HarmonicLog].writerName = QStringLiteral("WriteHarmonicLogLine");
    logs_[WaveformLog].writerName = QStringLiteral("WriteWaveformLogLine");
    const QString csv = QStringLiteral("CSV");
    logs_[InstantLog].filter = common::fileFilter(QStringLiteral("Instant measurement Data Log File"), csv);
    logs_[HarmonicLog].filter = common::fileFilter(QStringLiteral("Harmonic Data Log File"), csv);
    logs_[WaveformLog].filter = common::fileFilter(QStringLiteral("Waveform Capture Data Log File"), csv);

    instant_ = dynamic_cast<InstantPage*>(app.page(0));
    harmonic_ = dynamic_cast<HarmonicPage*>(app.page(21));
    waveform_ = dynamic_cast<WaveformPage*>(app.page(14));
    rtu::StatusSink& status = app.master().status();
    if (instant_) {
        buildControls(InstantLog, instant_->widget());
        viewers_[InstantLog] = new InstantLogViewer(*instant_, set.BasicLog, status);
    }
    if (harmonic_) {
        buildControls(HarmonicLog, harmonic_->widget());
        viewers_[HarmonicLog] = new HarmonicLogViewer(*harmonic_, set.HarmonicLog, status);
    }
    if (waveform_) {
        buildControls(WaveformLog, waveform_->widget());
        viewers_[WaveformLog] = new WaveformLogViewer(*waveform_, set.WaveformLog, status);
        // A record is made only of a whole capture: count the captures that completed.
        WaveformCapture& cap = waveform_->capture();
        auto previous = cap.captureComplete;
        cap.captureComplete = [this, previous] {
            ++capturesCompleted_;
            if (previous) previous();
        };
    }
    for (int log = 0; log < 3; ++log) {
        if (!viewers_[size_t(log)]) continue;
        viewers_[size_t(log)]->setParent(this);
        arrangeRow(log);
    }
    // The interval boxes start at "1"; the main window's load reads them again.
    for (int log = 0; log < 3; ++log) logs_[size_t(log)].state->Interval = intervalMinutes(DataLogIntervalText(log)) * 60;
}

DataLogs::~DataLogs() = default;

void DataLogs::buildControls(int log, QWidget* frame) {
    static const char* const chkNames[3] = {"chkDLBasic", "chkDLHarmonic", "chkDLWaveform"};
    static const char* const txtNames[3] = {"txtDLB", "txtDLH", "txtDLW"};
    if (!frame) return;
    Log& l = logs_[size_t(log)];
    auto* chk = new QCheckBox(QStringLiteral("Data Log Enable"), frame);
    chk->setObjectName(QString::fromLatin1(chkNames[log]));
    chk->raise();
    connect(chk, &QCheckBox::clicked, this, [this, log] { chkDL_Click(log); });
    auto* txt = new QLineEdit(QStringLiteral("1"), frame);
    txt->setObjectName(QString::fromLatin1(txtNames[log]));
    txt->setMaxLength(2);
    txt->raise();
    connect(txt, &QLineEdit::textChanged, this, [this, log] { txtDL_Change(log); });
    l.chk = chk;
    l.txt = txt;
}

void DataLogs::arrangeRow(int log) {
    // The pages fill their frames from the top tab or table down, so the log's row
    // goes on the frame's caption line, packed from the right edge: date label,
    // ">", "<", "Read Data Log", interval box, "Data Log Enable". Each as narrow as
    // its text allows, so that the row stays clear of a caption as long as
    // "Instant measurement".
    DataLogViewer* v = viewers_[size_t(log)];
    QCheckBox* chk = logs_[size_t(log)].chk;
    QLineEdit* txt = logs_[size_t(log)].txt;
    QWidget* frame = chk ? chk->parentWidget() : nullptr;
    if (!v || !chk || !txt || !frame) return;
    const int height = px(kControlHeight);
    // Up to the frame's right edge, which on the caption line has no border to keep clear
    // of. The frame gets its size only when the main window takes it in.
    int right = px(kPageWidth);
    auto place = [&](QWidget* w, int width) {
        right -= width;
        w->setGeometry(right, 0, width, height);
        right -= 1;
    };
    // The date's advance rounded up and a pixel either side for the glyphs' overhang: a
    // label only as wide as the advance cuts the edge of the last digit, the more so
    // where the advance rounds down (at a desktop's 10 point font).
    const QString date = QStringLiteral("0000/00/00 00:00:00");
    place(v->labDL(), qCeil(QFontMetricsF(v->labDL()->font()).horizontalAdvance(date)) + 2);
    place(v->cmdDL(2), px(225));
    place(v->cmdDL(1), px(225));
    place(v->cmdDL(0), captionWidth(v->cmdDL(0)));
    place(txt, txt->fontMetrics().horizontalAdvance(QStringLiteral("99")) + 8);
    place(chk, captionWidth(chk));
}

QCheckBox* DataLogs::chkDL(int log) const { return (log >= 0 && log < 3) ? logs_[size_t(log)].chk.data() : nullptr; }
QLineEdit* DataLogs::txtDL(int log) const { return (log >= 0 && log < 3) ? logs_[size_t(log)].txt.data() : nullptr; }
DataLogViewer* DataLogs::viewer(int log) const { return (log >= 0 && log < 3) ? viewers_[size_t(log)] : nullptr; }

bool DataLogs::running(int log) const {
    const Log& l = logs_[size_t(log)];
    return l.file && l.file->isOpen();
}

QString DataLogs::DataLogIntervalText(int log) const {
    const QLineEdit* txt = txtDL(log);
    return QString::number(intervalMinutes(txt ? txt->text() : QStringLiteral("1")));
}

// --- starting and stopping --------------------------------------------------------------

void DataLogs::chkDL_Click(int log) {
    if (log < 0 || log >= 3) return;
    QCheckBox* chk = logs_[size_t(log)].chk;
    if (chk && chk->isChecked()) startLog(log);
    else stopLog(log);
}

bool DataLogs::startLog(int log) {
    Log& l = logs_[size_t(log)];
    stopLog(log); // a log never holds two files
    const QString path = common::prompter().appendFileName(QStringLiteral("Save File"), l.filter, QString());
    if (path.isEmpty()) return false; // cancelled: unchecked, no message

    // A file that holds nothing yet starts with its heading, as a new one does: the
    // viewer takes a log's first line for its heading.
    const QFileInfo chosen(path);
    const bool begun = chosen.exists() && (!chosen.isFile() || chosen.size() > 0);
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
        common::ReportError(l.clickName, kErrFileAccess, file->errorString());
        return false;
    }
    l.file = std::move(file);
    l.state->FileName = path;
    if (l.chk) l.chk->setChecked(true);
    // A file chosen again keeps what it holds and gets no second header.
    if (!begun && log != WaveformLog) {
        const QString header = log == InstantLog
                                   ? logfmt::instantHeaderLine(
                                         [this] {
                                             QStringList c;
                                             for (int i = 0; i < 6; ++i) c << labelText(instant_->labCurrent(i));
                                             return c;
                                         }(),
                                         [this] {
                                             QStringList c;
                                             for (int i = 0; i < 10; ++i) c << labelText(instant_->labVoltage(i));
                                             return c;
                                         }(),
                                         {kDemandCaptions[0], kDemandCaptions[1], kDemandCaptions[2],
                                          kDemandCaptions[3]})
                                   : logfmt::harmonicHeaderLine(app_.app().meter.MeterVersion);
        if (!appendLines(log, {header}, l.clickName)) return false;
    }
    return true;
}

void DataLogs::stopLog(int log) {
    Log& l = logs_[size_t(log)];
    if (l.file) {
        l.file->close();
        l.file.reset();
    }
    l.state->FileName.clear();
    if (l.chk) l.chk->setChecked(false); // setChecked does not click: no handler runs
}

void DataLogs::StopDataLogs() {
    for (int log = 0; log < 3; ++log) {
        stopLog(log);
        logs_[size_t(log)].state->Elapsed = 0;
        if (DataLogViewer* v = viewers_[size_t(log)]) v->release();
    }
}

void DataLogs::DisableLiveLogViewers() {
    for (int log : {int(InstantLog), int(HarmonicLog)})
        if (DataLogViewer* v = viewers_[size_t(log)]) v->disableAll();
}

void DataLogs::txtDL_Change(int log) {
    if (log < 0 || log >= 3) return;
    common::DataLogState& s = *logs_[size_t(log)].state;
    s.Interval = intervalMinutes(txtDL(log) ? txtDL(log)->text() : QString()) * 60;
    // A new interval counts from now; no interval leaves the count running.
    if (s.Interval != 0) s.Elapsed = 0;
}

// --- writing ----------------------------------------------------------------------------

void DataLogs::failLog(int log, const QString& procName, int number, const QString& message) {
    // Stopped first: the report's box runs events, and the scheduler must not call
    // the writer of a broken file again meanwhile.
    stopLog(log);
    common::ReportError(procName, number, message);
}

bool DataLogs::appendLines(int log, const QStringList& lines, const QString& procName) {
    Log& l = logs_[size_t(log)];
    if (!l.file || !l.file->isOpen()) return false;
    // A file removed while the log runs would swallow every record unseen.
    if (!QFileInfo::exists(l.file->fileName())) {
        failLog(log, procName, kErrFileNotFound, QStringLiteral("File not found: ") + l.file->fileName());
        return false;
    }
    QByteArray bytes;
    for (const QString& line : lines) bytes += line.toUtf8() + "\r\n";
    const qint64 before = l.file->size();
    const bool written = l.file->write(bytes) == bytes.size() && l.file->flush();
    if (!written) {
        const QString message = l.file->errorString();
        // Take back a record cut short, so the file stays readable.
        l.file->resize(before);
        failLog(log, procName, kErrDiskFull, message);
        return false;
    }
    return true;
}

bool DataLogs::due(int log) const {
    const Log& l = logs_[size_t(log)];
    const common::DataLogState& s = *l.state;
    return running(log) && !s.FileName.isEmpty() && s.Interval != 0 && s.Elapsed >= s.Interval;
}

QString DataLogs::stamp() const {
    return logfmt::dateTimeText(now ? now() : QDateTime::currentDateTime(), dateTimePattern);
}

bool DataLogs::readInstant() {
    const shell::PageServices& svc = app_.services();
    if (!svc.ReadInstantAndEnergy) return false;
    const ReadWatch watch(app_.app().link);
    svc.ReadInstantAndEnergy();
    return !watch.failed();
}

bool DataLogs::captureWaveform() {
    const shell::PageServices& svc = app_.services();
    if (!waveform_ || !svc.ReadInstantAndEnergy || !svc.TriggerWaveformCapture || !svc.ReadWaveformCaptureTime ||
        !svc.CaptureWaveform)
        return false;
    const ReadWatch watch(app_.app().link);
    const int before = capturesCompleted_;
    // The instant values give the reference current and voltage the capture scales by.
    svc.ReadInstantAndEnergy();
    svc.TriggerWaveformCapture();
    svc.ReadWaveformCaptureTime();
    svc.CaptureWaveform();
    return !watch.failed() && capturesCompleted_ != before;
}

void DataLogs::WriteInstantLogLine() {
    if (!due(InstantLog) || !instant_) return;
    const QString path = logs_[InstantLog].state->FileName;
    if (!readInstant()) return; // the next tick tries again
    // The reads ran events: the log may have been stopped meanwhile.
    if (!running(InstantLog) || logs_[InstantLog].state->FileName != path) return;

    QStringList v;
    for (int i = 0; i < 6; ++i) v << labelText(instant_->labCurrentD(i));
    for (int i = 0; i < 10; ++i) v << labelText(instant_->labVoltageD(i));
    for (int i = 0; i < 16; ++i) v << labelText(instant_->labPowerD(i));
    v << labelText(instant_->labHz()) << labelText(instant_->labRotation());
    for (int i = 0; i < 4; ++i) v << labelText(instant_->labDemandD(i));
    const QTableWidget* energy = instant_->energyDemand().gridEnergy();
    for (int row = 1; row <= 7; ++row) v << gridText(energy, row, 1);

    if (appendLines(InstantLog, {logfmt::instantRecordLine(stamp(), v)}, logs_[InstantLog].writerName))
        logs_[InstantLog].state->Elapsed = 0;
}

void DataLogs::WriteHarmonicLogLine() {
    if (!due(HarmonicLog) || !harmonic_) return;
    const QString path = logs_[HarmonicLog].state->FileName;
    const QString when = stamp(); // taken before the reads, as the record has always been
    const common::MeterState& meter = app_.app().meter;
    if (harmonicsFromMeter(meter.MeterVersion)) {
        // The tables are read for the record itself: polling of the harmonic page may
        // not have run for a long time.
        const shell::PageServices& svc = app_.services();
        if (!svc.ReadHarmonics) return;
        const ReadWatch watch(app_.app().link);
        svc.ReadHarmonics();
        if (watch.failed()) return;
    } else if (!captureWaveform()) {
        return; // older meters: the tables come from a fresh capture analysed on the PC
    }
    if (!running(HarmonicLog) || logs_[HarmonicLog].state->FileName != path) return;

    // The version as it is now: a meter identified during the reads decides the layout.
    const float version = meter.MeterVersion;
    const int columns = logfmt::harmonicOrdersFor(version) + 1;
    QStringList v;
    for (const QTableWidget* grid : {harmonic_->gridHarmonicC(), harmonic_->gridHarmonicV()})
        for (int row = 1; row <= 3; ++row)
            for (int col = 1; col <= columns; ++col) v << gridText(grid, row, col);

    if (appendLines(HarmonicLog, {logfmt::harmonicRecordLine(version, when, v)}, logs_[HarmonicLog].writerName))
        logs_[HarmonicLog].state->Elapsed = 0;
}

void DataLogs::WriteWaveformLogLine() {
    if (!due(WaveformLog) || !waveform_) return;
    const QString path = logs_[WaveformLog].state->FileName;
    if (!captureWaveform()) return;
    if (!running(WaveformLog) || logs_[WaveformLog].state->FileName != path) return;

    const WaveformCapture& cap = waveform_->capture();
    logfmt::WaveformRecordInput in;
    in.dateTime = stamp();
    // From the capture itself: the page's labels may show a log record being viewed.
    in.captureDate = cap.captureDateText();
    in.frequencyText = cap.frequencyText();
    in.currentScale = cap.WaveformCurrentScale;
    in.voltageScale = cap.WaveformVoltageScale;
    const QTableWidget* grid = cap.gridWaveform();
    for (int r = 0; r < logfmt::kWaveformRows; ++r)
        for (int ch = 0; ch < logfmt::kChannels; ++ch) in.rows[size_t(r)][size_t(ch)] = gridText(grid, r + 1, ch + 1);
    in.phaseAngle = cap.PhaseAngle;

    if (appendLines(WaveformLog, logfmt::waveformRecordLines(in), logs_[WaveformLog].writerName))
        logs_[WaveformLog].state->Elapsed = 0;
}

// --- installer ---------------------------------------------------------------------------

DataLogs* findDataLogs(shell::PageContext& app) {
    return app.master().findChild<DataLogs*>(QStringLiteral("DataLogs"), Qt::FindDirectChildrenOnly);
}

void installDataLogs(shell::PageContext& app) {
    if (findDataLogs(app)) return; // installed once per program
    auto* logs = new DataLogs(app);
    shell::PageServices& s = app.services();
    s.WriteInstantLogLine = [logs] { logs->WriteInstantLogLine(); };
    s.WriteHarmonicLogLine = [logs] { logs->WriteHarmonicLogLine(); };
    s.WriteWaveformLogLine = [logs] { logs->WriteWaveformLogLine(); };
    s.DataLogIntervalText = [logs](int log) { return logs->DataLogIntervalText(log); };
    s.StopDataLogs = [logs] { logs->StopDataLogs(); };
    s.DisableLiveLogViewers = [logs] { logs->DisableLiveLogViewers(); };
}

} // namespace monitor
