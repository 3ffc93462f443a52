#include "sweep_engine.h"

#include "held_reply.h"
#include "sim_control_pages.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_records.h"
#include "sim_setup_pages.h"
#include "sim_tou.h"
#include "sim_trace.h"
#include "sim_trend.h"
#include "sim_user_map.h"
#include "sim_waveform.h"

#include "common/prompter.h"
#include "link/modbus_master.h"
#include "monitor/waveform_page.h"
#include "shell/status_panels.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <memory>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>

namespace sweep {

namespace {

// The program's timing, made fast: the meter on a pty answers at once and whole.
constexpr int kTickGapMs = 10;       // the scheduler's gap (300 ms)
constexpr int kFrameGapMs = 6;       // the silence that ends a reply (at least 20 ms on a serial line)
constexpr int kHousekeepingMs = 100; // the housekeeping tick (1 s): the slower reads come ten times as often
constexpr int kQuietTicks = 3;       // ticks without a change after which a page is at rest
constexpr int16_t kParkingPage = 17; // no polling: a page's entry can be held from there
constexpr uint8_t kOtherMeter = 2;   // the meter on the line that no action may reach

QString hex(uint16_t v) {
    return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper();
}

QString frameText(const Bytes& b) {
    QStringList parts;
    for (uint8_t v : b)
        parts << QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0'));
    return parts.join(' ');
}

bool usable(const QWidget* w) {
    return w && w->isVisible() && w->isEnabled();
}

// Where a click lands on a button: the middle of its clickable part (an option or
// check box without a caption is clickable only on its indicator).
QPoint clickPoint(QAbstractButton* b) {
    QStyle::SubElement part = QStyle::SE_PushButtonContents;
    if (qobject_cast<QCheckBox*>(b))
        part = QStyle::SE_CheckBoxClickRect;
    else if (qobject_cast<QRadioButton*>(b))
        part = QStyle::SE_RadioButtonClickRect;
    else
        return b->rect().center();
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const QRect r = b->style()->subElementRect(part, &opt, b);
    return r.isValid() ? r.center() : b->rect().center();
}

void typeInto(QWidget* w, const QString& text) {
    if (!w) return;
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(w, text);
    QTest::keyClick(w, Qt::Key_Return);
}

bool isWrite(const Bytes& q) {
    return q.size() > 4 &&
           (q[1] == 0x05 || q[1] == 0x06 || q[1] == 0x0F || q[1] == 0x10 || q[1] == 0x70 || q[1] == 0x71);
}

// Boxes of `got` that `want` lacks (as many times as they are lacking).
QStringList extra(const QStringList& want, const QStringList& got) {
    QStringList left = want, more;
    for (const QString& g : got)
        if (!left.removeOne(g)) more << g;
    return more;
}

bool subsequence(const std::vector<Bytes>& part, const std::vector<Bytes>& whole) {
    std::size_t i = 0;
    for (const Bytes& w : whole)
        if (i < part.size() && part[i] == w) ++i;
    return i == part.size();
}

void describe(QStringList& out, const QString& what, const QStringList& want, const QStringList& got) {
    if (want == got) return;
    const QStringList missing = extra(got, want), added = extra(want, got);
    if (missing.isEmpty() && added.isEmpty()) {
        out << QStringLiteral("%1 in another order: at rest [%2], during the wait [%3]")
                   .arg(what, want.join(" | "), got.join(" | "));
        return;
    }
    if (!missing.isEmpty()) out << QStringLiteral("%1 missing: %2").arg(what, missing.join(" | "));
    if (!added.isEmpty()) out << QStringLiteral("%1 extra: %2").arg(what, added.join(" | "));
}

QStringList frames(const std::vector<Bytes>& writes) {
    QStringList out;
    for (const Bytes& w : writes)
        out << frameText(w);
    return out;
}

QStringList differences(const Effect& want, const Effect& got) {
    QStringList out;
    describe(out, "boxes", want.boxes, got.boxes);
    describe(out, "file dialogs", want.dialogs, got.dialogs);
    describe(out, "writes", frames(want.writes), frames(got.writes));
    describe(out, "status line results", want.results, got.results);
    if (want.meter != got.meter)
        out << QStringLiteral("meter: at rest %1, during the wait %2").arg(want.meter, got.meter);
    if (got.addressFocus && !want.addressFocus)
        out << QStringLiteral("the address box has the focus (at rest it has not): the next key changes the meter");
    if (!want.otherMeter.isEmpty() || !got.otherMeter.isEmpty())
        out << QStringLiteral("meter 2 changed: at rest [%1], during the wait [%2]")
                   .arg(want.otherMeter.join(", "), got.otherMeter.join(", "));
    if (want.page != got.page)
        out << QStringLiteral("page: at rest %1, during the wait %2").arg(want.page).arg(got.page);
    else {
        QStringList shown;
        for (int i = 0; i < std::max(want.shown.size(), got.shown.size()); ++i)
            if (want.shown.value(i) != got.shown.value(i))
                shown << QStringLiteral("%1 (at rest %2)")
                             .arg(got.shown.value(i), want.shown.value(i).section('=', 1));
        if (!shown.isEmpty()) out << QStringLiteral("shown: %1").arg(shown.join(", "));
    }
    return out;
}

void print(const char* what, const Effect& e) {
    std::printf("  %s: meter %s, page %d, results [%s]\n", what, qPrintable(e.meter), e.page,
                qPrintable(e.results.join(" | ")));
    for (const QString& line : e.boxes + e.dialogs + frames(e.writes))
        std::printf("    %s\n", qPrintable(line));
}

bool edits(const Action& a) {
    return a.setting || a.kind == Action::Kind::List || a.kind == Action::Kind::Step ||
           a.kind == Action::Kind::Field || a.kind == Action::Kind::Cell;
}

using Clock = std::chrono::steady_clock;

// Answers the questions of a trial's actions from its script in turn ('N' No, else Yes;
// Yes before the actions and after the script), and notes when each box came.
struct Answers {
    QString script;
    int asked = -1; // -1 until the trial's actions begin
    std::vector<std::pair<std::size_t, Clock::time_point>> shown; // box index, when
    // Boxes shown while the person acts (an entry's own check) answer the action at once,
    // wherever the asks before it stand: they count, but not in the order of the frames.
    bool acting = false;
    std::set<std::size_t> atOnce;
};

std::shared_ptr<Answers> answerFrom(Rig& r, const QString& script) {
    auto a = std::make_shared<Answers>();
    a->script = script;
    r.ui.onMessage = [&r, a](const ScriptedPrompter::Box& box) {
        a->shown.emplace_back(r.ui.boxes.size() - 1, Clock::now());
        if (a->acting) a->atOnce.insert(r.ui.boxes.size() - 1);
        if (box.buttons != common::Buttons::YesNo && box.buttons != common::Buttons::YesNoCancel) return 0;
        const bool no = a->asked >= 0 && a->script.mid(a->asked++, 1) == "N";
        return int(no ? common::AnswerNo : common::AnswerYes);
    };
    return a;
}

// What the actions led to, with its boxes and write frames in the order they came: a frame
// by when it reached the meter, a box by when it was shown.
Seen seen(Rig& r, const Answers& a) {
    Seen out{r.effect(), {}};
    const Effect& e = out.effect;
    const std::size_t box0 = r.ui.boxes.size() - std::size_t(e.boxes.size());
    std::vector<std::pair<Clock::time_point, QString>> events;
    for (const auto& [index, time] : a.shown)
        if (index >= box0 && !a.atOnce.count(index)) events.emplace_back(time, "box " + e.boxes[qsizetype(index - box0)]);
    std::size_t w = 0;
    for (const auto& q : r.line.requests())
        if (w < e.writes.size() && q.bytes.size() >= e.writes[w].size() &&
            std::equal(e.writes[w].begin(), e.writes[w].end(), q.bytes.begin()))
            events.emplace_back(q.time, "frame " + frameText(e.writes[w++]));
    std::stable_sort(events.begin(), events.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    for (const auto& ev : events)
        out.sequence << ev.second;
    return out;
}

} // namespace

// --- actions and exchanges -------------------------------------------------------------------

QString Action::name() const {
    switch (kind) {
    case Kind::Click:
        return QStringLiteral("click ") + control;
    case Kind::List:
        return QStringLiteral("list ") + control;
    case Kind::Step:
        return QStringLiteral("step ") + control;
    case Kind::Field:
        return QStringLiteral("type ") + control;
    case Kind::Cell:
        return QStringLiteral("cell %1(%2,%3)").arg(control).arg(row).arg(column);
    case Kind::Tab:
        return QStringLiteral("tab %1(%2)").arg(control).arg(row);
    case Kind::Page:
        return QStringLiteral("page %1").arg(option);
    }
    return {};
}

QString Trial::name() const {
    QStringList names;
    for (const Action& a : actions)
        names << a.name();
    return names.join(" + ") + (answers.isEmpty() ? QString() : " (answered " + answers + ')');
}

Action click(const QString& control, const QString& file) {
    Action a;
    a.control = control;
    a.file = file;
    return a;
}
Action option(const QString& control) {
    Action a = click(control);
    a.setting = true;
    return a;
}
Action list(const QString& control) {
    Action a;
    a.kind = Action::Kind::List;
    a.control = control;
    return a;
}
Action step(const QString& control) {
    Action a = list(control);
    a.kind = Action::Kind::Step;
    return a;
}
Action field(const QString& control, const QString& text) {
    Action a;
    a.kind = Action::Kind::Field;
    a.control = control;
    a.text = text;
    return a;
}
Action cell(const QString& grid, int row, int column, const QString& text) {
    Action a;
    a.kind = Action::Kind::Cell;
    a.control = grid;
    a.row = row;
    a.column = column;
    a.text = text;
    return a;
}
Action tab(const QString& tabs, int index) {
    Action a;
    a.kind = Action::Kind::Tab;
    a.control = tabs;
    a.row = index;
    return a;
}
Action page(int16_t option) {
    Action a;
    a.kind = Action::Kind::Page;
    a.option = option;
    return a;
}

QString Exchange::name() const {
    QString what;
    switch (function) {
    case 0x03:
        what = QStringLiteral("read");
        break;
    case 0x05:
        what = QStringLiteral("coil");
        break;
    case 0x10:
        what = QStringLiteral("write");
        break;
    default:
        what = QStringLiteral("fn %1").arg(function, 2, 16, QLatin1Char('0'));
        break;
    }
    what += ' ' + hex(first);
    switch (cause) {
    case Cause::Poll:
        return what;
    case Cause::Entry:
        return QStringLiteral("entry ") + what;
    case Cause::Action:
        return what + QStringLiteral(" after ") + by->name();
    case Cause::Choice:
        return QStringLiteral("at once on choosing the page");
    }
    return what;
}

Exchange poll(uint16_t first, uint8_t function) {
    return Exchange{function, first, Exchange::Cause::Poll, {}, {}};
}
Exchange entry(uint16_t first, uint8_t function) {
    return Exchange{function, first, Exchange::Cause::Entry, {}, {}};
}
Exchange after(const Action& by, uint8_t function, uint16_t first) {
    return Exchange{function, first, Exchange::Cause::Action, by, {}};
}
Exchange atOnce(std::vector<Action> actions) {
    return Exchange{0, 0, Exchange::Cause::Choice, {}, std::move(actions)};
}

// --- the rig -----------------------------------------------------------------------------------

Rig::Rig(uint16_t bootVersion, const PageSweep* sweep)
    : ProgramRig({{1, 9600}, {kOtherMeter, 9600}}, 1000, Pages::All), sweep_(sweep) {
    for (uint8_t address : {uint8_t(1), kOtherMeter}) {
        sim::Meter& m = *line.meter(address);
        sim::MeterIdentity id;
        id.options = 0x3F; // every option: analog outputs and inputs, pulses, relays, digital inputs
        id.bootVersion = bootVersion;
        sim::installIdentity(m, id);
        sim::installLiveValues(m);
        sim::installSetupPages(m);
        sim::installControlPages(m, sim::ClockTime{2024, 5, 7, 13, 5, 9});
        sim::installUserMap(m);
        sim::installRecordLogs(m);
        sim::installTrendLogger(m);
        sim::installTrace(m);
        sim::installTimeOfUse(m);
        sim::installWaveform(m, sim::WaveformShape::balanced());
    }
    if (sweep)
        for (const auto& [name, text] : sweep->files) {
            QFile f(folder() + '/' + name);
            if (f.open(QIODevice::WriteOnly)) f.write(text.toUtf8());
        }
    app().services().Login = [this] { return app().app().LoginOk = true; };
    app().app().LocaleDateFormat = "yyyy/MM/dd";
    app().app().LocaleDateSeparator = "/";
    // Every question is answered Yes, so that each action goes as far as it can.
    ui.onMessage = [](const ScriptedPrompter::Box& box) {
        return box.buttons == common::Buttons::YesNo || box.buttons == common::Buttons::YesNoCancel
                   ? int(common::AnswerYes)
                   : 0;
    };
    resultWatch_.setInterval(1);
    resultWatch_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&resultWatch_, &QTimer::timeout, [this] { noteResult(app().status().panelText(1)); });
    resultWatch_.start();
    showMainWindow();
    if (auto* panels = dynamic_cast<shell::StatusPanels*>(&app().status())) {
        // What a person sees: the panel as painted.
        struct PaintWatch : QObject {
            std::function<void()> painted;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint) painted();
                return false;
            }
        };
        auto watch = std::make_unique<PaintWatch>();
        QLabel* panel = panels->label(1);
        watch->painted = [this, panel] { noteResult(panel->text()); };
        if (panel) panel->installEventFilter(watch.get());
        paintWatch_ = std::move(watch);
    }
    // The meter's capture is there at once: no need to give it two seconds.
    if (auto* waveform = dynamic_cast<monitor::WaveformPage*>(app().page(14)))
        waveform->capture().TriggerWaitSeconds = 0.01;
    mainForm().TCommOnLine().setInterval(kTickGapMs);
    app().master().ops().setQueuedStartMs(kTickGapMs);
    link().FrameGapMs = kFrameGapMs;
    app().master().applyTimerIntervals();
    mainForm().TScannerTime().setInterval(kHousekeepingMs);
    mainForm().activateWindow();
    EXPECT_TRUE(waitFor([&] { return QApplication::activeWindow() == &mainForm(); }));
    // The meter's address typed as a person does.
    QLineEdit* address = mainForm().txtAddress();
    QTest::mouseClick(address, Qt::LeftButton, {}, address->rect().center());
    typeInto(QApplication::focusWidget(), QStringLiteral("1"));
    EXPECT_TRUE(waitFor([&] { return link().meterSelected() && meter().MeterVersion > 0; }))
        << "meter 1 was not selected";
    perform(sweep::page(kParkingPage));
    settle();
}

