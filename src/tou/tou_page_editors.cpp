// The in-cell editors of the schedule, season and holiday grids, the bill date
// check and the spreading of renamed schedules and tariffs.
#include "tou/tou_page.h"

#include "common/prompter.h"
#include "monitor/live_widgets.h"
#include "shell/page_context.h"
#include "tou/tou_editors.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

namespace tou {

using monitor::gridText;
using monitor::placeTwips;

namespace {

// Runs a handler when a widget gains or loses the focus. Opening a list's popup
// moves the focus only for the popup's time: that is no loss.
class FocusHook : public QObject {
public:
    FocusHook(QWidget* w, QEvent::Type type, std::function<void()> f) : QObject(w), type_(type), f_(std::move(f)) {
        w->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == type_ && watched == parent()) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason) f_();
        }
        return false;
    }

private:
    QEvent::Type type_;
    std::function<void()> f_;
};

void onFocusOut(QWidget* w, std::function<void()> f) { new FocusHook(w, QEvent::FocusOut, std::move(f)); }
void onFocusIn(QWidget* w, std::function<void()> f) { new FocusHook(w, QEvent::FocusIn, std::move(f)); }

// Sets a flag for the lifetime of the guard.
struct Flag {
    bool& flag;
    explicit Flag(bool& f) : flag(f) { flag = true; }
    ~Flag() { flag = false; }
};

} // namespace

QDateEdit* TouPage::dtpTOU(int index) const { return (index == 0 || index == 1) ? dtpTOU_[size_t(index)] : nullptr; }

void TouPage::buildEditors() {
    QTableWidget* schedules = gridTOU_[2];
    txtTOUST_ = new QLineEdit(schedules->parentWidget());
    txtTOUST_->setObjectName(QStringLiteral("txtTOUST"));
    txtTOUST_->setMaxLength(5);
    placeTwips(txtTOUST_, 0, 0, 1700, 300);
    txtTOUST_->hide();
    pages::watchField(txtTOUST_, [this] { txtTOUST_LostFocus(); });
    QObject::connect(txtTOUST_, &QLineEdit::returnPressed, frame_, [this] { txtTOUST_LostFocus(); });
    onFocusOut(cbTOUTariff_, [this] { cbTOUTariff_LostFocus(); });

    for (int g = 0; g < 2; ++g) {
        QComboBox* list = cbTOUSchedule_[size_t(g)];
        QObject::connect(list, &QComboBox::activated, frame_, [this, g](int i) { cbTOUSchedule_Click(g, i); });
        onFocusOut(list, [list] { list->hide(); });

        auto* picker = new QDateEdit(gridTOU_[size_t(g)]->parentWidget());
        picker->setObjectName(QStringLiteral("dtpTOU_%1").arg(g));
        picker->setDisplayFormat(QStringLiteral("MM/dd"));
        // The day before the year's first stands for "no date".
        picker->setSpecialValueText(kUnsetDate);
        placeTwips(picker, 760, 0, 1695, 300);
        picker->hide();
        QObject::connect(picker, &QDateEdit::dateChanged, frame_, [this, g] { StoreTOUDateCell(g); });
        onFocusOut(picker, [this, g] { CheckTOUSeasonDates(g); });
        dtpTOU_[size_t(g)] = picker;
    }
    setPickerYear();

    for (int g = 0; g < 3; ++g) {
        QTableWidget* grid = gridTOU_[size_t(g)];
        QObject::connect(grid, &QTableWidget::cellClicked, frame_,
                         [this, g](int row, int col) { EditTOUGridCell(g, row, col); });
        for (QScrollBar* bar : {grid->horizontalScrollBar(), grid->verticalScrollBar()})
            QObject::connect(bar, &QScrollBar::valueChanged, frame_, [this, g] { gridScrolled(g); });
    }
    // A tab strip that takes the focus (or turns to another tab) hides every in-cell editor.
    for (QTabWidget* strip : tabTOU_) {
        onFocusIn(strip->tabBar(), [this] { hideEditors(); });
        QObject::connect(strip, &QTabWidget::currentChanged, frame_, [this] { hideEditors(); });
    }

    pages::watchField(txtTOUBillDate_, [this] { txtTOUBillDate_LostFocus(); });
    for (QLineEdit* name : txtTOUName_) pages::watchField(name, [this] { RefreshTOUNames(); });
}

void TouPage::hideEditors() {
    for (QWidget* w : std::initializer_list<QWidget*>{txtTOUST_, cbTOUTariff_, cbTOUSchedule_[0], cbTOUSchedule_[1],
                                                      dtpTOU_[0], dtpTOU_[1]})
        w->hide();
}

void TouPage::setPickerYear() {
    const int year = t_.TOUYear >= 0 ? kFirstYear + t_.TOUYear : QDate::currentDate().year();
    for (QDateEdit* picker : dtpTOU_) {
        const QSignalBlocker block(picker);
        picker->setDateRange(QDate(year - 1, 12, 31), QDate(year, 12, 31));
    }
}

std::optional<QDate> TouPage::pickerDate(int g) const {
    const QDateEdit* picker = dtpTOU_[size_t(g)];
    if (picker->date() == picker->minimumDate()) return std::nullopt;
    return picker->date();
}

DayRow* TouPage::editedDayRow(int g) {
    const int i = editRow_ - 2;
    if (g == 0 && i >= 0 && i < kSeasonCount) return &t_.editors.seasons[size_t(i)];
    if (g == 1 && i >= 0 && i < kHolidayCount) return &t_.editors.holidays[size_t(i)];
    return nullptr;
}

// --- opening and placing ------------------------------------------------------------------------------

