// The in-cell editors of the schedule, season and holiday grids, the bill date
// check and the spreading of renamed schedules and tariffs.
//
// An editor is left in many ways: a click on another cell, a tab, a scroll that
// takes its cell out of view, the page being left, "Setup TOU", "Save
// Calendar", Enter, or the focus moving elsewhere. Every one of them writes the
// editor's value into the tables and runs its check first; a refused value
// keeps the editor open, with the focus, on the row the message names. A refusal
// is shown once per way of leaving: the focus moving to a command button, out of
// the page or away with a hidden tab leaves the check to what the person does
// next (the button's command, the page change, the tab change), so one click
// never shows the same message twice.
#include "tou/tou_page.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "monitor/live_widgets.h"
#include "pages/controls.h"
#include "shell/page_context.h"
#include "tou/tou_editors.h"
#include "tou/tou_entry.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

namespace tou {

using monitor::gridText;
using monitor::placeTwips;

namespace {

// Runs a handler on one kind of event of a widget. Opening a list's popup, or
// another program coming to the front, moves the focus only for a while: that is
// no loss. Showing or hiding the whole window is no page change.
class EventHook : public QObject {
public:
    EventHook(QWidget* w, QEvent::Type type, std::function<void(QEvent*)> f)
        : QObject(w), type_(type), f_(std::move(f)) {
        w->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != type_ || watched != parent()) return false;
        if (type_ == QEvent::FocusIn || type_ == QEvent::FocusOut) {
            if (!common::focusMovedByPerson(static_cast<QFocusEvent*>(event)->reason())) return false;
        }
        if (event->spontaneous() && (type_ == QEvent::Show || type_ == QEvent::Hide)) return false;
        if (type_ == QEvent::FocusOut) {
            // After the widget's own handling (which drops a selection), so that what the
            // handler does with the focus and the selection stands.
            watched->event(event);
            f_(event);
            return true;
        }
        f_(event);
        return false;
    }

private:
    QEvent::Type type_;
    std::function<void(QEvent*)> f_;
};

void onEvent(QWidget* w, QEvent::Type type, std::function<void()> f) {
    new EventHook(w, type, [f = std::move(f)](QEvent*) { f(); });
}
void onFocusOut(QWidget* w, std::function<void(Qt::FocusReason)> f) {
    new EventHook(w, QEvent::FocusOut,
                  [f = std::move(f)](QEvent* e) { f(static_cast<QFocusEvent*>(e)->reason()); });
}

// The date picker of a season or holiday date. Its lowest date, the day before
// the edited year, stands for "no date" and shows "00/00". Delete, or "Clear
// Date" in its menu, clears it; typing or stepping from no date starts at the
// year's first day, so every date of the year stays reachable.
class DatePicker : public QDateEdit {
public:
    explicit DatePicker(QWidget* parent) : QDateEdit(parent) {
        setDisplayFormat(QStringLiteral("MM/dd"));
        setSpecialValueText(kUnsetDate);
        auto* clear = new QAction(QStringLiteral("Clear Date"), this);
        clear->setObjectName(QStringLiteral("actClearDate"));
        QObject::connect(clear, &QAction::triggered, this, [this] { clearDate(); });
        addAction(clear);
        setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    bool holdsDate() const { return date() != minimumDate(); }
    void clearDate() { setDate(minimumDate()); }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Delete) {
            clearDate();
            return;
        }
        const bool digit = !e->text().isEmpty() && e->text()[0].isDigit();
        const bool step = e->key() == Qt::Key_Up || e->key() == Qt::Key_Down || e->key() == Qt::Key_PageUp ||
                          e->key() == Qt::Key_PageDown;
        if (!holdsDate() && (digit || step)) {
            startYear();
            if (step) return;
        }
        QDateEdit::keyPressEvent(e);
    }
    void stepBy(int steps) override {
        if (holdsDate()) QDateEdit::stepBy(steps);
        else startYear();
    }

private:
    void startYear() {
        setDate(QDate(maximumDate().year(), 1, 1));
        setSelectedSection(MonthSection);
    }
};

DatePicker* asPicker(QDateEdit* picker) { return static_cast<DatePicker*>(picker); }

// Sets a flag for the lifetime of the guard.
struct Flag {
    bool& flag;
    explicit Flag(bool& f) : flag(f) { flag = true; }
    ~Flag() { flag = false; }
};

// The tab of gridTOU(grid) on the strip tabTOU(2).
int tabOfGrid(int grid) { return grid == 2 ? 0 : grid == 0 ? 2 : 4; }

} // namespace

QDateEdit* TouPage::dtpTOU(int index) const { return (index == 0 || index == 1) ? dtpTOU_[size_t(index)] : nullptr; }

