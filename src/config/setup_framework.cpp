#include "config/setup_framework.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"
#include "shell/save_config.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>
#include <cmath>

namespace config {

rtu::LinkState& SetupContext::link() const { return app.link; }

SetupContext setupContext(shell::PageContext& app) {
    return SetupContext{app.app(), app.page(), app.master(), app.services()};
}

// --- reading ----------------------------------------------------------------------------

bool readSetupBlock(const SetupContext& ctx, int16_t code, int start, int count) {
    rtu::LinkState& link = ctx.link();
    ctx.page.SetupModified = false;
    ctx.page.Refreshing = true;
    ctx.master.SendReadHoldingRegisters(code, start, count);
    ctx.page.Refreshing = false;
    return !link.LinkFailed;
}

int listIndexFor(int value, int lastIndex) { return (value >= 0 && value <= lastIndex) ? value : 0; }

OptionChoice optionChoiceFor(int value, int lastOption) {
    return OptionChoice{listIndexFor(value, lastOption), QString::number(value)};
}

// --- edits ------------------------------------------------------------------------------

void markModified(common::PageState& page, int16_t editedGroup) {
    if (page.Refreshing) return;
    page.SetupModified = true;
    if (editedGroup != 0) page.EditedGroup = editedGroup;
}

namespace {

class FieldWatcher : public QObject {
public:
    FieldWatcher(QLineEdit* field, std::function<void()> check) : QObject(field), field_(field), check_(std::move(check)) {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == field_) {
            if (event->type() == QEvent::FocusIn) {
                // After the click that gave the focus has placed the cursor.
                QTimer::singleShot(0, field_, [f = field_] { f->selectAll(); });
            } else if (event->type() == QEvent::FocusOut && check_) {
                check_();
            }
        }
        return false;
    }

private:
    QLineEdit* field_;
    std::function<void()> check_;
};

void showError(const QString& text) {
    common::prompter().message(QStringLiteral("Error"), text, common::Icon::Stop, common::Buttons::Ok);
}

} // namespace

void watchField(QLineEdit* field, std::function<void()> check) {
    if (field) new FieldWatcher(field, std::move(check));
}

// --- entry checks -------------------------------------------------------------------------

bool isNumericEntry(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    bool ok = false;
    const double v = t.toDouble(&ok); // C locale: "." is the decimal separator
    return ok && std::isfinite(v);
}

namespace {

// The first step of both checks: a text that is no number is refused and
// replaced by the default.
bool refusedAsNotNumeric(QLineEdit* field, const QString& defaultText) {
    if (isNumericEntry(field->text())) return false;
    showError(QStringLiteral("Data Key In Error!"));
    field->setText(defaultText);
    return true;
}

} // namespace

EntryResult checkEntry(QLineEdit* field, const CombinedCheck& check) {
    if (!field) return EntryResult::Ok;
    if (refusedAsNotNumeric(field, check.defaultText)) return EntryResult::NotNumeric;
    const double v = common::leadingNumber(field->text());
    if (v < check.low || v > check.high) {
        showError(check.rangeMessage);
        field->setText(check.defaultText);
        return EntryResult::OutOfRange;
    }
    return EntryResult::Ok;
}

EntryResult checkEntry(QLineEdit* field, const SeparateCheck& check) {
    if (!field) return EntryResult::Ok;
    if (refusedAsNotNumeric(field, check.defaultText)) return EntryResult::NotNumeric;
    const double v = common::leadingNumber(field->text());
    if (v < check.low) {
        common::beep();
        showError(QStringLiteral("< (Low Limit)"));
        return EntryResult::OutOfRange;
    }
    if (v > check.high) {
        common::beep();
        showError(QStringLiteral("> (High Limit)"));
        return EntryResult::OutOfRange;
    }
    return EntryResult::Ok;
}

// --- encodings and frames ------------------------------------------------------------------

std::optional<uint16_t> encodeRegister(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    // nearbyint rounds halves to even in the default rounding mode.
    const double whole = std::nearbyint(value);
    if (whole < 0 || whole > 65535) return std::nullopt;
    return uint16_t(whole);
}

std::optional<uint16_t> encodeTenths(double value) { return encodeRegister(value * 10.0); }

std::optional<uint16_t> encodeOrReport(std::optional<uint16_t> encoded, const QString& rangeMessage) {
    if (!encoded) showError(rangeMessage);
    return encoded;
}

