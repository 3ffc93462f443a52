#pragma once
// The mechanics every set-up page shares: the requester, the list and option
// decoders, the entry checks of both shapes, the value encodings, the write
// frames (0x10 and the vendor 0x70) and the confirmed write with its step rules.
//
// A page gives its registers, controls, limits and texts; these pieces do the rest.

#include "common/app_state.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QLineEdit;
class QWidget;

namespace rtu {
class ModbusMaster;
struct LinkState;
} // namespace rtu

namespace shell {
class PageContext;
struct AppState;
struct PageServices;
} // namespace shell

namespace config {

inline constexpr uint8_t FnWriteRegisters = 0x10;
inline constexpr uint8_t FnVendorWrite = 0x70;

// What a set-up page works with; all of it lives as long as the program.
struct SetupContext {
    shell::AppState& app;
    common::PageState& page;
    rtu::ModbusMaster& master;
    shell::PageServices& services;

    rtu::LinkState& link() const;
};
SetupContext setupContext(shell::PageContext& app);

// --- reading ----------------------------------------------------------------------------

// The requester: clears SetupModified, reads count registers from start with
// the page's code while Refreshing is set (the decoder runs inside), then
// clears Refreshing. True when the read got a good reply. Sets no step.
bool readSetupBlock(const SetupContext& ctx, int16_t code, int start, int count);

// A decoded code as a list index: the value when it names an item, else 0.
int listIndexFor(int value, int lastIndex);
// A decoded code of an option group: the option to select (the first when the
// value names none) and the Tag text, which keeps the value as decoded.
struct OptionChoice {
    int option = 0;
    QString tag;
};
OptionChoice optionChoiceFor(int value, int lastOption);

// --- edits ------------------------------------------------------------------------------

// An edit by the user marks the page modified (and, on the essential-property
// page, its edited group); a fill by the program (Refreshing) marks nothing.
void markModified(common::PageState& page, int16_t editedGroup = 0);

// Selects the whole text when the field gets the focus and runs check when it
// loses it. The watcher belongs to the field.
void watchField(QLineEdit* field, std::function<void()> check);

// --- entry checks -------------------------------------------------------------------------

// Whether a text is a number as a user types one ("12", " 12.5", "-3", ".5").
bool isNumericEntry(const QString& text);

// One range message for both limits; the default comes back after either box.
struct CombinedCheck {
    double low = 0, high = 0;
    QString rangeMessage;
    QString defaultText;
};
// Separate limits: a beep and "< (Low Limit)" / "> (High Limit)", the typed text
// stays; only a non-numeric entry gets the default back.
struct SeparateCheck {
    double low = 0, high = 0;
    QString defaultText;
};
enum class EntryResult { Ok, NotNumeric, OutOfRange };
EntryResult checkEntry(QLineEdit* field, const CombinedCheck& check);
EntryResult checkEntry(QLineEdit* field, const SeparateCheck& check);

// --- encodings and frames ------------------------------------------------------------------

// A value for one register: rounded first (halves to even), then refused when
// outside 0..65535, so nothing wraps into a different value.
std::optional<uint16_t> encodeRegister(double value);
// A value kept by the meter in tenths.
std::optional<uint16_t> encodeTenths(double value);

// An encoding that was refused shows the field's range message (title "Error").
std::optional<uint16_t> encodeOrReport(std::optional<uint16_t> encoded, const QString& rangeMessage);

// The function-16 layout (also with 0x70): address, function, first register,
// count, byte count, values; the CRC is not included.
std::vector<uint8_t> buildWriteFrame(uint8_t address, uint8_t function, uint16_t firstRegister,
                                     const std::vector<uint16_t>& values);
// Builds the frame for the selected meter into TxFrame and sends it with the
// write code (100). True when acknowledged; a meter address that is no number
// sends nothing and fails.
bool sendWriteFrame(const SetupContext& ctx, uint8_t function, uint16_t firstRegister,
                    const std::vector<uint16_t>& values);

// The vendor save-configuration request (CommandCode 200; the link waits 5 s
// after it), with no question of its own: for actions that were confirmed
// already. True when the meter acknowledged it.
bool sendSaveConfigFrame(const SetupContext& ctx);

// --- the confirmed write ----------------------------------------------------------------------

enum class WriteOutcome;
// "Do you want to <action> ?" under "ReCheck !" (the answer kept in ConfirmAnswer),
// then the login: Declined or LoginRefused when the action must not go on,
// nothing when it may.
std::optional<WriteOutcome> confirmAndLogIn(const SetupContext& ctx, const QString& action);

// A box titled "Error" with the stop icon.
void showErrorBox(const QString& text);

struct ConfirmedWrite {
    int16_t idleStep = 0;       // the page's step while asking and after a failure
    QString action;             // "Setup PT / CT Ratio" -> "Do you want to Setup PT / CT Ratio ?"
    QString resultWords;        // "Setting PT / CT Ratio" -> "Meter [1] Setting PT / CT Ratio Ok!"
    uint8_t function = FnWriteRegisters;
    uint16_t firstRegister = 0;
    // Checks the fields and encodes the values; on refusal it has shown its box
    // and returns nullopt. Runs before the question, so nothing is asked that
    // could not be sent.
    std::function<std::optional<std::vector<uint16_t>>()> values;
};
enum class WriteOutcome { Refused, Declined, LoginRefused, Failed, Done };
// The question "Do you want to <action> ?" (its answer kept in ConfirmAnswer) and,
// on Yes, the login. Any answer but Yes puts the page at step 0 (it is read
// again) and gives Declined; a refused login gives LoginRefused and leaves the
// step alone. nullopt: the write goes on.
std::optional<WriteOutcome> askAndLogIn(const SetupContext& ctx, const QString& action);
// Step rules: the idle step at once (ticks that run while a box or the login is
// open find nothing to do); No -> step 0 (the page is read again); login
// refused -> idle, nothing sent; link failure -> the " Error!" box, idle;
// success -> the " Ok!" line in status panel 1 and step 0 (read back).
WriteOutcome runConfirmedWrite(const SetupContext& ctx, const ConfirmedWrite& write);

// A confirmed coil command: "Do you want to <caption> ?", the login, the coil,
// then "Meter [<address>] <caption> Ok!" in panel 1 or the " Error!" box. The page
// goes back to step 0 whatever happens. True when the meter took the coil.
bool runConfirmedCoilCommand(const SetupContext& ctx, int16_t coil, const QString& caption);

// Shows "Meter [<address>] <words> Error!" in a box titled "Error".
void showWriteError(const SetupContext& ctx, const QString& words);

} // namespace config
