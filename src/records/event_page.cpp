#include "records/event_page.h"

#include "common/prompter.h"
#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "pages/values.h"
#include "link/modbus_master.h"
#include "monitor/live_widgets.h"
#include "records/context_meter_link.h"
#include "records/record_pages.h"
#include "shell/page_context.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>
#include <functional>

namespace records {

namespace {

using monitor::placeTwips;

// The date column is wide enough for a date with a four-digit year.
constexpr int kColumnWidths[kEventColumns] = {500, 1000, 1250, 3800, 800, 800, 5000};
constexpr int kRowHeight = 250;
constexpr int kCellPadding = 10; // pixels of a cell beside its text: margins and grid line
// Non-fixed cells: 2 left bottom (number, cause, status), 6 right top (time, date, data words).
constexpr int kColumnAlignments[kEventColumns] = {2, 6, 6, 2, 6, 6, 2};

// The load's link: the load reports its progress once after each record's read,
// in order, so the n-th report shows row n as soon as it is in.
class LoadLink : public ContextMeterLink {
public:
    LoadLink(shell::PageContext& ctx, std::function<void(int row)> show)
        : ContextMeterLink(ctx), show_(std::move(show)) {}
    void progress(const QString& text) override {
        ContextMeterLink::progress(text);
        show_(++row_);
    }

private:
    std::function<void(int)> show_;
    int row_ = 0;
};

} // namespace

EventPage::EventPage(shell::PageContext& ctx) : ctx_(ctx) { build(); }

EventPage::~EventPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

QWidget* EventPage::widget() { return frame_; }

QLabel* EventPage::labEvent(int index) const { return (index >= 0 && index < 2) ? labEvent_[size_t(index)] : nullptr; }

QPushButton* EventPage::cmdEvent(int index) const {
    return (index >= 0 && index < 2) ? cmdEvent_[size_t(index)] : nullptr;
}

void EventPage::build() {
    frame_ = new QGroupBox(QStringLiteral("Event Log"));
    frame_->setObjectName(QStringLiteral("frmProgram_12"));
    frame_->hide();

    const char* labels[2] = {"Total Number : ", ""};
    for (int i = 0; i < 2; ++i) {
        auto* l = new QLabel(QString::fromLatin1(labels[i]), frame_);
        l->setObjectName(QStringLiteral("labEvent_%1").arg(i));
        placeTwips(l, 240 + 1500 * i, 420, i == 0 ? 1500 : 900, 255);
        labEvent_[size_t(i)] = l;
    }
    const char* captions[2] = {"Clear Event Record", "Save Event Record"};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(captions[i]), frame_);
        b->setObjectName(QStringLiteral("cmdEvent_%1").arg(i));
        placeTwips(b, 3840 + 2040 * i, 300, 1920, 435);
        QObject::connect(b, &QPushButton::clicked, frame_, [this, i] { cmdEvent_Click(i); });
        cmdEvent_[size_t(i)] = b;
    }
    gridEvent_ = monitor::makeGrid(frame_, kEventRows, kEventColumns, 1, 1);
    gridEvent_->setObjectName(QStringLiteral("gridEvent"));
    placeTwips(gridEvent_, 120, 900, 7710, 6660);
}

void EventPage::init() {
    for (int c = 0; c < kEventColumns; ++c) gridEvent_->setColumnWidth(c, monitor::px(kColumnWidths[c]));
    // The cause and status texts are long: their columns show the longest whole
    // (the grid scrolls sideways).
    const QFontMetrics fm(gridEvent_->font());
    int cause = 0;
    for (int code = 0; code <= 83; ++code) cause = std::max(cause, fm.horizontalAdvance(causeText(code)));
    const int status = std::max(fm.horizontalAdvance(statusText(0)), fm.horizontalAdvance(statusText(0x0010)));
    gridEvent_->setColumnWidth(3, std::max(gridEvent_->columnWidth(3), cause + kCellPadding));
    gridEvent_->setColumnWidth(6, std::max(gridEvent_->columnWidth(6), status + kCellPadding));
    for (int r = 0; r < kEventRows; ++r) {
        gridEvent_->setRowHeight(r, monitor::px(kRowHeight));
        for (int c = 0; c < kEventColumns; ++c) {
            const bool fixed = r == 0 || c == 0;
            monitor::gridCell(gridEvent_, r, c)->setTextAlignment(monitor::gridAlignment(fixed ? 4 : kColumnAlignments[c]));
        }
    }
    showRows(0, kMaxEvents);
}

void EventPage::showRows(int first, int last) {
    for (int r = first; r <= last; ++r) showGridRow(gridEvent_, r, log_.rows()[size_t(r)]);
    labEvent_[1]->setText(log_.shownText());
}

void EventPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdEventCount, [this] { OnEventCountReply(); });
}

void EventPage::OnEventCountReply() {
    // A Clear or Save pressed during the read comes first, on the records as they
    // are shown; the next count read decides about a reload.
    if (ctx_.page().askStanding()) return;
    const auto words = pages::replyWords(ctx_.app().link, 1);
    if (words.empty()) return;
    const EventLog::CountOutcome outcome = log_.onCount(words[0]);
    showRows(0, outcome.cleared ? kMaxEvents : 0);
    if (outcome.reload) ctx_.page().moveStep(EventLoadAll);
}

void EventPage::meterChanged() {
    log_.forget();
    showRows(0, kMaxEvents);
}

// --- steps ---------------------------------------------------------------------------------

void EventPage::runStep(int16_t step) {
    switch (step) {
    case EventPollCount: pollCount(); break;
    case EventLoadAll:
        SendEventData();
        ctx_.page().Ticks.MinuteTicks = 0;
        break;
    case EventClear: clearStep(); break;
    case EventSave: SaveEventRecord(); break;
    default: break;
    }
}

void EventPage::pollCount() {
    auto& ticks = ctx_.page().Ticks;
    const int shown = log_.shown();
    if (!countPollDue(shown, ticks)) return;
    // The clock starts again whether or not the read gets through.
    if (countClockFor(shown) == CountClock::Record)
        ticks.RecordTicks = 0;
    else
        ticks.MinuteTicks = 0;
    ctx_.master().SendReadHoldingRegisters(CmdEventCount, kEventCountRegister, 1);
}

void EventPage::SendEventData() {
    ctx_.page().moveStep(EventLoading); // no step of this page runs while the records load
    const int shown = log_.shown();
    LoadLink link(ctx_, [this](int row) { showRows(row, row); });
    log_.load(link, dateStyle(ctx_.app()));
    showRows(1, shown);
    // A Clear or Save pressed while the records loaded stands over this move and is done next.
    ctx_.page().moveStep(EventPollCount);
}

void EventPage::clearStep() {
    if (pages::runConfirmedCoilCommand(pages::setupContext(ctx_), kClearEventCoil, kClearEventWords))
        ctx_.page().Ticks.MinuteTicks = common::TickCounters::MinuteCap; // a full log is counted again at once
}

void EventPage::SaveEventRecord() {
    saveRecordTable(ctx_, frame_, QStringLiteral("Event Record"), log_.csvLines(), kSaveEventProc, kSaveEventOkWords);
    ctx_.page().moveStep(EventPollCount);
}

void EventPage::cmdEvent_Click(int index) {
    if (index == 0 || index == 1) ctx_.page().askStep(int16_t(index + EventClear));
}

// --- installer -----------------------------------------------------------------------------

void installEventPage(shell::PageContext& ctx) {
    if (ctx.page(EventPageIndex)) return; // installed once per program
    ctx.adoptPage(std::make_unique<EventPage>(ctx));
}

} // namespace records
