#pragma once
// Program-wide state of the meter being served and of the page being shown.
// The link's own state (frames, counts, MeterAddress) is rtu::LinkState.

#include <QString>
#include <array>
#include <cstdint>

namespace common {

// What the program knows of the selected meter.
struct MeterState {
    float MeterVersion = 0.0f; // boot software version, 0 when none is known
    bool CurrentInput1A = false;
    bool VoltageInput150V = false;
    double PtRatio = 1.0;
    double CtRatio = 1.0;
    int WiringMode = 0; // 2 = line-to-line voltages
    int FrequencyCode = 0;
    QString MeterModelText = QStringLiteral("KD 4170");
    uint16_t MeterOptionBits = 0; // bits 0..5 = options "A".."F"
    bool FirmwareChanged = false;
    float MeasuredCurrent1 = 0.0f;
    float MeasuredVoltage1 = 0.0f;
};

// Tick counters that pace the slower reads; raised once a second up to their caps.
struct TickCounters {
    static constexpr int16_t RefreshCap = 1, MapCap = 3, RecordCap = 6, TraceCap = 9, MinuteCap = 60,
                             KeyLockCap = 10;
    int16_t RefreshTicks = RefreshCap;
    int16_t MapTicks = MapCap;
    int16_t RecordTicks = RecordCap;
    int16_t TraceTicks = TraceCap;
    int16_t MinuteTicks = MinuteCap;
    int16_t KeyLockTicks = KeyLockCap;

    void setToCaps() { *this = TickCounters{}; }
    void raise() {
        auto up = [](int16_t& v, int16_t cap) { if (v < cap) ++v; };
        up(RefreshTicks, RefreshCap);
        up(MapTicks, MapCap);
        up(RecordTicks, RecordCap);
        up(TraceTicks, TraceCap);
        up(MinuteTicks, MinuteCap);
        up(KeyLockTicks, KeyLockCap);
    }
};

// The page being shown and its state machine.
struct PageState {
    int16_t PageIndex = 0;
    int16_t PageStep = 0;
    bool PageChanged = false;
    bool Refreshing = false;    // a decoder is filling the page: edits are not the user's
    bool SetupModified = false; // the page holds edits not yet written
    int16_t EditedGroup = 0;    // essential-property group edited last (1..3)
    int16_t PendingAddressAction = 0; // 1 address change, 2 baud change
    bool AddressEdited = false;
    bool AddressMarking = false;
    bool OffLineShown = false;
    bool DateEdited = false;
    bool TimeEdited = false;
    int16_t MappingRequest = 0;
    int16_t GridEditRow = 0;
    TickCounters Ticks;
};

// One PC data log.
struct DataLogState {
    double Elapsed = 0;  // seconds since the last record, counted up to 6000
    double Interval = 0; // seconds, 0 = off
    QString FileName;    // "" = no log
    int32_t ViewRow = 0;
};

// The three PC data logs: instant values, harmonics, waveforms.
struct DataLogSet {
    DataLogState BasicLog;
    DataLogState HarmonicLog;
    DataLogState WaveformLog;
};

} // namespace common