std::optional<QString> Rig::perform(const Action& a, const std::optional<QString>& intent) {
    if (!a.file.isEmpty()) ui.fileNext(a.file.startsWith('/') ? a.file : folder() + '/' + a.file);
    switch (a.kind) {
    case Action::Kind::Page: {
        QPushButton* option = mainForm().optProgram(a.option == 25 ? 8 : a.option);
        if (!usable(option)) return std::nullopt;
        QTest::mouseClick(option, Qt::LeftButton, {}, option->rect().center());
        return QString();
    }
    case Action::Kind::Click: {
        auto* b = control<QAbstractButton>(a.control);
        if (!usable(b)) return std::nullopt;
        const auto state = [b] { return b->isCheckable() ? QString::number(b->isChecked()) : QString(); };
        // A check box toggles: the reference clicks only to reach the state the person gave.
        // A button or option does the same at every click.
        if (!intent || !qobject_cast<QCheckBox*>(b) || state() != *intent)
            QTest::mouseClick(b, Qt::LeftButton, {}, clickPoint(b));
        return state();
    }
    case Action::Kind::List: {
        auto* c = control<QComboBox>(a.control);
        if (!usable(c) || c->count() < 2) return std::nullopt;
        c->setFocus(Qt::TabFocusReason);
        const int target =
            intent ? intent->toInt()
                   : (c->currentIndex() + 1 < c->count() ? c->currentIndex() + 1 : c->currentIndex() - 1);
        for (int i = 0; i < c->count() && c->currentIndex() != target; ++i)
            QTest::keyClick(c, c->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
        return QString::number(c->currentIndex());
    }
    case Action::Kind::Step: {
        auto* s = control<QAbstractSpinBox>(a.control);
        if (!usable(s)) return std::nullopt;
        QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(8, s->height() / 2));
        for (int i = 0; i < 3 && (i == 0 || (intent && s->text() != *intent)); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        return s->text();
    }
    case Action::Kind::Field: {
        auto* e = control<QLineEdit>(a.control);
        if (!usable(e)) return std::nullopt;
        QTest::mouseClick(e, Qt::LeftButton, {}, e->rect().center());
        typeInto(QApplication::focusWidget(), a.text);
        return a.text;
    }
    case Action::Kind::Tab: {
        auto* t = control<QTabWidget>(a.control);
        if (!usable(t) || !t->tabBar()->isTabEnabled(a.row)) return std::nullopt;
        QTest::mouseClick(t->tabBar(), Qt::LeftButton, {}, t->tabBar()->tabRect(a.row).center());
        return QString();
    }
    case Action::Kind::Cell: {
        auto* g = control<QTableWidget>(a.control);
        if (!usable(g)) return std::nullopt;
        const QModelIndex index = g->model()->index(a.row, a.column);
        g->scrollTo(index);
        // The click may open a window of its own (modal), at once or once the link is
        // free: the typing goes there, whenever it comes.
        auto typed = std::make_shared<bool>(a.text.isEmpty());
        auto* modal = new QTimer(g);
        modal->setInterval(5);
        QObject::connect(modal, &QTimer::timeout, modal, [modal, typed, text = a.text] {
            QWidget* m = QApplication::activeModalWidget();
            if (!m || *typed) return;
            *typed = true;
            modal->stop();
            modal->deleteLater();
            typeInto(m->focusWidget() ? m->focusWidget() : m, text);
        });
        modal->start();
        const QPoint centre = g->visualRect(index).center();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, centre);
        if (!*typed) {
            // An editor the page put over the cell is clicked into, as a person does.
            QWidget* over = QApplication::widgetAt(g->viewport()->mapToGlobal(centre));
            if (over && over != g->viewport() && !g->isAncestorOf(over)) {
                *typed = true;
                modal->stop();
                modal->deleteLater();
                QTest::mouseClick(over, Qt::LeftButton, {},
                                  over->mapFromGlobal(g->viewport()->mapToGlobal(centre)));
                typeInto(QApplication::focusWidget(), a.text);
            }
        }
        return a.text;
    }
    }
    return std::nullopt;
}

