#include "monitor/data_log_viewers.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "link/status_sink.h"
#include "monitor/energy_demand.h"
#include "monitor/harmonic_page.h"
#include "monitor/instant_page.h"
#include "monitor/live_widgets.h"
#include "monitor/waveform_page.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace monitor {

namespace {

// Design places on the page, in twips.
constexpr int kPanelTop = 240, kPanelHeight = 255;
constexpr int kReadLeft = 3720, kReadWidth = 1335;
constexpr int kStepLeft[2] = {5040, 5280}, kStepWidth = 255;
constexpr int kDateLeft = 5640, kDateWidth = 2175;

void setText(QLabel* label, const QString& text) {
    if (label) label->setText(text);
}

QString csvFilter(const QString& description) { return common::fileFilter(description, QStringLiteral("CSV")); }

} // namespace

// --- the family ---------------------------------------------------------------------------

DataLogViewer::DataLogViewer(Texts texts, common::DataLogState& state, rtu::StatusSink& status, QWidget* frame)
    : texts_(std::move(texts)), state_(state), status_(status) {
    static const char* const captions[3] = {"Read Data Log", "<", ">"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(captions[i]), frame);
        b->setObjectName(QStringLiteral("cmdDL%1_%2").arg(texts_.suffix).arg(i));
        placeTwips(b, i == 0 ? kReadLeft : kStepLeft[i - 1], kPanelTop, i == 0 ? kReadWidth : kStepWidth,
                         kPanelHeight);
        b->setEnabled(i == 0);
        b->raise();
        connect(b, &QPushButton::clicked, this, [this, i] { cmdDL_Click(i); });
        cmd_[size_t(i)] = b;
    }
    label_ = new QLabel(QStringLiteral("0000/00/00 00:00:00"), frame);
    label_->setObjectName(QStringLiteral("labDL%1").arg(texts_.suffix));
    placeTwips(label_, kDateLeft, kPanelTop, kDateWidth, kPanelHeight);
    label_->setAlignment(Qt::AlignCenter);
    label_->setAutoFillBackground(true);
    QPalette pal = label_->palette();
    pal.setColor(QPalette::Window, QColor(224, 224, 224));
    label_->setPalette(pal);
    label_->setEnabled(false);
    label_->raise();
}

DataLogViewer::~DataLogViewer() = default;

QPushButton* DataLogViewer::cmdDL(int index) const {
    return (index >= 0 && index < 3) ? cmd_[size_t(index)].data() : nullptr;
}

QLabel* DataLogViewer::labDL() const { return label_.data(); }

void DataLogViewer::cmdDL_Click(int index) {
    switch (index) {
    case 0: readDataLog(); break;
    case 1:
        if (state_.ViewRow > 1) --state_.ViewRow;
        showViewRow();
        break;
    case 2:
        if (state_.ViewRow < recordCount()) ++state_.ViewRow;
        showViewRow();
        break;
    default: break;
    }
}

void DataLogViewer::release() {
    if (cmd_[0]) cmd_[0]->setEnabled(true);
    disableStepping();
}

void DataLogViewer::disableAll() {
    if (cmd_[0]) cmd_[0]->setEnabled(false);
    disableStepping();
}

void DataLogViewer::disableStepping() {
    for (int i = 1; i < 3; ++i)
        if (cmd_[size_t(i)]) cmd_[size_t(i)]->setEnabled(false);
    if (label_) label_->setEnabled(false);
}

void DataLogViewer::readDataLog() {
    state_.ViewRow = 0;
    const QString chosen = common::prompter().openFileName(QStringLiteral("Open File"), texts_.filter, QString());
    if (chosen.isEmpty()) {
        disableStepping();
        return;
    }
    // The table of the file read before goes, whatever this read brings.
    data_.clear();
    index_ = {};
    path_.clear();

    QFile file(chosen);
    if (!file.open(QIODevice::ReadOnly)) {
        common::ReportError(texts_.procName, 53, file.errorString());
        disableStepping();
        return;
    }
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        common::ReportError(texts_.procName, 57, file.errorString());
        disableStepping();
        return;
    }
    file.close();

    logfmt::LogIndex index = indexFile(data);
    if (!index.ok) {
        // A record with missing fields (typically a last record cut short): nothing of
        // the file is shown, the file itself is left as it is.
        common::prompter().message(QStringLiteral("Warning"), QStringLiteral("Open %1 Error ?").arg(texts_.statusName),
                                   common::Icon::Stop, common::Buttons::Ok);
        disableStepping();
        return;
    }
    data_ = std::move(data);
    index_ = std::move(index);
    path_ = chosen;
    if (recordCount() > 0) state_.ViewRow = 1;
    if (label_) label_->setEnabled(true);
    status_.setPanelText(1, texts_.statusName + QStringLiteral(" : [") + chosen + QLatin1Char(']'));
    showViewRow();
}

void DataLogViewer::showViewRow() {
    const int32_t row = state_.ViewRow;
    if (row < 1 || row > recordCount()) return;
    setText(label_, showRecord(data_, index_.records[size_t(row - 1)]));

    const int32_t last = recordCount();
    bool back = true, forward = true;
    if (row == 1) back = false;
    if (row == last) forward = false;
    if (last == 1) back = forward = false;
    if (cmd_[1]) cmd_[1]->setEnabled(back);
    if (cmd_[2]) cmd_[2]->setEnabled(forward);
}

