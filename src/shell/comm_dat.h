#pragma once
// Comm.Dat: the seven lines of communication settings in the program folder,
// and the step that copies the chosen settings into the link.
//
//   1 port position (0 = COM1 ... 255 = COM256)   integer
//   2 baud position in 1200, 2400, 4800, 9600, 19200   integer
//   3 stop-bits position (0 = "1", 1 = "2")       integer
//   4 line type (0 = 2-wire, 1 = 4-wire)          integer
//   5 reply time-out in ms                        text
//   6 loading time                                text
//   7 repeat count                                text
//
// Integers are written with a blank before a number that is not negative;
// texts as they are. Lines end in CR LF; the reader takes LF or CR LF.

#include "link/link_state.h"
#include "link/serial_settings.h"

#include <QByteArray>
#include <QString>

namespace shell {

inline constexpr int kPortCount = 256;
inline constexpr int kBaudCount = 5;
inline constexpr int kStopBitsCount = 2;
inline constexpr int kLineCount = 2;

inline const QString kDefaultTimeout = QStringLiteral("3000");
inline const QString kDefaultLoading = QStringLiteral("30");
inline const QString kDefaultRepeat = QStringLiteral("1");
inline constexpr int kTimeoutFloorMs = 3000;

// What the settings window holds: list positions and the three box texts.
struct CommChoices {
    int portIndex = 0;     // cbPort
    int baudIndex = 3;     // cbBaudRate: 9600
    int stopBitsIndex = 0; // cbStopBits
    int lineIndex = 0;     // Combo1: "2W Half Duplex"
    QString timeoutText = kDefaultTimeout; // txtTime(1)
    QString loadingText = kDefaultLoading; // txtTime(2)
    QString repeatText = kDefaultRepeat;   // txtTime(0)
    bool operator==(const CommChoices&) const = default;
};

// An integer line as the file holds it: " 3", "-1".
QString commDatInteger(int value);

// The file's text. lineType is written as given (0 or 1).
QByteArray commDatText(const CommChoices& c, int baudPosition, int lineType);
// The settings window's form: line 4 is 0 for "2W Half Duplex", 1 otherwise.
QByteArray commDatText(const CommChoices& c);

// Reads the file's text into c, line by line, stopping at the first line that
// is missing or names a position its list does not have; c keeps the values
// read so far and its own values for the rest. A time-out, loading or repeat
// text that is not a whole number of at most its box's length leaves the
// default text in place. Returns the number of lines taken (7 = whole file).
int readCommDat(const QByteArray& text, CommChoices& c);

// The file in a folder ("<folder>Comm.Dat").
QString commDatPath(const QString& appFolder);
// Reads the file if there is one; returns the lines taken (0 when missing).
int loadCommDat(const QString& appFolder, CommChoices& c);
// Writes the text through a temporary file; false when it could not be written
// (the old file is then left as it was).
bool writeCommDat(const QString& appFolder, const QByteArray& text);

// The time-out box on leaving it: below 3000 (or no number) becomes "3000".
QString timeoutFloor(const QString& text);

// A box text as a whole number; empty or not a whole number gives fallback.
int wholeNumberOr(const QString& text, int fallback);

// Copies the choices into the serial settings and the link timing: port,
// baud/parity/data/stop indices and codes, flow off, DTR and RTS on,
// ReplyTimeoutMs, LoadingTime, RetryLimit and EchoSkip (armed for any line but
// "2W Half Duplex").
void applyCommChoices(const CommChoices& c, rtu::LinkState& st, const rtu::SerialTables& t);

// Baud position 0..4 in the settings list -> index into the serial tables.
int baudTableIndex(int baudPosition);

} // namespace shell