bool Rig::show(const PageSweep& p, const std::optional<Action>& until) {
    perform(sweep::page(p.option));
    bool quiet = settle();
    for (const Action& a : p.open) {
        if (until && until->name() == a.name()) break;
        perform(a);
        quiet = settle() && quiet;
    }
    return quiet;
}

void Rig::noteResult(const QString& text) {
    if (text.startsWith(QLatin1String("Meter [")) && !results_.contains(text)) results_ << text;
}

std::vector<Bytes> Rig::writes() const {
    std::vector<Bytes> out;
    for (const auto& q : line.requests()) {
        if (!isWrite(q.bytes)) continue;
        Bytes w(q.bytes.begin(), q.bytes.end() - 2);
        const uint16_t reg = uint16_t(w[2] << 8 | w[3]);
        if (sweep_) {
            const auto own =
                std::find(sweep_->ownWrites.begin(), sweep_->ownWrites.end(), std::make_pair(w[1], reg));
            if (own != sweep_->ownWrites.end()) continue;
            const auto& clock = sweep_->clockWrites;
            if (std::find(clock.begin(), clock.end(), reg) != clock.end())
                w.resize(6); // which registers, not the time
        }
        out.push_back(std::move(w));
    }
    return out;
}

bool Rig::settle() {
    auto look = [this] {
        return std::make_tuple(page().PageIndex, int16_t(page().PageStep), int16_t(page().MappingRequest),
                               page().SetupModified, ui.boxes.size(), ui.dialogs.size(), writes().size(),
                               app().status().panelText(1));
    };
    auto last = look();
    auto ticks = [this] { return mainForm().scheduler().tickCount(); };
    long from = ticks();
    QElapsedTimer quiet;
    quiet.start();
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        QTest::qWait(10);
        const auto now = look();
        if (now != last) {
            last = now;
            from = ticks();
            quiet.restart();
            continue;
        }
        if (app().master().busy() || QApplication::activeModalWidget()) continue;
        if (mainForm().scheduler().enabled() ? ticks() - from >= kQuietTicks
                                             : quiet.elapsed() >= 8 * kTickGapMs)
            return true;
    }
    return false;
}

