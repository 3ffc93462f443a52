#pragma once
// The procedures of the pages and windows that the poll scheduler and the main
// window call. Each page fills in its own when it is built; an empty one is
// simply not called, so a page that does not exist yet does nothing.
//
// Requesters send their own requests through the Modbus master and leave the
// outcome of their last exchange in LinkState::LinkFailed.

#include <QString>
#include <cstdint>
#include <functional>

namespace shell {

using Proc = std::function<void()>;

struct PageServices {
    // --- background reads (every 10 s) -------------------------------------------
    Proc ReadKeyboardLock;
    Proc ReadEssentialProperty; // also page 2, step 0

    // --- page work, by page ------------------------------------------------------
    Proc ReadInstantAndEnergy; // page 0; the waveform sequence
    Proc RunMaxMinPage;        // page 1
    Proc ReadSetPointSetup, SetupSetPoint;                            // page 3
    Proc RunAnalogInputPage;                                          // page 4
    Proc ReadAnalogOutputSetup, SetupAnalogOutput;                    // page 5
    Proc ReadDigitalInputSetup, ReadDigitalInputStatus, WriteDigitalInputSetup; // page 6
    Proc ReadPulseOutputSetup, WritePulseOutputSetup;                           // page 7
    Proc ReadTOUSchedule, ReadTOUData, SetupTimeOfUse;                          // page 8
    Proc ReadDemandSetup, ReadDemandValues, WriteDemandSetup;                   // page 9
    Proc ReadMeterClock, ReadClockRecords, ReadMeterInformation, SetupClock, SetupBatteryReplaceDate; // page 10
    Proc ReadTrendSetup, ReadTrendAndAnalogInput, LoadTrendLog, SetupTrend, SaveTLFile;            // page 11
    Proc RunEventPage; // page 12
    Proc RunTracePage; // page 13
    Proc ReadRelaySetup, SetupControlRelay, ReadRelayStatus; // page 15
    std::function<void(int16_t index)> ControlRelayOutput;   // page 15, steps 2..7
    Proc ReadMappedValues, ReadMappingTable, SetupMappingFile, UploadMappingFile; // page 16
    std::function<void(int16_t entryIndex, bool fromScheduler)> WriteMappingEntry;
    Proc EnableMappingGrid; // enables gridMapping again before the table is re-read
    Proc ReadPulseLedSetup, WritePulseLEDSetup; // page 19
    Proc ReadDisplaySetup, SetupDisplayScan;    // page 20
    Proc ReadHarmonics;                         // page 21 (meters from version 2.1)
    Proc InitHarmonicGrids;                     // page 21: lay the grids out for MeterVersion
    Proc InitTrendControls;                     // page 11: refill the trend lists for MeterVersion
    Proc RunSystemFunctionPage;                 // page 22
    Proc RunTOUPage;                            // page 25
    Proc RunSimulationPage;                     // page 26

    // --- the waveform capture (pages 14 and 21, the waveform log) ----------------
    Proc RunWaveformSequence; // the whole cycle while "Waveform Capture Enable" is ticked
    Proc TriggerWaveformCapture, ReadWaveformCaptureTime, CaptureWaveform;

    // --- buttons whose captions the confirmed coil commands use ------------------
    std::function<QString()> TOUCommandCaption;   // cmdTOU(0); "Reset TOU Count" when empty
    std::function<QString()> TrendCommandCaption; // cmdTrend(1); by step when empty
    std::function<void(const QString&)> SetTrendCommandCaption;
    Proc ClearTrendTables;                                   // first column of rows 1..960 of both trend grids
    std::function<void(const QString&)> SetTrendFileCaption; // cmdTrend(2)

    // --- PC data logs --------------------------------------------------------------
    Proc WriteInstantLogLine, WriteHarmonicLogLine, WriteWaveformLogLine;
    // The text of a log's interval box in minutes (0 txtDLB, 1 txtDLH, 2 txtDLW); "0" when empty.
    std::function<QString(int log)> DataLogIntervalText;

    // Stops the three logs and closes their files (going back to no meter, "Off Line");
    // each viewer can then read a file again but steps through none.
    Proc StopDataLogs;
    // A meter was selected: the instant and harmonic viewers are put out of use, since
    // their pages now show the meter (the waveform viewer keeps its state).
    Proc DisableLiveLogViewers;

    // --- meter address panel ---------------------------------------------------------
    Proc SetupMeterAddress, SetupMeterBaudRate;
    Proc txtAddress_LostFocus; // the address check
    // The entry check of the field that has the focus, run before a page change.
    Proc RunPendingEntryCheck;

    // --- other windows ------------------------------------------------------------------
    Proc ShowCommForm;            // the communication settings window, modal
    std::function<bool()> Login;  // the login window, modal; returns LoginOk
    Proc SaveMeterConfig;
    Proc UploadTOUCost;
    Proc EndProgram; // closes the other windows and ends the program; empty: quit the application
};

} // namespace shell