// --- instant ------------------------------------------------------------------------------

InstantLogViewer::InstantLogViewer(InstantPage& page, common::DataLogState& state, rtu::StatusSink& status)
    : DataLogViewer({QStringLiteral("B"), csvFilter(QStringLiteral("Instant measurement Data Log File")),
                     QStringLiteral("Instant measurement Data Log File"), QStringLiteral("cmdDLB_Click")},
                    state, status, page.widget()),
      page_(page) {}

logfmt::LogIndex InstantLogViewer::indexFile(const QByteArray& data) const { return logfmt::indexInstantLog(data); }

QString InstantLogViewer::showRecord(const QByteArray& data, const logfmt::RecordSpan& span) {
    const logfmt::InstantRecord r = logfmt::instantRecord(data, span);
    const QStringList& v = r.values;
    int k = 0;
    for (int i = 0; i < 6; ++i) setText(page_.labCurrentD(i), v.value(k++));
    for (int i = 0; i < 10; ++i) setText(page_.labVoltageD(i), v.value(k++));
    for (int i = 0; i < 16; ++i) setText(page_.labPowerD(i), v.value(k++));
    setText(page_.labHz(), v.value(k++));
    setText(page_.labRotation(), v.value(k++));
    for (int i = 0; i < 4; ++i) setText(page_.labDemandD(i), v.value(k++));
    QTableWidget* energy = page_.energyDemand().gridEnergy();
    for (int row = 1; row <= 7; ++row) setGridText(energy, row, 1, v.value(k++));
    return r.dateTime;
}

// --- harmonic ------------------------------------------------------------------------------

HarmonicLogViewer::HarmonicLogViewer(HarmonicPage& page, common::DataLogState& state, rtu::StatusSink& status)
    : DataLogViewer({QStringLiteral("H"), csvFilter(QStringLiteral("Harmonic Data Log File")),
                     QStringLiteral("Harmonic Data Log File"), QStringLiteral("cmdDLH_Click")},
                    state, status, page.widget()),
      page_(page) {}

logfmt::LogIndex HarmonicLogViewer::indexFile(const QByteArray& data) const { return logfmt::indexHarmonicLog(data); }

QString HarmonicLogViewer::showRecord(const QByteArray& data, const logfmt::RecordSpan& span) {
    const logfmt::HarmonicRecord r = logfmt::harmonicRecord(data, span);
    const int columns = logfmt::harmonicOrdersFor(r.version) + 1; // THD and the orders
    page_.InitHarmonicGrids(r.version);
    for (int c = 0; c < 6; ++c) {
        QTableWidget* grid = c < 3 ? page_.gridHarmonicC() : page_.gridHarmonicV();
        for (int k = 1; k <= columns; ++k) setGridText(grid, c % 3 + 1, k, r.values.value(c * columns + k - 1));
    }
    page_.DrawHarmonicCharts(r.version);
    return r.dateTime;
}

// --- waveform ------------------------------------------------------------------------------

WaveformLogViewer::WaveformLogViewer(WaveformPage& page, common::DataLogState& state, rtu::StatusSink& status)
    : DataLogViewer({QStringLiteral("W"), csvFilter(QStringLiteral("Waveform Capture Data Log File")),
                     QStringLiteral("Waveform Capture Data Log File"), QStringLiteral("cmdDLW_Click")},
                    state, status, page.widget()),
      page_(page) {}

logfmt::LogIndex WaveformLogViewer::indexFile(const QByteArray& data) const { return logfmt::indexWaveformLog(data); }

QString WaveformLogViewer::showRecord(const QByteArray& data, const logfmt::RecordSpan& span) {
    const logfmt::WaveformRecord r = logfmt::waveformRecord(data, span);
    WaveformCapture& cap = page_.capture();
    cap.PhaseAngle.fill(0);
    cap.PhasorAngle.fill(0);
    setText(page_.labWaceform(10), r.captureDate);
    setText(page_.labWaceform(12), r.frequencyText);
    // The time cursors scale by the frequency of the capture shown, not of the last live one.
    cap.WaveformFrequency = float(logfmt::scaledNumber(r.frequencyText));
    cap.WaveformCurrentScale = r.currentScale;
    cap.WaveformVoltageScale = r.voltageScale;
    wave::RawCapture samples{};
    std::array<uint16_t, wave::kChannels> gains{};
    for (int ch = 0; ch < wave::kChannels; ++ch) {
        gains[size_t(ch)] = r.rows[0][size_t(ch)];
        for (int k = 0; k < wave::kSamples; ++k) samples[size_t(ch)][size_t(k)] = r.rows[size_t(k + 1)][size_t(ch)];
    }
    cap.setSamples(samples, &gains);
    cap.PhaseAngle = r.phaseAngle;
    page_.ShowWaveformCursors();
    page_.DrawWaveform();
    page_.DrawPhasorDiagram();
    return r.dateTime;
}

} // namespace monitor