void Rig::mark() {
    results_.clear();
    boxes0_ = ui.boxes.size();
    dialogs0_ = ui.dialogs.size();
    line.clearLog();
    const sim::Meter& other = *line.meter(kOtherMeter);
    otherRegisters0_ = other.registers(0, uint16_t(sim::kRegisterCount));
    otherCoils0_ = other.coils();
    otherCoilLog0_ = other.coilLog().size();
}

QStringList Rig::otherMeterChanges() {
    // A broadcast is meant for every meter on the line.
    std::vector<bool> broadcast(sim::kRegisterCount);
    std::size_t broadcastCoils = 0;
    for (const auto& q : line.requests()) {
        if (q.bytes.size() < 6 || q.bytes[0] != 0) continue;
        const int first = q.bytes[2] << 8 | q.bytes[3], count = q.bytes[4] << 8 | q.bytes[5];
        if (q.bytes[1] == 0x05) ++broadcastCoils;
        else if (q.bytes[1] == 0x10 || q.bytes[1] == 0x70)
            for (int r = first; r < first + count && r < int(broadcast.size()); ++r) broadcast[size_t(r)] = true;
    }
    const sim::Meter& other = *line.meter(kOtherMeter);
    const std::vector<uint16_t> now = other.registers(0, uint16_t(sim::kRegisterCount));
    QStringList out;
    for (std::size_t r = 0; r < now.size() && r < otherRegisters0_.size(); ++r)
        if (now[r] != otherRegisters0_[r] && !broadcast[r]) out << QStringLiteral("register ") + hex(uint16_t(r));
    const std::vector<uint16_t> coils = other.coilLog();
    if (coils.size() > otherCoilLog0_ + broadcastCoils || (broadcastCoils == 0 && other.coils() != otherCoils0_))
        out << QStringLiteral("coils");
    return out;
}