QRect TouPage::cellRect(int g, int row, int col) const {
    QTableWidget* grid = gridTOU_[size_t(g)];
    const QRect r = grid->visualRect(grid->model()->index(row, col));
    return QRect(grid->viewport()->mapTo(grid->parentWidget(), r.topLeft()), r.size());
}

void TouPage::EditTOUGridCell(int g, int row, int col) {
    if (g < 0 || g > 2) return;
    pages::markModified(ctx_.page());
    currentRow_[size_t(g)] = row;
    currentCol_[size_t(g)] = col;
    placeEditor(g, false);
}

void TouPage::gridScrolled(int g) {
    if (currentRow_[size_t(g)] >= 0) placeEditor(g, true);
}

void TouPage::placeEditor(int g, bool followingScroll) {
    const int row = currentRow_[size_t(g)], col = currentCol_[size_t(g)];
    QTableWidget* grid = gridTOU_[size_t(g)];
    const QRect rect = cellRect(g, row, col);
    // Scrolling shows the editor only while its cell is in view.
    const bool shown = !followingScroll || grid->viewport()->rect().intersects(
                                               QRect(grid->viewport()->mapFrom(grid->parentWidget(), rect.topLeft()),
                                                     rect.size()));
    auto open = [&](QWidget* editor, QWidget* other) {
        editRow_ = row;
        editCol_ = col;
        editor->setGeometry(rect);
        editor->setVisible(shown);
        if (shown) editor->raise();
        other->hide();
    };
    if (g == 2) {
        switch (scheduleCellAt(row, col).kind) {
        case ScheduleCellKind::Time:
            txtTOUST_->setText(gridText(grid, row, col));
            open(txtTOUST_, cbTOUTariff_);
            break;
        case ScheduleCellKind::TariffName:
            if (const int i = cbTOUTariff_->findText(gridText(grid, row, col)); i >= 0) cbTOUTariff_->setCurrentIndex(i);
            open(cbTOUTariff_, txtTOUST_);
            break;
        default: break; // the hidden tariff numbers have no editor
        }
        return;
    }
    if (row < 2) return;
    QComboBox* list = cbTOUSchedule_[size_t(g)];
    QDateEdit* picker = dtpTOU_[size_t(g)];
    if (col == 2) {
        const int index = scheduleIndexOf(gridText(grid, row, 3));
        list->setCurrentIndex(index < kScheduleCount ? index : 0);
        open(list, picker);
    } else if (col == 1) {
        const QSignalBlocker block(picker);
        const std::optional<QDate> date = cellDate(gridText(grid, row, col), picker->maximumDate().year());
        picker->setDate(date ? *date : picker->minimumDate());
        open(picker, list);
    }
}

// --- commits -------------------------------------------------------------------------------------------

void TouPage::txtTOUST_LostFocus() {
    if (committing_) return;
    const Flag guard(committing_);
    txtTOUST_->hide();
    const ScheduleCell cell = scheduleCellAt(editRow_, editCol_);
    if (cell.kind != ScheduleCellKind::Time) return;
    const StartTimeCheck check =
        commitStartTime(t_.schedules[size_t(cell.schedule)], cell.schedule, cell.channel, txtTOUST_->text());
    txtTOUST_->setText(check.cellText);
    showScheduleGrid();
    if (check.accepted()) return;
    showError(check.message);
    // The editor opens again on the channel to correct; the bad text stays until then.
    EditTOUGridCell(2, kScheduleFirstRow + check.reopenChannel, editCol_);
    txtTOUST_->setFocus();
}

void TouPage::cbTOUTariff_LostFocus() {
    const ScheduleCell cell = scheduleCellAt(editRow_, editCol_);
    if (cell.kind == ScheduleCellKind::TariffName && cbTOUTariff_->currentIndex() >= 0) {
        SwitchPoint& p = t_.schedules[size_t(cell.schedule)][size_t(cell.channel)];
        p.tariffIndex = QString::number(cbTOUTariff_->currentIndex());
        p.tariffName = cbTOUTariff_->currentText();
        showScheduleGrid();
    }
    cbTOUTariff_->hide();
}

void TouPage::cbTOUSchedule_Click(int g, int listIndex) {
    if (ctx_.page().Refreshing) return;
    DayRow* row = editedDayRow(g);
    if (!row || editCol_ != 2) return;
    pages::markModified(ctx_.page());
    setDaySchedule(*row, listIndex, t_.names);
    showDayGrid(g);
}

void TouPage::StoreTOUDateCell(int g) {
    DayRow* row = editedDayRow(g);
    if (!row || editCol_ != 1) return;
    row->date = pickerCellText(pickerDate(g));
    showDayGrid(g);
}

void TouPage::CheckTOUSeasonDates(int g) {
    if (committing_) return;
    const Flag guard(committing_);
    dtpTOU_[size_t(g)]->hide();
    const auto refusal = checkOnPickerClosed(g, pickerDate(g).has_value(), t_.editors.seasons);
    if (!refusal) return;
    showError(refusal->message);
    EditTOUGridCell(g, refusal->reopenSeason + 2, 1);
    dtpTOU_[size_t(g)]->setFocus();
}

void TouPage::txtTOUBillDate_LostFocus() {
    const EntryCheck check = checkBillDate(txtTOUBillDate_->text());
    if (check.accepted()) return;
    showError(check.message);
    txtTOUBillDate_->setText(check.replacement);
    t_.editors.billDate = check.replacement;
}

void TouPage::RefreshTOUNames() {
    common::PageState& page = ctx_.page();
    const bool refreshing = page.Refreshing;
    page.Refreshing = true;
    refreshNameCells(t_);
    showNames();
    showScheduleGrid();
    showDayGrid(0);
    showDayGrid(1);
    page.Refreshing = refreshing;
}

} // namespace tou
