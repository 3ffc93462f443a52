#include "pages/setup_context.h"

#include "link/modbus_master.h"
#include "pages/form_values.h"
#include "shell/page_context.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QVariant>

namespace pages {

rtu::LinkState& SetupContext::link() const { return app.link; }

SetupContext setupContext(shell::PageContext& app) {
    return SetupContext{app.app(), app.page(), app.master(), app.services()};
}

bool readSetupBlock(const SetupContext& ctx, int16_t code, int start, int count) {
    const BlockRead read{code, start, count};
    return readSetupBlocks(ctx, std::span<const BlockRead>(&read, 1));
}

bool readSetupBlocks(const SetupContext& ctx, std::span<const BlockRead> reads) {
    ctx.page.SetupModified = false;
    ctx.page.Refreshing = true;
    for (const BlockRead& b : reads) ctx.master.SendReadHoldingRegisters(b.code, b.start, b.count);
    ctx.page.Refreshing = false;
    return !reads.empty() && !ctx.link().LinkFailed;
}

void markModified(common::PageState& page, int16_t editedGroup) {
    if (page.Refreshing) return;
    page.SetupModified = true;
    if (editedGroup != 0) page.EditedGroup = editedGroup;
}

namespace {

// The page work during which a person last edited the control, and the work that
// serves the last ask made before the edit: the reads of these and of the works
// between them leave the control.
const char* const kEditedInWork = "editedInWork";
const char* const kEditedUntilWork = "editedUntilWork";

} // namespace

void markPersonEdit(common::PageState& page, QObject* control, int16_t editedGroup) {
    page.SetupModified = true;
    if (editedGroup != 0) page.EditedGroup = editedGroup;
    keepFromWorkReads(page, control);
}

void keepFromWorkReads(common::PageState& page, QObject* control) {
    ++page.PersonEdits;
    if (!control) return;
    markTyped(page, control);
    control->setProperty(kEditedInWork, QVariant::fromValue(page.WorkSerial));
    control->setProperty(kEditedUntilWork, QVariant::fromValue(page.workServingLastAsk()));
}

void watchPersonEdits(common::PageState& page, QWidget* control, int16_t editedGroup, bool marksPage) {
    auto mark = [&page, control, editedGroup, marksPage] {
        if (marksPage) markPersonEdit(page, control, editedGroup);
        else keepFromWorkReads(page, control);
    };
    if (auto* e = qobject_cast<QLineEdit*>(control)) QObject::connect(e, &QLineEdit::textEdited, e, mark);
    else if (auto* c = qobject_cast<QComboBox*>(control)) QObject::connect(c, &QComboBox::activated, c, mark);
    else if (auto* b = qobject_cast<QAbstractButton*>(control)) QObject::connect(b, &QAbstractButton::clicked, b, mark);
}

bool readMayFill(const common::PageState& page, const QWidget* control) {
    if (!control) return false;
    // A reply for what the fields no longer stand for (another function, channel or meter).
    if (page.ReadingSerial != 0 && page.ReadingSerial != page.FormSerial) return false;
    // A write's own read fills only what the person has not typed for it.
    if (page.ReadTap && typedFor(control, page.ReadingSerial)) return false;
    const auto* e = qobject_cast<const QLineEdit*>(control);
    if (e && e->hasFocus() && e->isModified()) return false; // being typed in
    const QVariant from = control->property(kEditedInWork), until = control->property(kEditedUntilWork);
    return !from.isValid() || page.WorkSerial < from.value<uint32_t>() || page.WorkSerial > until.value<uint32_t>();
}

} // namespace pages