Effect Rig::effect() {
    Effect e;
    // Each program has a folder of its own: texts that name it are compared without it.
    const auto plain = [this](QString text) { return text.replace(folder(), QStringLiteral("<folder>")); };
    for (std::size_t i = boxes0_; i < ui.boxes.size(); ++i)
        e.boxes << plain(ui.boxes[i].title + QStringLiteral(": ") + ui.boxes[i].text);
    static const char* kinds[] = {"Open", "Save", "Colour"};
    for (std::size_t i = dialogs0_; i < ui.dialogs.size(); ++i)
        e.dialogs << QString(kinds[int(ui.dialogs[i].kind)]) + QStringLiteral(": ") + ui.dialogs[i].title;
    e.writes = writes();
    for (const QString& text : results_)
        if (!sweep_ || !sweep_->ownResults.contains(text)) e.results << plain(text);
    e.page = page().PageIndex;
    e.meter = link().MeterAddress;
    e.addressFocus = QApplication::focusWidget() == mainForm().txtAddress();
    e.otherMeter = otherMeterChanges();
    QWidget* frame = mainForm().frmProgram(e.page);
    const QStringList unstable = sweep_ ? sweep_->unstable : QStringList();
    for (QWidget* w : frame->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || unstable.contains(name)) continue;
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            e.shown << name + '=' + edit->text();
        else if (auto* c = qobject_cast<QComboBox*>(w))
            e.shown << name + '=' + QString::number(c->currentIndex());
        else if (auto* s = qobject_cast<QAbstractSpinBox*>(w))
            e.shown << name + '=' + s->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable())
            e.shown << name + '=' + QString::number(b->isChecked());
    }
    if (sweep_)
        for (const QString& g : sweep_->grids) {
            auto* grid = frame->findChild<QTableWidget*>(g.section(':', 0, 0));
            const int column = g.section(':', 1).toInt();
            if (!grid) continue;
            QStringList cells;
            for (int r = 0; r < grid->rowCount(); ++r)
                cells << (grid->item(r, column) ? grid->item(r, column)->text() : QString());
            e.shown << g + '=' + cells.join(',');
        }
    return e;
}

