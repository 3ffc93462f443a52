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

    // --- reads that several pages and windows use ----------------------------
    Proc ReadInstantAndEnergy; // page 0, the waveform cycle, the logs, the simulation page
    Proc ReadDemandValues;     // pages 0 and 9
    Proc ReadHarmonics;        // page 21 and the harmonic log (meters from version 2.1)
    Proc ReadMeterInformation; // the address check and the clock page
    Proc InitHarmonicGrids;    // page 21's grids laid out for MeterVersion (identification, viewers)
    Proc InitTrendControls;    // page 11's lists refilled for MeterVersion (identification)

    // --- the waveform capture (pages 14 and 21, the waveform log) ----------------
    Proc RunWaveformSequence; // the whole cycle while "Waveform Capture Enable" is ticked
    Proc TriggerWaveformCapture, ReadWaveformCaptureTime, CaptureWaveform;

    // The trend page's file button caption ("Save File" with a meter, "Open File" without).
    std::function<void(const QString&)> SetTrendFileCaption;

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
