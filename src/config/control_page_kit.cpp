#include "config/control_page_kit.h"

#include "common/prompter.h"
#include "config/entry_verdict.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace config {

namespace {

class FocusInWatcher : public QObject {
public:
    FocusInWatcher(QWidget* w, std::function<void()> fn) : QObject(w), fn_(std::move(fn)) { w->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusIn && fn_) fn_();
        return false;
    }

private:
    std::function<void()> fn_;
};

template <typename W>
W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

} // namespace

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top, int width,
                  int height) {
    auto* l = named(new QLabel(text, parent), name);
    placeTwips(l, left, top, width, height);
    return l;
}

QLineEdit* makeEntry(QWidget* parent, const QString& name, const QString& text, int maxLength, int left, int top,
                     int width) {
    auto* e = named(new QLineEdit(text, parent), name);
    if (maxLength > 0) e->setMaxLength(maxLength);
    placeTwips(e, left, top, width);
    return e;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                        int height) {
    auto* b = named(new QPushButton(caption, parent), name);
    placeTwips(b, left, top, width, height);
    return b;
}

QComboBox* makeList(QWidget* parent, const QString& name, int left, int top, int width) {
    auto* c = named(new QComboBox(parent), name);
    placeTwips(c, left, top, width);
    return c;
}

QGroupBox* makeGroup(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                     int height) {
    auto* g = named(new QGroupBox(caption, parent), name);
    placeTwips(g, left, top, width, height);
    return g;
}

QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width) {
    auto* o = named(new QRadioButton(caption, parent), name);
    placeTwips(o, left, top, width, 255);
    return o;
}

QCheckBox* makeCheck(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width) {
    auto* c = named(new QCheckBox(caption, parent), name);
    placeTwips(c, left, top, width, 255);
    return c;
}

void onFocusIn(QWidget* w, std::function<void()> fn) {
    if (w) new FocusInWatcher(w, std::move(fn));
}

// --- the framed page ------------------------------------------------------------------------

FramedPage::FramedPage(shell::PageContext& app, int16_t index, const QString& title)
    : app_(app), ctx_(setupContext(app)), index_(index) {
    frame_ = new QGroupBox(title);
    frame_->setObjectName(QStringLiteral("frmProgram_%1").arg(index));
    frame_->hide();
}

FramedPage::~FramedPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

// --- exchanges ---------------------------------------------------------------------------------

bool sendExchange(const SetupContext& ctx, const Exchange& exchange) {
    rtu::LinkState& link = ctx.link();
    bool ok = false;
    const int address = link.MeterAddress.trimmed().toInt(&ok);
    // A half-done action ends at the boundary; an address that is no number would go out as a broadcast.
    if (ctx.master.ops().cancelled() || !ok || address < 1 || address > 255) {
        link.LinkFailed = true;
        return false;
    }
    if (exchange.kind == Exchange::Kind::Registers) return sendWriteFrame(ctx, exchange.function, exchange.first, exchange.values);
    ctx.master.SendFrame(rtu::CmdWrite, requestBytes(exchange, uint8_t(address)));
    return !link.LinkFailed;
}

int sendExchanges(const SetupContext& ctx, const std::vector<Exchange>& exchanges, const QString& address) {
    return sendInOrder(
        exchanges, [&ctx](const Exchange& e) { return sendExchange(ctx, e); },
        [&](int i) {
            if (!address.isEmpty())
                ctx.master.status().setPanelText(1, resultLine(address, exchanges[size_t(i)].words, true));
        });
}

WriteOutcome runChannelWrite(const SetupContext& ctx, const ChannelWrite& write) {
    ctx.page.moveStep(write.idleStep);
    const QString address = ctx.link().MeterAddress;
    auto finish = [&](WriteOutcome outcome) {
        ctx.page.moveStep(write.stepAfter ? write.stepAfter(outcome) : write.idleStep);
        return outcome;
    };
    const WritePlan plan = write.plan ? write.plan() : WritePlan{};
    if (plan.refused()) {
        showErrorBox(plan.refusal);
        return finish(WriteOutcome::Refused);
    }
    if (auto stop = confirmAndLogIn(ctx, write.action)) return finish(*stop);
    const int failed = sendExchanges(ctx, plan.frames, address);
    if (failed >= 0) {
        showErrorBox(resultLine(address, plan.frames[size_t(failed)].words, false));
        return finish(WriteOutcome::Failed);
    }
    return finish(WriteOutcome::Done);
}

} // namespace config