// --- the sweeper ------------------------------------------------------------------------------

void Sweeper::finish(Rig& r, const Action& a) {
    // What an edit left behind is what the page's write sends.
    const std::optional<Action> writer =
        a.writer.isEmpty() ? page_.write : std::optional<Action>(click(a.writer));
    if (!edits(a) || !writer || r.page().PageIndex != shownIndex()) return;
    r.perform(*writer);
    r.settle();
}

int16_t Sweeper::shownIndex() const {
    // Option 8 shows the time-of-use page of the meter's generation.
    return page_.option == 8 && page_.bootVersion >= 200 ? int16_t(25) : page_.option;
}

Seen Sweeper::reference(const Exchange& x, const Trial& t, const std::vector<std::optional<QString>>& intents) {
    QString key = QStringLiteral("%1|%2|%3").arg(int(x.cause)).arg(x.by ? x.by->name() : QString(), t.name());
    for (const auto& intent : intents)
        key += '|' + intent.value_or(QStringLiteral("-"));
    if (auto it = references_.find(key); it != references_.end()) return it->second;
    Rig r(page_.bootVersion, &page_);
    const auto answers = answerFrom(r, t.answers);
    if (x.cause == Exchange::Cause::Entry || x.cause == Exchange::Cause::Choice) {
        r.mark();
        r.show(page_);
    } else {
        r.show(page_, x.by);
        r.mark();
        if (x.by) {
            r.perform(*x.by);
            r.settle();
        }
    }
    answers->asked = 0;
    for (std::size_t i = 0; i < t.actions.size(); ++i) {
        answers->acting = true;
        r.perform(t.actions[i], intents[i]);
        answers->acting = false;
        r.settle();
    }
    finish(r, t.actions.back());
    return references_[key] = seen(r, *answers);
}