void TouPage::buildEditors() {
    QTableWidget* schedules = gridTOU_[2];
    txtTOUST_ = new QLineEdit(schedules->parentWidget());
    txtTOUST_->setObjectName(QStringLiteral("txtTOUST"));
    pages::controls::limitTyping(txtTOUST_, 5);
    guardFileEntry(txtTOUST_);
    placeTwips(txtTOUST_, 0, 0, 1700, 300);
    txtTOUST_->hide();
    onFocusOut(txtTOUST_, [this](Qt::FocusReason why) { editorFocusLost(txtTOUST_, why); });
    // Clicked into, the whole time is selected once the click has placed the cursor.
    onEvent(txtTOUST_, QEvent::FocusIn,
            [this] { QTimer::singleShot(0, txtTOUST_, [e = txtTOUST_] { e->selectAll(); }); });
    QObject::connect(txtTOUST_, &QLineEdit::returnPressed, frame_, [this] { leaveEditor(Leaving::Action); });
    onFocusOut(cbTOUTariff_, [this](Qt::FocusReason why) { editorFocusLost(cbTOUTariff_, why); });

    for (int g = 0; g < 2; ++g) {
        QComboBox* list = cbTOUSchedule_[size_t(g)];
        QObject::connect(list, &QComboBox::activated, frame_, [this, g](int i) { cbTOUSchedule_Click(g, i); });
        onFocusOut(list, [this, list](Qt::FocusReason why) { editorFocusLost(list, why); });

        auto* picker = new DatePicker(gridTOU_[size_t(g)]->parentWidget());
        picker->setObjectName(QStringLiteral("dtpTOU_%1").arg(g));
        placeTwips(picker, 760, 0, 1695, 300);
        picker->hide();
        QObject::connect(picker, &QDateEdit::dateChanged, frame_, [this, g] { StoreTOUDateCell(g); });
        onFocusOut(picker, [this, picker](Qt::FocusReason why) { editorFocusLost(picker, why); });
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
    // A tab strip that takes the focus, or turns to another tab, leaves the editor.
    for (QTabWidget* strip : tabTOU_) {
        onEvent(strip->tabBar(), QEvent::FocusIn, [this] {
            // An editor hidden with its tab is left by the tab change.
            if (!committing_ && editor_ != Editor::None && editorWidget()->isVisible())
                leaveEditor(Leaving::Action);
        });
        QObject::connect(strip, &QTabWidget::currentChanged, frame_, [this] { tabChanged(); });
    }
    // Another page is chosen (not the window closing).
    onEvent(frame_, QEvent::Hide, [this] {
        if (frame_->window()->isVisible()) leaveEditor(Leaving::PageHidden);
    });
    onEvent(frame_, QEvent::Show, [this] { pageShown(); });

    pages::controls::limitTyping(txtTOUBillDate_, 2);
    guardFileEntry(txtTOUBillDate_);
    pages::watchField(txtTOUBillDate_, [this] { txtTOUBillDate_LostFocus(); });
    for (QLineEdit* name : txtTOUName_) {
        pages::controls::limitTyping(name, kNameLength);
        guardFileEntry(name);
        pages::watchField(name, [this] { RefreshTOUNames(); });
    }
}

void TouPage::hideEditors() {
    editor_ = Editor::None;
    editGrid_ = -1;
    refusedValue_.reset();
    for (QWidget* w : std::initializer_list<QWidget*>{txtTOUST_, cbTOUTariff_, cbTOUSchedule_[0], cbTOUSchedule_[1],
                                                      dtpTOU_[0], dtpTOU_[1]}) {
        if (w->hasFocus()) w->clearFocus(); // as closeEditor
        w->hide();
    }
}

void TouPage::setPickerYear() {
    const int year = t_.TOUYear >= 0 ? kFirstYear + t_.TOUYear : QDate::currentDate().year();
    for (QDateEdit* picker : dtpTOU_) {
        const QSignalBlocker block(picker);
        picker->setDateRange(QDate(year - 1, 12, 31), QDate(year, 12, 31));
    }
}

std::optional<QDate> TouPage::pickerDate(int g) const {
    if (!asPicker(dtpTOU_[size_t(g)])->holdsDate()) return std::nullopt;
    return dtpTOU_[size_t(g)]->date();
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

bool TouPage::cellInView(int g, int row, int col) const {
    QTableWidget* grid = gridTOU_[size_t(g)];
    return grid->viewport()->rect().intersects(grid->visualRect(grid->model()->index(row, col)));
}

QWidget* TouPage::editorWidget() const {
    switch (editor_) {
    case Editor::StartTime: return txtTOUST_;
    case Editor::Tariff: return cbTOUTariff_;
    case Editor::Schedule: return cbTOUSchedule_[size_t(editGrid_)];
    case Editor::Date: return dtpTOU_[size_t(editGrid_)];
    case Editor::None: break;
    }
    return nullptr;
}

QString TouPage::editorValue() const {
    switch (editor_) {
    case Editor::StartTime: return txtTOUST_->text();
    case Editor::Date: return dtpTOU_[size_t(editGrid_)]->text();
    case Editor::Tariff: return cbTOUTariff_->currentText();
    case Editor::Schedule: return cbTOUSchedule_[size_t(editGrid_)]->currentText();
    case Editor::None: break;
    }
    return {};
}

void TouPage::EditTOUGridCell(int g, int row, int col) {
    if (g < 0 || g > 2) return;
    pages::markModified(ctx_.page());
    if (editor_ != Editor::None && editGrid_ == g && editRow_ == row && editCol_ == col) {
        focusEditor();
        return;
    }
    if (!leaveEditor(Leaving::Action)) return;
    currentRow_[size_t(g)] = row;
    currentCol_[size_t(g)] = col;
    if (placeEditor(g, row, col, false) != Editor::None) focusEditor();
}

void TouPage::gridScrolled(int g) {
    if (committing_) return;
    if (editor_ != Editor::None && editGrid_ == g && !cellInView(g, editRow_, editCol_) &&
        !leaveEditor(Leaving::Action))
        return; // refused: the editor is back in view on its row
    if (currentRow_[size_t(g)] >= 0) placeEditor(g, currentRow_[size_t(g)], currentCol_[size_t(g)], true);
}

TouPage::Editor TouPage::placeEditor(int g, int row, int col, bool followingScroll) {
    QTableWidget* grid = gridTOU_[size_t(g)];
    const QRect rect = cellRect(g, row, col);
    // Scrolling shows the editor only while its cell is in view.
    const bool shown = !followingScroll || cellInView(g, row, col);
    if (editor_ != Editor::None && editGrid_ == g && editRow_ == row && editCol_ == col) {
        // The open editor follows its cell and keeps what is typed in it.
        QWidget* w = editorWidget();
        w->setGeometry(rect);
        w->setVisible(shown);
        return editor_;
    }
    if (followingScroll && !shown) return Editor::None;
    auto open = [&](Editor kind, QWidget* editor, QWidget* other) {
        editor_ = kind;
        editGrid_ = g;
        editRow_ = row;
        editCol_ = col;
        refusedValue_.reset();
        editor->setGeometry(rect);
        editor->show();
        editor->raise();
        other->hide();
        return kind;
    };
    if (g == 2) {
        switch (scheduleCellAt(row, col).kind) {
        case ScheduleCellKind::Time:
            pages::controls::showReadText(txtTOUST_, gridText(grid, row, col));
            return open(Editor::StartTime, txtTOUST_, cbTOUTariff_);
        case ScheduleCellKind::TariffName:
            if (const int i = cbTOUTariff_->findText(gridText(grid, row, col)); i >= 0) cbTOUTariff_->setCurrentIndex(i);
            return open(Editor::Tariff, cbTOUTariff_, txtTOUST_);
        default: return Editor::None; // the hidden tariff numbers have no editor
        }
    }
    if (row < 2) return Editor::None;
    QComboBox* list = cbTOUSchedule_[size_t(g)];
    QDateEdit* picker = dtpTOU_[size_t(g)];
    if (col == 2) {
        const int index = scheduleIndexOf(gridText(grid, row, 3));
        list->setCurrentIndex(index < kScheduleCount ? index : 0);
        return open(Editor::Schedule, list, picker);
    }
    if (col == 1) {
        const QSignalBlocker block(picker);
        const std::optional<QDate> date = cellDate(gridText(grid, row, col), picker->maximumDate().year());
        picker->setDate(date ? *date : picker->minimumDate());
        return open(Editor::Date, picker, list);
    }
    return Editor::None;
}

void TouPage::focusEditor() {
    QWidget* w = editorWidget();
    if (!w) return;
    w->setFocus(Qt::OtherFocusReason);
    // Typing replaces the value at once.
    if (editor_ == Editor::StartTime) txtTOUST_->selectAll();
    if (editor_ == Editor::Date) dtpTOU_[size_t(editGrid_)]->setSelectedSection(QDateTimeEdit::MonthSection);
}

void TouPage::reopenEditor(int g, int row, int col) {
    QTableWidget* grid = gridTOU_[size_t(g)];
    // Reloaded from its cell below without being hidden, so the focus stays where it is.
    editor_ = Editor::None;
    currentRow_[size_t(g)] = row;
    currentCol_[size_t(g)] = col;
    tabTOU_[0]->setCurrentIndex(1);
    tabTOU_[2]->setCurrentIndex(tabOfGrid(g));
    grid->scrollTo(grid->model()->index(row, col));
    placeEditor(g, row, col, false);
    refusedValue_ = editorValue();
    focusEditor();
}

void TouPage::closeEditor() {
    QWidget* w = editorWidget();
    editor_ = Editor::None;
    refusedValue_.reset();
    if (!w) return;
    // Hiding the focus would hand it to the next control, whose own check would run
    // when the person goes on; no control has the focus until the person chooses one.
    if (w->hasFocus()) w->clearFocus();
    w->hide();
}

// --- leaving --------------------------------------------------------------------------------------------

bool TouPage::leaveEditor() { return leaveEditor(Leaving::Action); }

bool TouPage::leaveEditor(Leaving how) {
    if (editor_ == Editor::None || committing_) return editor_ == Editor::None;
    // A value whose refusal was shown is not reported again when the person goes away from it.
    if (how != Leaving::Action && refusedValue_ && *refusedValue_ == editorValue()) return false;
    const Flag guard(committing_);
    switch (editor_) {
    case Editor::StartTime: return txtTOUST_LostFocus();
    case Editor::Tariff: cbTOUTariff_LostFocus(); return true;
    case Editor::Schedule: closeEditor(); return true;
    case Editor::Date: return CheckTOUSeasonDates(editGrid_);
    case Editor::None: break;
    }
    return true;
}

void TouPage::editorFocusLost(QWidget* editor, Qt::FocusReason why) {
    if (editor != editorWidget()) return;
    // A hidden editor: the tab or page change that hid it leaves it.
    if (!editor->isVisible()) return;
    const bool byKeys = why == Qt::TabFocusReason || why == Qt::BacktabFocusReason;
    // Clicked away to a command button of the page, or to the rest of the window:
    // the command leaves it, and a page change asks for "Setup TOU", which does.
    QWidget* to = QApplication::focusWidget();
    if (!byKeys && to &&
        (!frame_->isAncestorOf(to) || std::find(cmdTOUC_.begin(), cmdTOUC_.end(), to) != cmdTOUC_.end()))
        return;
    leaveEditor(Leaving::FocusLost);
}

void TouPage::tabChanged() {
    if (committing_) return;
    if (editor_ == Editor::None) {
        hideEditors();
        return;
    }
    // The editor's tab comes back to the front when its value was refused.
    if (leaveEditor(Leaving::Action)) hideEditors();
}

void TouPage::pageShown() {
    if (!unsentEdits_) return;
    unsentEdits_ = false;
    pages::markModified(ctx_.page());
}

// --- commits -------------------------------------------------------------------------------------------

bool TouPage::txtTOUST_LostFocus() {
    const ScheduleCell cell = scheduleCellAt(editRow_, editCol_);
    if (cell.kind != ScheduleCellKind::Time) {
        closeEditor();
        return true;
    }
    const StartTimeCheck check =
        commitStartTime(t_.schedules[size_t(cell.schedule)], cell.schedule, cell.channel, txtTOUST_->text());
    showScheduleGrid();
    if (check.accepted()) {
        closeEditor();
        return true;
    }
    showError(check.message);
    // The editor opens again on the channel to correct; the bad text stays until then.
    reopenEditor(2, kScheduleFirstRow + check.reopenChannel, editCol_);
    return false;
}

void TouPage::cbTOUTariff_LostFocus() {
    const ScheduleCell cell = scheduleCellAt(editRow_, editCol_);
    if (cell.kind == ScheduleCellKind::TariffName && cbTOUTariff_->currentIndex() >= 0) {
        SwitchPoint& p = t_.schedules[size_t(cell.schedule)][size_t(cell.channel)];
        p.tariffIndex = QString::number(cbTOUTariff_->currentIndex());
        p.tariffName = cbTOUTariff_->currentText();
        showScheduleGrid();
    }
    closeEditor();
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
    if (!row || editCol_ != 1 || editGrid_ != g) return;
    row->date = pickerCellText(pickerDate(g));
    showDayGrid(g);
}

bool TouPage::CheckTOUSeasonDates(int g) {
    const auto refusal = checkOnPickerClosed(g, pickerDate(g).has_value(), t_.editors.seasons);
    if (!refusal) {
        closeEditor();
        return true;
    }
    showError(refusal->message);
    reopenEditor(g, refusal->reopenSeason + 2, 1);
    return false;
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
