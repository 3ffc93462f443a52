#include "monitor/waveform_capture.h"

#include "common/shared_routines.h"
#include "link/modbus_master.h"
#include "shell/app_state.h"

#include <QCheckBox>
#include <QTableWidget>
#include <cmath>

namespace monitor {

namespace {
constexpr int kRows = 130, kCols = 7;
const char* const kHeadings[wave::kChannels] = {"IA", "IB", "IC", "V1", "V2", "V3"};

QString twoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

int meterAddressByte(const QString& address) {
    bool ok = false;
    const int v = address.trimmed().toInt(&ok);
    return (ok && v >= 1 && v <= 255) ? v : -1;
}
} // namespace

WaveformCapture::WaveformCapture(shell::AppState& app, rtu::ModbusMaster& master, QWidget* host)
    : QObject(nullptr), app_(app), link_(app.link), master_(master) {
    grid_ = new QTableWidget(kRows, kCols, host);
    grid_->setObjectName(QStringLiteral("gridWaveform"));
    grid_->hide();
    for (int c = 0; c < wave::kChannels; ++c) grid_->setItem(0, c + 1, new QTableWidgetItem(kHeadings[c]));
    grid_->setItem(1, 0, new QTableWidgetItem(QStringLiteral("Gain")));
    for (int k = 1; k <= wave::kSamples; ++k) grid_->setItem(k + 1, 0, new QTableWidgetItem(QString::number(k)));
    for (int r = 1; r < kRows; ++r)
        for (int c = 1; c < kCols; ++c) grid_->setItem(r, c, new QTableWidgetItem(QStringLiteral("0")));

    chkWF_ = new QCheckBox(QStringLiteral("Waveform Capture Enable"), host);
    chkWF_->setObjectName(QStringLiteral("chkWF"));
    chkWF_->setChecked(true);
}

WaveformCapture::~WaveformCapture() = default;

void WaveformCapture::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdCaptureTime, [this] { ShowWaveformTime(); });
    master.registerDecoder(CmdPart1, [this] { ShowWaveformPart1(); });
    master.registerDecoder(CmdPart2, [this] { ShowWaveformPart2(); });
}

bool WaveformCapture::enabled() const { return chkWF_ && chkWF_->isChecked(); }

bool WaveformCapture::meterSelected() const { return meterAddressByte(link_.MeterAddress) > 0; }

void WaveformCapture::status(const QString& text) { master_.status().setPanelText(1, text); }

// --- the cycle ----------------------------------------------------------------------

void WaveformCapture::ClearPhaseAngles() {
    PhaseAngle.fill(0);
    PhasorAngle.fill(0);
}

void WaveformCapture::TriggerWaveformCapture() {
    // Going back to no meter while a cycle waits ends the cycle: "xxx" must never be
    // sent, it would go out as address 0, a broadcast.
    const int address = meterAddressByte(link_.MeterAddress);
    if (address < 0) return;
    const QString shown = link_.MeterAddress;
    master_.SendFrame(rtu::CmdWrite, {uint8_t(address), 0x05, 0x00, uint8_t(TriggerCoil), 0xFF, 0x00});
    if (link_.LinkFailed) {
        status("Meter [" + shown + "] Capture Error!");
        return;
    }
    common::Delay(TriggerWaitSeconds);
    if (!meterSelected()) return;
    status("Meter [" + shown + "] Capture Ok!");
}

void WaveformCapture::ReadWaveformCaptureTime() {
    if (!meterSelected()) return;
    master_.SendReadHoldingRegisters(CmdCaptureTime, TimeRegister, 4);
}

void WaveformCapture::CaptureWaveform() {
    partsDecoded_.fill(0);
    for (int ch = 0; ch < wave::kChannels; ++ch) {
        const int base = BlockBase + BlockPitch * ch;
        if (!meterSelected()) return;
        WaveformChannel = int16_t(ch + 1);
        master_.SendReadHoldingRegisters(CmdPart1, base, Part1Count);
        const bool firstOk = !link_.LinkFailed && (partsDecoded_[size_t(ch)] & 1);
        if (!meterSelected()) return;
        if (firstOk) {
            master_.SendReadHoldingRegisters(CmdPart2, base + Part2Offset, Part2Count);
        }
        if (!meterSelected()) return;
        // Both halves must have arrived: a channel made of old and new samples is no capture.
        if (!firstOk || link_.LinkFailed || !(partsDecoded_[size_t(ch)] & 2)) {
            status(QStringLiteral("Waveform Capture Error!"));
            return;
        }
        status(QStringLiteral("Waveform Capture %1 Ok.").arg(ch));
    }
    commit();
    if (app_.meter.MeterVersion < 2.1f && channelHarmonics) {
        // On the samples as read, before the channel set-up turns voltages into line values.
        for (int ch = 0; ch < wave::kChannels; ++ch) channelHarmonics(ch, instantNonZero(ch));
    }
    if (captureComplete) captureComplete();
}