Sweeper::Run Sweeper::during(const Exchange& x, const Trial& t) {
    Run run;
    Rig r(page_.bootVersion, &page_);
    const bool chosen = x.cause == Exchange::Cause::Entry || x.cause == Exchange::Cause::Choice;
    if (!chosen && !r.show(page_, x.by)) return run;
    const auto answers = answerFrom(r, t.answers);
    r.mark();
    const auto act = [&] {
        answers->asked = 0;
        for (const Action& a : t.actions) {
            answers->acting = true;
            run.intents.push_back(r.perform(a));
            answers->acting = false;
        }
    };
    if (x.cause == Exchange::Cause::Choice) {
        // Chosen and acted on in one go: no tick of the program's can come in between.
        r.perform(page(page_.option));
        act();
    }
    const bool acted = x.cause == Exchange::Cause::Choice || held::duringReply(
        r, held::request(x.function, x.first), act,
        8000,
        [&] {
            if (x.cause == Exchange::Cause::Entry)
                r.perform(page(page_.option));
            else if (x.by)
                r.perform(*x.by);
            else
                r.page().Ticks.setToCaps(); // the slower polls come now rather than in a minute
        });
    if (!acted) return run;
    run.acted = true;
    run.settled = r.settle();
    if (chosen && r.page().PageIndex == shownIndex())
        for (const Action& o : page_.open) {
            r.perform(o);
            r.settle();
        }
    finish(r, t.actions.back());
    run.seen = seen(r, *answers);
    return run;
}

