#pragma once
// The waveform capture: the meter freezes 128 samples of each of its six inputs
// (IA, IB, IC, V1, V2, V3) with the time and frequency of the capture; this object
// triggers it, reads it back, keeps it in the hidden store `gridWaveform` and
// derives the amperes and volts per sample count.
//
// The twelve channel reads of one capture are collected first and go into the
// store only when all of them succeeded, so the store (and everything drawn or
// logged from it) always holds one whole capture.

#include "monitor/waveform_math.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QTableWidget;
class QWidget;

namespace rtu {
class ModbusMaster;
struct LinkState;
} // namespace rtu
namespace shell {
struct AppState;
}

namespace monitor {

// The instant value label arrays of the instant page that the capture looks at.
enum class InstantLabel { Current, Voltage }; // labCurrentD, labVoltageD
// The numeric value of an instant label, or none when it is not known.
using InstantValueFn = std::function<std::optional<double>(InstantLabel, int index)>;

class WaveformCapture : public QObject {
    Q_OBJECT
public:
    static constexpr int16_t CmdCaptureTime = 50, CmdPart1 = 51, CmdPart2 = 52;
    static constexpr uint16_t TriggerCoil = 0x1D;
    static constexpr uint16_t TimeRegister = 0x0330;
    static constexpr uint16_t BlockBase = 0x0338, BlockPitch = 0x88;
    static constexpr int Part1Count = 32, Part2Offset = 0x20, Part2Count = 97;

    // host: the widget that holds the (hidden) store and the enable box.
    WaveformCapture(shell::AppState& app, rtu::ModbusMaster& master, QWidget* host);
    ~WaveformCapture() override;

    void registerDecoders(rtu::ModbusMaster& master);

    // --- the cycle's steps ---------------------------------------------------------
    void ClearPhaseAngles();
    void TriggerWaveformCapture();
    void ReadWaveformCaptureTime();
    void CaptureWaveform();

    // --- decoders ------------------------------------------------------------------
    void ShowWaveformTime();
    void ShowWaveformPart1();
    void ShowWaveformPart2();

    // --- the store ---------------------------------------------------------------
    QTableWidget* gridWaveform() const { return grid_; }
    QCheckBox* chkWF() const { return chkWF_; }
    bool enabled() const;
    // The samples of the store as raw registers. A cell that holds no number keeps
    // the value of the sample before it.
    wave::RawCapture samples() const;
    wave::RawChannel channel(int ch) const;
    // Writes a whole capture into the store (also the log viewer's way in).
    void setSamples(const wave::RawCapture& capture, const std::array<uint16_t, wave::kChannels>* gains = nullptr);

    // --- values the plot, the phasors and the data logs read -------------------------
    int16_t WaveformChannel = 1;
    double WaveformCurrentScale = 0;
    double WaveformVoltageScale = 0;
    float WaveformFrequency = 0;
    std::array<float, wave::kChannels> PhaseAngle{};
    std::array<float, wave::kChannels> PhasorAngle{};
    QString captureDateText() const { return dateText_; }  // labWaceform(10)
    QString frequencyText() const { return frequencyText_; } // labWaceform(12)
    bool frequencyUnavailable() const { return frequencyRed_; }

    // Seconds the meter is given to take the capture after the trigger.
    double TriggerWaitSeconds = 2.0;

    // --- connections -----------------------------------------------------------------
    InstantValueFn instantValue;
    // After a complete capture, per channel (meters below 2.1): the harmonic analysis
    // of channel ch; compute false clears its row.
    std::function<void(int ch, bool compute)> channelHarmonics;
    // After a complete capture: channel set-up, plot, phasors, harmonic charts.
    std::function<void()> captureComplete;

    // Whether the instant reading of channel ch's quantity is not 0 (unknown counts as not 0).
    bool instantNonZero(int ch) const;
    bool instantReadsZero(InstantLabel label, int index) const;

signals:
    void captureTimeShown();

private:
    bool meterSelected() const;
    void status(const QString& text);
    void commit();

    shell::AppState& app_;
    rtu::LinkState& link_;
    rtu::ModbusMaster& master_;
    QTableWidget* grid_ = nullptr;
    QCheckBox* chkWF_ = nullptr;

    // The capture being read: gain words and samples, and which parts arrived.
    std::array<uint16_t, wave::kChannels> stagedGain_{};
    wave::RawCapture staged_{};
    std::array<uint8_t, wave::kChannels> partsDecoded_{};

    // The capture time and frequency as the meter reported them: the last reply read,
    // and the one that belongs to the capture in the store.
    struct CaptureTime {
        QString date, frequency;
        float hz = 0;
        bool red = false;
        bool known = false;
    };
    void showTime(const CaptureTime& time);
    CaptureTime readTime_;
    // The factors the last whole capture gave (a silent first cycle gives none).
    std::optional<double> liveCurrentScale_, liveVoltageScale_;

    QString dateText_;
    QString frequencyText_;
    bool frequencyRed_ = false;
};

} // namespace monitor