std::vector<uint8_t> buildWriteFrame(uint8_t address, uint8_t function, uint16_t firstRegister,
                                     const std::vector<uint16_t>& values) {
    const size_t count = values.size();
    std::vector<uint8_t> f{address,
                           function,
                           uint8_t(firstRegister >> 8),
                           uint8_t(firstRegister & 0xFF),
                           uint8_t(count >> 8),
                           uint8_t(count & 0xFF),
                           uint8_t(2 * count)};
    for (uint16_t v : values) {
        f.push_back(uint8_t(v >> 8));
        f.push_back(uint8_t(v & 0xFF));
    }
    return f;
}

bool sendWriteFrame(const SetupContext& ctx, uint8_t function, uint16_t firstRegister,
                    const std::vector<uint16_t>& values) {
    rtu::LinkState& link = ctx.link();
    bool ok = false;
    const int address = link.MeterAddress.trimmed().toInt(&ok);
    // The byte count must fit its byte; an address that is no number would go out as a broadcast.
    if (!ok || address < 1 || address > 255 || values.empty() || values.size() > 123) {
        link.LinkFailed = true;
        return false;
    }
    ctx.master.SendFrame(rtu::CmdWrite, buildWriteFrame(uint8_t(address), function, firstRegister, values));
    return !link.LinkFailed;
}

bool sendSaveConfigFrame(const SetupContext& ctx) {
    rtu::LinkState& link = ctx.link();
    bool ok = false;
    const int address = link.MeterAddress.trimmed().toInt(&ok);
    if (!ok || address < 1 || address > 255) {
        link.LinkFailed = true;
        return false;
    }
    const auto frame = shell::saveConfigFrame(uint8_t(address));
    ctx.master.SendFrame(rtu::CmdSaveConfig, std::vector<uint8_t>(frame.begin(), frame.end() - 2));
    return !link.LinkFailed;
}

// --- the confirmed write ----------------------------------------------------------------------

std::optional<WriteOutcome> confirmAndLogIn(const SetupContext& ctx, const QString& action) {
    ctx.app.ConfirmAnswer = 0;
    ctx.app.ConfirmAnswer = int16_t(common::confirmAction(action));
    if (ctx.app.ConfirmAnswer != common::AnswerYes) return WriteOutcome::Declined;
    const bool loggedIn = ctx.services.Login ? ctx.services.Login() : false;
    if (!loggedIn || !ctx.app.LoginOk) return WriteOutcome::LoginRefused;
    return std::nullopt;
}

void showErrorBox(const QString& text) { showError(text); }

void showWriteError(const SetupContext& ctx, const QString& words) {
    showError("Meter [" + ctx.link().MeterAddress + "] " + words + " Error!");
}

bool runConfirmedCoilCommand(const SetupContext& ctx, int16_t coil, const QString& caption) {
    struct StepReset {
        common::PageState& page;
        ~StepReset() { page.moveStep(0); }
    } reset{ctx.page};
    if (confirmAndLogIn(ctx, caption)) return false;
    ctx.master.SendCommandCoil(coil);
    if (ctx.link().LinkFailed) {
        showWriteError(ctx, caption);
        return false;
    }
    ctx.master.status().setPanelText(1, "Meter [" + ctx.link().MeterAddress + "] " + caption + " Ok!");
    return true;
}

std::optional<WriteOutcome> askAndLogIn(const SetupContext& ctx, const QString& action) {
    const auto stop = confirmAndLogIn(ctx, action);
    if (stop == WriteOutcome::Declined) ctx.page.moveStep(0);
    return stop;
}

WriteOutcome runConfirmedWrite(const SetupContext& ctx, const ConfirmedWrite& write) {
    ctx.page.moveStep(write.idleStep);
    std::optional<std::vector<uint16_t>> values = write.values ? write.values() : std::vector<uint16_t>{};
    if (!values) return WriteOutcome::Refused;

    if (const auto stopped = askAndLogIn(ctx, write.action)) return *stopped;

    if (!sendWriteFrame(ctx, write.function, write.firstRegister, *values)) {
        showWriteError(ctx, write.resultWords);
        return WriteOutcome::Failed;
    }
    ctx.master.status().setPanelText(1, "Meter [" + ctx.link().MeterAddress + "] " + write.resultWords + " Ok!");
    ctx.page.moveStep(0);
    return WriteOutcome::Done;
}

} // namespace config