Outcome Sweeper::trial(const Exchange& x, const Trial& t) {
    Outcome out;
    // The reference is made after this program has gone: two programs polling at once
    // would slow each other down.
    const Run run = during(x, t);
    if (!run.acted) {
        out.report = QStringLiteral("the exchange never came");
        return out;
    }
    out.ran = true;
    const Effect& got = run.seen.effect;
    QStringList wrong;
    if (!run.settled) wrong << QStringLiteral("the page never came to rest");
    for (const Bytes& w : got.writes) {
        const auto& clock = page_.clockWrites;
        const bool broadcastClock =
            w.at(0) == 0 && std::find(clock.begin(), clock.end(), uint16_t(w[2] << 8 | w[3])) != clock.end();
        if (w.at(0) != 1 && !broadcastClock)
            wrong << QStringLiteral("a write to another meter: ") + frameText(w);
    }
    if (std::find(run.intents.begin(), run.intents.end(), std::nullopt) != run.intents.end()) {
        // The control was greyed out or hidden while the exchange ran: the person sees why.
        out.honoured = wrong.isEmpty();
        out.report =
            (QStringList{QStringLiteral("(the control was not usable during the wait)")} + wrong).join('\n');
        return out;
    }
    const Seen ref = reference(x, t, run.intents);
    const Effect& want = ref.effect;
    if (qEnvironmentVariableIsSet("SWEEP_DUMP")) {
        print("at rest", want);
        print("in the wait", got);
    }
    QStringList diff = differences(want, got);
    if (diff.isEmpty()) describe(diff, "questions, boxes and frames", ref.sequence, run.seen.sequence);
    if (diff.isEmpty()) {
        out.honoured = wrong.isEmpty();
        out.report = wrong.join('\n');
        return out;
    }
    // Refused, with a box that says why, and nothing written beyond what the action writes at rest.
    const QStringList reasons = extra(want.boxes, got.boxes);
    if (!reasons.isEmpty() && subsequence(got.writes, want.writes) &&
        extra(want.results, got.results).isEmpty()) {
        out.honoured = wrong.isEmpty();
        out.report =
            (QStringList{QStringLiteral("(refused: ") + reasons.join(" | ") + ')'} + wrong).join('\n');
        return out;
    }
    out.report = (diff + wrong).join('\n');
    return out;
}

// --- the sweep of a page -----------------------------------------------------------------------

namespace {

std::vector<Trial> atOnceTrials(const Exchange& x) {
    std::vector<Trial> trials;
    for (const Action& a : x.atOnce)
        trials.push_back(Trial{{a}});
    return trials;
}

} // namespace

void runSweep(const PageSweep& page) {
    Sweeper sweeper(page);
    const bool verbose = qEnvironmentVariableIsSet("SWEEP_VERBOSE");
    std::vector<Trial> trials;
    for (const Action& a : page.actions)
        trials.push_back(Trial{{a}});
    trials.insert(trials.end(), page.trials.begin(), page.trials.end());
    for (const Exchange& x : page.exchanges)
        for (const Trial& t : x.cause == Exchange::Cause::Choice ? atOnceTrials(x) : trials) {
            const QString trialName = QStringLiteral("%1 / %2 / %3").arg(page.name, x.name(), t.name());
            QElapsedTimer took;
            took.start();
            const Outcome o = sweeper.trial(x, t);
            if (verbose)
                std::printf("%s %s (%lld ms)\n%s\n", o.ran && o.honoured ? "[ok  ]" : "[FAIL]",
                            qPrintable(trialName), took.elapsed(), qPrintable(o.report));
            EXPECT_TRUE(o.ran && o.honoured) << qPrintable(trialName) << "\n" << qPrintable(o.report);
        }
}

} // namespace sweep
