#include "pages/form_values.h"

#include "common/app_state.h"
#include "pages/confirmed_write.h"
#include "pages/controls.h"
#include "shell/app_state.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <utility>

namespace pages {

namespace {

// The FormSerial for which the person last edited the control.
const char* const kTypedFor = "typedFor";

} // namespace

bool typedFor(const QObject* control, uint32_t serial) {
    const QVariant v = control ? control->property(kTypedFor) : QVariant();
    return v.isValid() && v.value<uint32_t>() == serial;
}

void markTyped(const common::PageState& page, QObject* control) {
    if (control) control->setProperty(kTypedFor, QVariant::fromValue(page.FormSerial));
}

FormValues FormValues::take(const QWidget* frame, const common::PageState& page) {
    FormValues f;
    f.serial_ = page.FormSerial;
    f.needsRead_ = !page.formRead();
    if (!frame) return f;
    for (const QWidget* w : frame->findChildren<QWidget*>()) {
        // An option counts as typed when its group was clicked.
        const bool typed = typedFor(w, f.serial_) || typedFor(w->parent(), f.serial_);
        if (const auto* e = qobject_cast<const QLineEdit*>(w)) f.values_[w] = {e->text(), e->displayText(), typed};
        else if (const auto* c = qobject_cast<const QComboBox*>(w)) f.values_[w] = {c->currentIndex(), {}, typed};
        else if (const auto* b = qobject_cast<const QAbstractButton*>(w); b && b->isCheckable())
            f.values_[w] = {b->isChecked(), {}, typed};
        if (w->property(controls::TagProperty).isValid()) f.tags_[w] = {controls::tag(w), {}, typed};
    }
    return f;
}

const FormValues::Value* FormValues::find(const std::unordered_map<const void*, Value>& in, const void* control) {
    const auto it = in.find(control);
    return it == in.end() ? nullptr : &it->second;
}

QString FormValues::text(const QLineEdit* entry) const {
    const Value* v = find(values_, entry);
    return v ? v->value.toString() : (entry ? entry->text() : QString());
}

QString FormValues::displayText(const QLineEdit* entry) const {
    const Value* v = find(values_, entry);
    return v ? v->display : (entry ? entry->displayText() : QString());
}

int FormValues::index(const QComboBox* list) const {
    const Value* v = find(values_, list);
    return v ? v->value.toInt() : (list ? list->currentIndex() : -1);
}

QString FormValues::currentText(const QComboBox* list) const { return list ? list->itemText(index(list)) : QString(); }

bool FormValues::checked(const QAbstractButton* option) const {
    const Value* v = find(values_, option);
    return v ? v->value.toBool() : (option && option->isChecked());
}

QString FormValues::tag(const QWidget* group) const {
    const Value* v = find(tags_, group);
    return v ? v->value.toString() : controls::tag(group);
}

void FormValues::takeRead(const void* control, const QVariant& value) {
    for (auto* in : {&values_, &tags_}) {
        const auto it = in->find(control);
        if (it == in->end() || it->second.typed) continue;
        it->second.value = value;
        it->second.display = value.toString(); // a read's text is whole: no blanks to show
    }
}

// --- the writes of a page's values ---------------------------------------------------------------

void FormWrites::ask(int16_t step, common::PageState::AskSetUp setUp, const void* origin) {
    ctx_.page.askWrite(step, std::make_shared<const FormValues>(FormValues::take(frame_, ctx_.page)), std::move(setUp),
                       origin);
}

namespace {

// The page reads its values for serial: a reply shows only while the fields stand for it,
// and the read counts as theirs only then.
bool readFor(common::PageState& page, uint32_t serial, const std::function<bool()>& read) {
    const uint32_t before = std::exchange(page.ReadingSerial, serial);
    const bool ok = read();
    page.ReadingSerial = before;
    if (ok && serial == page.FormSerial) page.FormReadSerial = serial;
    return ok;
}

} // namespace

bool FormWrites::readShown(const std::function<bool()>& read) {
    return readFor(ctx_.page, ctx_.page.FormSerial, read);
}

std::shared_ptr<const FormValues> FormWrites::takeAsAsked() {
    common::PageState& page = ctx_.page;
    std::shared_ptr<const FormValues> asked;
    if (auto* v = std::any_cast<std::shared_ptr<const FormValues>>(&page.AskedValues)) asked = std::move(*v);
    page.AskedValues.reset();
    if (asked) return asked;
    FormValues shown = FormValues::take(frame_, page);
    shown.readDone();
    return std::make_shared<const FormValues>(std::move(shown));
}

std::shared_ptr<const FormValues> FormWrites::take(int16_t unreadStep, const Read& read) {
    common::PageState& page = ctx_.page;
    std::shared_ptr<const FormValues> asked = takeAsAsked();
    if (!asked->needsRead()) return asked;

    auto form = std::make_shared<FormValues>(*asked);
    const bool modified = page.SetupModified; // the read is this write's, not the page's refresh
    page.ReadTap = [&form](const void* control, const QVariant& value) { form->takeRead(control, value); };
    const bool ok = readFor(page, form->serial(), [&] { return read(*form); });
    page.ReadTap = nullptr;
    page.SetupModified = page.SetupModified || modified;
    if (!ok) {
        // Design defaults, or another function's values, are no set-up of this meter.
        showFailureBox(ctx_, resultLine(ctx_.link().MeterAddress, QStringLiteral("Reading Setup"), false) +
                                 QStringLiteral("\nThe set-up could not be read: nothing was written."));
        page.moveStep(unreadStep);
        return nullptr;
    }
    form->readDone();
    return form;
}

} // namespace pages