void WaveformCapture::commit() {
    setSamples(staged_, &stagedGain_);
    // One factor from IA serves the three currents, one from V1 the three voltages. A
    // silent first cycle keeps the factor of the capture before: the meter's, not that
    // of a log record shown meanwhile.
    if (auto s = wave::scaleFromRms(app_.meter.MeasuredCurrent1, staged_[wave::IA])) liveCurrentScale_ = *s;
    if (auto s = wave::scaleFromRms(app_.meter.MeasuredVoltage1, staged_[wave::V1])) liveVoltageScale_ = *s;
    if (liveCurrentScale_) WaveformCurrentScale = *liveCurrentScale_;
    if (liveVoltageScale_) WaveformVoltageScale = *liveVoltageScale_;
    // The capture's own time and frequency go with its samples, whatever a log viewer
    // put on the page while the channels were read: the cursors, the read-outs and the
    // log record all take them from here.
    if (readTime_.known) showTime(readTime_);
}

// --- decoders -------------------------------------------------------------------------

void WaveformCapture::ShowWaveformTime() {
    if (link_.RxCount < 3 + 8) return;
    const auto& rx = link_.RxBuffer;
    const QString time = twoDigits(rx[6]) + ":" + twoDigits(rx[3]) + ":" + twoDigits(rx[4]);
    const QString date = common::BuildLocaleDate(twoDigits(rx[7]), twoDigits(rx[8]), twoDigits(rx[5]),
                                                 app_.LocaleDateFormat, app_.LocaleDateSeparator);
    const int raw = rx[9] * 256 + rx[10];
    CaptureTime t;
    t.date = date + "   " + time;
    t.red = raw == 65535;
    t.hz = float(raw * 0.002);
    t.frequency = common::FormatScaledValue(QString::number(double(t.hz), 'g', 7), 20);
    t.known = true;
    readTime_ = t;
    showTime(t);
}

void WaveformCapture::showTime(const CaptureTime& time) {
    dateText_ = time.date;
    frequencyRed_ = time.red;
    WaveformFrequency = time.hz;
    frequencyText_ = time.frequency;
    emit captureTimeShown();
}

void WaveformCapture::ShowWaveformPart1() {
    const int ch = WaveformChannel - 1;
    if (ch < 0 || ch >= wave::kChannels || link_.RxCount < 3 + 2 * Part1Count) return;
    stagedGain_[size_t(ch)] = link_.replyRegister(0);
    for (int i = 0; i < 31; ++i) staged_[size_t(ch)][size_t(i)] = link_.replyRegister(1 + i);
    partsDecoded_[size_t(ch)] |= 1;
}

void WaveformCapture::ShowWaveformPart2() {
    const int ch = WaveformChannel - 1;
    if (ch < 0 || ch >= wave::kChannels || link_.RxCount < 3 + 2 * Part2Count) return;
    for (int i = 0; i < Part2Count; ++i) staged_[size_t(ch)][size_t(31 + i)] = link_.replyRegister(i);
    partsDecoded_[size_t(ch)] |= 2;
}

// --- the store --------------------------------------------------------------------------

wave::RawChannel WaveformCapture::channel(int ch) const {
    wave::RawChannel out{};
    if (ch < 0 || ch >= wave::kChannels) return out;
    uint16_t previous = 0;
    for (int k = 0; k < wave::kSamples; ++k) {
        const QTableWidgetItem* item = grid_->item(k + 2, ch + 1);
        bool ok = false;
        const uint v = item ? item->text().trimmed().toUInt(&ok) : 0;
        if (ok && v <= 65535) previous = uint16_t(v);
        out[size_t(k)] = previous;
    }
    return out;
}

wave::RawCapture WaveformCapture::samples() const {
    wave::RawCapture out{};
    for (int ch = 0; ch < wave::kChannels; ++ch) out[size_t(ch)] = channel(ch);
    return out;
}

void WaveformCapture::setSamples(const wave::RawCapture& capture, const std::array<uint16_t, wave::kChannels>* gains) {
    auto put = [this](int row, int col, uint16_t v) {
        if (QTableWidgetItem* item = grid_->item(row, col)) item->setText(QString::number(v));
        else grid_->setItem(row, col, new QTableWidgetItem(QString::number(v)));
    };
    for (int ch = 0; ch < wave::kChannels; ++ch) {
        if (gains) put(1, ch + 1, (*gains)[size_t(ch)]);
        for (int k = 0; k < wave::kSamples; ++k) put(k + 2, ch + 1, capture[size_t(ch)][size_t(k)]);
    }
}

// --- instant values ---------------------------------------------------------------------

bool WaveformCapture::instantReadsZero(InstantLabel label, int index) const {
    if (!instantValue) return false;
    const std::optional<double> v = instantValue(label, index);
    return v && *v == 0;
}

bool WaveformCapture::instantNonZero(int ch) const {
    if (ch < 3) return !instantReadsZero(InstantLabel::Current, ch);
    const int index = app_.meter.WiringMode == 2 ? ch + 2 : ch - 3;
    return !instantReadsZero(InstantLabel::Voltage, index);
}

} // namespace monitor
