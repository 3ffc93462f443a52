#include "tou/tou_page.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "link/modbus_master.h"
#include "monitor/live_widgets.h"
#include "pages/controls.h"
#include "shell/page_context.h"
#include "tou/tou_files.h"
#include "tou/tou_prompts.h"
#include "tou/period_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <utility>

namespace tou {

using monitor::gridCell;
using monitor::gridText;
using monitor::placeTwips;
using monitor::setGridText;

namespace {

// Design places, in twips.
constexpr int kOuterLeft = 120, kOuterTop = 300, kOuterWidth = 7710, kOuterHeight = 7260;
constexpr int kInnerLeft = 60, kInnerTop = 60, kInnerWidth = 7500, kInnerHeight = 6000;
constexpr int kButtonTop = 6180, kButtonHeight = 420;
constexpr int kGridWidth = 7320;
constexpr int kRowHeight = 255;
constexpr int kEditorHeight = 300;
constexpr int kDayWidth = 600; // a day of the month view: wide enough for "WED"

const QColor kWindowColour(255, 255, 255);
// The grey of an unset date cell (the inactive caption text of the classic scheme).
const QColor kUnsetDateColour(212, 208, 200);

template <typename T, size_t N>
T at(const std::array<T, N>& items, int index) {
    return (index >= 0 && size_t(index) < N) ? items[size_t(index)] : nullptr;
}

QLabel* label(const QString& text, QWidget* parent, int left, int top, int width, int height = 300) {
    auto* l = new QLabel(text, parent);
    placeTwips(l, left, top, width, height);
    return l;
}

QTableWidget* grid(QWidget* parent, const QString& name, int rows, int cols, int fixedRows, int fixedCols) {
    QTableWidget* g = monitor::makeGrid(parent, rows, cols, fixedRows, fixedCols);
    g->setObjectName(name);
    for (int r = 0; r < rows; ++r) g->setRowHeight(r, monitor::px(kRowHeight));
    return g;
}

void setColumnWidths(QTableWidget* g, std::initializer_list<int> twips) {
    int c = 0;
    for (int w : twips) g->setColumnWidth(c++, monitor::px(w));
}

// The schedule list of the season (0) or holiday (1) grid, laid over a cell when it edits one.
QComboBox* dayScheduleList(QWidget* tab, int grid) {
    auto* list = new QComboBox(tab);
    list->setObjectName(QStringLiteral("cbTOUSchedule_%1").arg(grid));
    placeTwips(list, 760, 0, grid == 0 ? 4200 : 3900, 315);
    list->hide();
    return list;
}

void setCellColour(QTableWidget* g, int row, int col, const QColor& colour) {
    if (QTableWidgetItem* item = gridCell(g, row, col)) item->setBackground(colour);
}

} // namespace

TouPage::TouPage(shell::PageContext& ctx) : ctx_(ctx), setup_(pages::setupContext(ctx)) { build(); }

TouPage::~TouPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

QWidget* TouPage::widget() { return frame_; }
QGroupBox* TouPage::frame() const { return frame_; }

QTabWidget* TouPage::tabTOU(int index) const { return at(tabTOU_, index); }
QPushButton* TouPage::cmdTOUC(int index) const { return at(cmdTOUC_, index); }
QTableWidget* TouPage::gridTOU(int index) const { return at(gridTOU_, index); }
QTableWidget* TouPage::gridTOUData(int index) const { return at(gridTOUData_, index); }
QLabel* TouPage::labTOUData(int index) const { return at(labTOUData_, index); }
QLabel* TouPage::labTOUSchedule(int index) const { return at(labTOUSchedule_, index); }
QRadioButton* TouPage::optTOUYearN(int index) const { return at(optTOUYearN_, index); }
QCheckBox* TouPage::chkTOUYearR(int index) const { return at(chkTOUYearR_, index); }
QCheckBox* TouPage::chkTOUYearF(int index) const { return at(chkTOUYearF_, index); }
QCheckBox* TouPage::chkTOUWeek(int index) const { return at(chkTOUWeek_, index); }
QComboBox* TouPage::cbTOUSchedule(int index) const { return at(cbTOUSchedule_, index); }
QLineEdit* TouPage::txtTOUName(int index) const { return at(txtTOUName_, index); }

// --- building ----------------------------------------------------------------------------------

void TouPage::build() {
    frame_ = new QGroupBox(kPageCaption);
    frame_->setObjectName(QStringLiteral("frmProgram_25"));
    frame_->hide();

    const QStringList captions = buttonCaptions();
    for (int i = 0; i < 9; ++i) {
        auto* b = new QPushButton(captions[i], frame_);
        b->setObjectName(QStringLiteral("cmdTOUC_%1").arg(i));
        QObject::connect(b, &QPushButton::clicked, frame_, [this, i] { cmdTOUC_Click(i); });
        cmdTOUC_[size_t(i)] = b;
    }

    auto* outer = new QTabWidget(frame_);
    outer->setObjectName(QStringLiteral("tabTOU_0"));
    placeTwips(outer, kOuterLeft, kOuterTop, kOuterWidth, kOuterHeight);
    tabTOU_[0] = outer;
    const QStringList outerCaptions = showTabCaptions();
    auto* show = new QWidget;
    auto* setupTab = new QWidget;
    outer->addTab(show, outerCaptions[0]);
    outer->addTab(setupTab, outerCaptions[1]);
    buildShowTab(show);
    buildSetupTab(setupTab);
    buildEditors();
}

void TouPage::buildShowTab(QWidget* tab) {
    auto* strip = new QTabWidget(tab);
    strip->setObjectName(QStringLiteral("tabTOU_1"));
    placeTwips(strip, kInnerLeft, kInnerTop, kInnerWidth, kInnerHeight);
    tabTOU_[1] = strip;
    auto* instant = new QWidget;
    auto* freeze = new QWidget;
    const QStringList captions = energyTabCaptions();
    strip->addTab(instant, captions[0]);
    strip->addTab(freeze, captions[1]);

    // The present state: three lines of two captions with their values.
    const QStringList statusCaptions = tou::statusCaptions();
    for (int i = 0; i < 6; ++i) {
        const bool first = i % 2 == 0;
        const int top = 60 + 340 * (i / 2), left = first ? 60 : 3540;
        label(statusCaptions[i], instant, left, top + 30, first ? 900 : 1500);
        QLabel* v = monitor::makeValueLabel(instant);
        v->setObjectName(QStringLiteral("labTOUData_%1").arg(i));
        v->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        placeTwips(v, first ? 1000 : 5040, top, first ? 2400 : 2340, 300);
        labTOUData_[size_t(i)] = v;
    }
    // Wide enough for the longest energies; a horizontal scroll bar when they need it.
    gridTOUData_[0] = grid(instant, QStringLiteral("gridTOUData_0"), 5, 7, 1, 1);
    placeTwips(gridTOUData_[0], 60, 1120, kGridWidth, 5 * kRowHeight + 330);
    setColumnWidths(gridTOUData_[0], {800, 700, 2550, 1230, 1230, 1230, 1230});
    gridTOUData_[1] = grid(instant, QStringLiteral("gridTOUData_1"), 13, 5, 1, 1);
    placeTwips(gridTOUData_[1], 60, 2580, kGridWidth, 2900);
    setColumnWidths(gridTOUData_[1], {700, 1500, 1500, 1500, 1500});

    const int tops[3] = {60, 900, 1740};
    const int rows[3] = {2, 2, 5};
    for (int g = 2; g < 5; ++g) {
        QTableWidget* t = grid(freeze, QStringLiteral("gridTOUData_%1").arg(g), rows[g - 2], 8, 1, 1);
        placeTwips(t, 60, tops[g - 2], kGridWidth, rows[g - 2] * kRowHeight + 330);
        setColumnWidths(t, {1100, 1, 2400, 1500, 1500, 1500, 1500, 1500});
        t->setColumnHidden(1, true);
        gridTOUData_[size_t(g)] = t;
    }

    placeTwips(cmdTOUC_[7], kInnerLeft, kButtonTop, 2400, kButtonHeight);
    placeTwips(cmdTOUC_[8], kInnerLeft + 2520, kButtonTop, 1500, kButtonHeight);
    cmdTOUC_[7]->setParent(tab);
    cmdTOUC_[8]->setParent(tab);
}

void TouPage::buildSetupTab(QWidget* tab) {
    auto* strip = new QTabWidget(tab);
    strip->setObjectName(QStringLiteral("tabTOU_2"));
    placeTwips(strip, kInnerLeft, kInnerTop, kInnerWidth, kInnerHeight);
    tabTOU_[2] = strip;
    const QStringList captions = setupTabCaptions();
    std::array<QWidget*, 8> pages{};
    for (int i = 0; i < 8; ++i) {
        pages[size_t(i)] = new QWidget;
        strip->addTab(pages[size_t(i)], captions[i]);
    }
    buildScheduleTab(pages[0]);
    buildYearlyTab(pages[1]);
    buildSeasonTab(pages[2]);
    buildWeekendTab(pages[3]);
    buildHolidayTab(pages[4]);
    buildCalendarTab(pages[5]);
    buildLabelsTab(pages[6]);
    buildFolderTab(pages[7]);
    // The month view is drawn afresh whenever its tab comes to the front.
    QObject::connect(strip, &QTabWidget::currentChanged, frame_, [this](int i) {
        if (i == 5) ShowTOUCalendar();
    });

    placeTwips(cmdTOUC_[0], kInnerLeft, kButtonTop, 1800, kButtonHeight);
    placeTwips(cmdTOUC_[1], kInnerLeft + 1920, kButtonTop, 1800, kButtonHeight);
    cmdTOUC_[0]->setParent(tab);
    cmdTOUC_[1]->setParent(tab);
}

void TouPage::buildScheduleTab(QWidget* tab) {
    gridTOU_[2] = grid(tab, QStringLiteral("gridTOU_2"), 11, kScheduleGridColumns, 3, 1);
    placeTwips(gridTOU_[2], 60, 60, kGridWidth, 11 * kEditorHeight + 330);
    cbTOUTariff_ = new QComboBox(tab);
    cbTOUTariff_->setObjectName(QStringLiteral("cbTOUTariff"));
    placeTwips(cbTOUTariff_, 0, 0, 1300, 315);
    cbTOUTariff_->hide();
}

void TouPage::buildYearlyTab(QWidget* tab) {
    yearGroup_ = new QButtonGroup(tab);
    for (int g = 0; g < 5; ++g) {
        const int left = 60 + 1480 * g;
        QLabel* header = label(kYearListHeader, tab, left, 60, 1400, 255);
        header->setObjectName(QStringLiteral("labTOUYear_%1").arg(g));
        for (int r = 0; r < 20; ++r) {
            const int i = 20 * g + r, top = 330 + kRowHeight * r;
            auto* n = new QRadioButton(tab);
            n->setObjectName(QStringLiteral("optTOUYearN_%1").arg(i));
            placeTwips(n, left, top, 270, kRowHeight);
            yearGroup_->addButton(n, i);
            QObject::connect(n, &QRadioButton::clicked, frame_, [this, i] { optTOUYearN_Click(i); });
            optTOUYearN_[size_t(i)] = n;
            auto* meterBox = new QCheckBox(tab);
            meterBox->setObjectName(QStringLiteral("chkTOUYearR_%1").arg(i));
            placeTwips(meterBox, left + 300, top, 270, kRowHeight);
            QObject::connect(meterBox, &QCheckBox::clicked, frame_, [this, i] { chkTOUYearR_Click(i); });
            chkTOUYearR_[size_t(i)] = meterBox;
            auto* fileBox = new QCheckBox(QString::number(kFirstYear + i), tab);
            fileBox->setObjectName(QStringLiteral("chkTOUYearF_%1").arg(i));
            placeTwips(fileBox, left + 600, top, 860, kRowHeight);
            QObject::connect(fileBox, &QCheckBox::clicked, frame_, [this, i] { chkTOUYearF_Click(i); });
            chkTOUYearF_[size_t(i)] = fileBox;
        }
    }
}

void TouPage::buildSeasonTab(QWidget* tab) {
    gridTOU_[0] = grid(tab, QStringLiteral("gridTOU_0"), 6, 4, 2, 1);
    placeTwips(gridTOU_[0], 60, 60, 6900, 6 * kEditorHeight + 90);
    cbTOUSchedule_[0] = dayScheduleList(tab, 0);
    label(kBillDateLabel, tab, 60, 2190, 1800);
    txtTOUBillDate_ = new QLineEdit(tab);
    txtTOUBillDate_->setObjectName(QStringLiteral("txtTOUBillDate"));
    placeTwips(txtTOUBillDate_, 1900, 2160, 500, 300);
    QObject::connect(txtTOUBillDate_, &QLineEdit::textEdited, frame_, [this](const QString& text) {
        t_.editors.billDate = text;
        pages::markModified(ctx_.page());
    });
}

void TouPage::buildWeekendTab(QWidget* tab) {
    const QStringList days = weekdayCaptions();
    for (int k = 0; k < kWeekdayCount; ++k) {
        auto* box = new QCheckBox(days[k], tab);
        box->setObjectName(QStringLiteral("chkTOUWeek_%1").arg(k));
        placeTwips(box, 300, 120 + 400 * k, 1800, 300);
        QObject::connect(box, &QCheckBox::clicked, frame_, [this, k] { chkTOUWeek_Click(k); });
        chkTOUWeek_[size_t(k)] = box;
    }
    label(kWeekdayScheduleLabel, tab, 2700, 150, 1000);
    auto* list = new QComboBox(tab);
    list->setObjectName(QStringLiteral("cbTOUSchedule_2"));
    placeTwips(list, 3700, 120, 2700, 315);
    QObject::connect(list, &QComboBox::activated, frame_, [this](int i) { t_.editors.weekdaySchedule = i; });
    cbTOUSchedule_[2] = list;
}

void TouPage::buildHolidayTab(QWidget* tab) {
    gridTOU_[1] = grid(tab, QStringLiteral("gridTOU_1"), 32, 4, 2, 1);
    placeTwips(gridTOU_[1], 60, 60, 6900, 5300);
    cbTOUSchedule_[1] = dayScheduleList(tab, 1);
}

void TouPage::buildCalendarTab(QWidget* tab) {
    labTOUCalendar_ = label(QString(), tab, 60, 60, 7 * kDayWidth + 60);
    labTOUCalendar_->setObjectName(QStringLiteral("labTOUCalendar"));
    labTOUCalendar_->setAlignment(Qt::AlignCenter);
    gridTOUCalendar_ = grid(tab, QStringLiteral("gridTOUCalendar"), 7, 7, 1, 0);
    for (int c = 0; c < 7; ++c) gridTOUCalendar_->setColumnWidth(c, monitor::px(kDayWidth));
    for (int r = 1; r < 7; ++r) gridTOUCalendar_->setRowHeight(r, monitor::px(300));
    gridTOUCalendar_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    gridTOUCalendar_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    placeTwips(gridTOUCalendar_, 60, 420, 7 * kDayWidth + 60, kRowHeight + 6 * 300 + 60);
    cmdTOUC_[5]->setParent(tab);
    cmdTOUC_[6]->setParent(tab);
    placeTwips(cmdTOUC_[5], 60, 2640, 1500, 600);
    placeTwips(cmdTOUC_[6], 7 * kDayWidth - 1440, 2640, 1500, 600);
    for (int i = 0; i < kScheduleCount; ++i) {
        // The swatches in two columns below the month.
        const int left = i < 3 ? 60 : 3780, top = 3420 + 400 * (i % 3);
        QLabel* swatch = label(QString(), tab, left, top, 450);
        swatch->setObjectName(QStringLiteral("labTOUSchedule_%1").arg(i));
        swatch->setFrameStyle(QFrame::Box | QFrame::Plain);
        swatch->setAutoFillBackground(true);
        QPalette pal = swatch->palette();
        pal.setColor(QPalette::Window, scheduleColour(i));
        swatch->setPalette(pal);
        labTOUSchedule_[size_t(i)] = swatch;
        QLabel* caption = label(QString(), tab, left + 540, top, 3100);
        caption->setObjectName(QStringLiteral("labTOUSchedule_%1").arg(kScheduleCount + i));
        caption->setAutoFillBackground(true);
        pal = caption->palette();
        pal.setColor(QPalette::Window, captionColour());
        caption->setPalette(pal);
        labTOUSchedule_[size_t(kScheduleCount + i)] = caption;
    }
}

void TouPage::buildLabelsTab(QWidget* tab) {
    for (int i = 0; i < kNameCount; ++i) {
        label(nameLabel(i), tab, 120, 120 + 420 * i, 1700);
        auto* box = new QLineEdit(tab);
        box->setObjectName(QStringLiteral("txtTOUName_%1").arg(i));
        placeTwips(box, 1900, 90 + 420 * i, 2700, 300);
        QObject::connect(box, &QLineEdit::textEdited, frame_,
                         [this, i](const QString& text) { t_.names[size_t(i)] = text; });
        txtTOUName_[size_t(i)] = box;
    }
    cmdTOUC_[4]->setParent(tab);
    placeTwips(cmdTOUC_[4], 4800, 90 + 420 * 9, 1200, 360);
}

// --- InitTOU ------------------------------------------------------------------------------------

void TouPage::layOutGrids() {
    for (int g = 0; g < 5; ++g) {
        QTableWidget* t = gridTOUData_[size_t(g)];
        const QStringList heads = energyGridHeadings(g), names = energyGridRowNames(g);
        for (int c = 0; c < heads.size(); ++c) setGridText(t, 0, c, heads[c]);
        for (int r = 0; r < names.size(); ++r) setGridText(t, r + 1, 0, names[r]);
    }
    for (int i = 0; i < kYearCount; ++i) chkTOUYearF_[size_t(i)]->setText(QString::number(kFirstYear + i));

    // The editable grids' rows are as high as the editors laid over them.
    for (QTableWidget* g : gridTOU_)
        for (int r = 0; r < g->rowCount(); ++r) g->setRowHeight(r, monitor::px(kEditorHeight));
    QTableWidget* s = gridTOU_[2];
    s->setColumnWidth(0, monitor::px(1000));
    for (int c = 1; c < kScheduleGridColumns; ++c) {
        const int kind = (c - 1) % 3;
        s->setColumnWidth(c, monitor::px(kind == 0 ? 1900 : 1500));
        s->setColumnHidden(c, kind == 2);
        setGridText(s, 0, c, scheduleHeading(c));
        if (kind == 0) {
            s->setSpan(0, c, 1, 3);
            s->setSpan(1, c, 1, 3);
        }
    }
    for (int c = 0; c < kScheduleGridColumns; ++c) setGridText(s, 2, c, scheduleSubHeading(c));
    for (int ch = 0; ch < kChannelCount; ++ch) setGridText(s, kScheduleFirstRow + ch, 0, QString::number(ch + 1));

    for (int g = 0; g < 2; ++g) {
        QTableWidget* d = gridTOU_[size_t(g)];
        setColumnWidths(d, {700, 2000, 4000, 1});
        d->setColumnHidden(3, true);
        d->setSpan(0, 0, 1, 3);
        setGridText(d, 0, 0, dayGridTitle(g));
        setGridText(d, 1, 1, dayGridDateHeading(g));
        setGridText(d, 1, 2, kDayGridScheduleHeading);
        for (int r = 2; r < d->rowCount(); ++r) setGridText(d, r, 0, QString::number(r - 1));
    }
    const QStringList days = calendarHeadings();
    for (int c = 0; c < 7; ++c) setGridText(gridTOUCalendar_, 0, c, days[c]);
}

void TouPage::init() {
    layOutGrids();
    const NameFileRead read = readNameFile(ctx_.app().AppFolder, t_.names);
    t_.names = read.names;
    if (read.error) common::ReportError(kInitProcName, read.error->number, read.error->message);
    // Lists, grid and captions are filled whatever became of the file.
    showNames();
    showScheduleGrid();
    showYearEditors();
    t_.TOUYear = -1;
    t_.TOUUploadPending = true;
    setSetupTabsEnabled(false);
}

void TouPage::meterChanged() {
    hideEditors();
    t_.TOUUploadPending = true;
    uploadStopped_ = false;
    unsentEdits_ = false;
    setSetupTabsEnabled(false);
}

void TouPage::showFirstTabs() {
    for (QTabWidget* t : tabTOU_) t->setCurrentIndex(0);
}

// --- showing the model ------------------------------------------------------------------------------

void TouPage::showNames() {
    for (int i = 0; i < kNameCount; ++i)
        if (txtTOUName_[size_t(i)]->text() != t_.names[size_t(i)])
            pages::controls::showReadText(txtTOUName_[size_t(i)], t_.names[size_t(i)]);
    for (int i = 0; i < 3; ++i) {
        QComboBox* list = cbTOUSchedule_[size_t(i)];
        list->clear();
        list->addItems(scheduleNames(t_.names));
        list->setCurrentIndex(i == 2 ? t_.editors.weekdaySchedule : 0);
    }
    cbTOUTariff_->clear();
    cbTOUTariff_->addItems(tariffNames(t_.names));
    cbTOUTariff_->setCurrentIndex(0);
    QTableWidget* s = gridTOU_[2];
    setGridText(s, 1, 0, QStringLiteral("Name"));
    for (int i = 0; i < kScheduleCount; ++i) {
        for (int c = 3 * i + 1; c <= 3 * i + 3; ++c) setGridText(s, 1, c, t_.names[size_t(i)]);
        labTOUSchedule_[size_t(kScheduleCount + i)]->setText(scheduleCaption(i, t_.names));
    }
}

void TouPage::showScheduleGrid() {
    for (int r = kScheduleFirstRow; r < kScheduleFirstRow + kChannelCount; ++r)
        for (int c = 1; c < kScheduleGridColumns; ++c) setGridText(gridTOU_[2], r, c, scheduleGridText(t_.schedules, r, c));
}

void TouPage::showDayGrid(int g) {
    QTableWidget* d = gridTOU_[size_t(g)];
    auto showRow = [d](int r, const DayRow& row) {
        setGridText(d, r, 1, row.date);
        setCellColour(d, r, 1, row.greyDate() ? kUnsetDateColour : kWindowColour);
        setGridText(d, r, 2, row.scheduleName);
        setGridText(d, r, 3, row.scheduleIndex);
    };
    if (g == 0)
        for (int s = 0; s < kSeasonCount; ++s) showRow(s + 2, t_.editors.seasons[size_t(s)]);
    else
        for (int h = 0; h < kHolidayCount; ++h) showRow(h + 2, t_.editors.holidays[size_t(h)]);
}

void TouPage::showYearEditors() {
    showDayGrid(0);
    showDayGrid(1);
    for (int k = 0; k < kWeekdayCount; ++k) chkTOUWeek_[size_t(k)]->setChecked(t_.editors.weekdays[size_t(k)]);
    cbTOUSchedule_[2]->setCurrentIndex(t_.editors.weekdaySchedule);
    if (txtTOUBillDate_->text() != t_.editors.billDate)
        pages::controls::showReadText(txtTOUBillDate_, t_.editors.billDate);
}

void TouPage::showYearBoxes() {
    // An exclusive group cannot be emptied: no year edited means no option set.
    yearGroup_->setExclusive(false);
    for (int c = 0; c < kYearCount; ++c) {
        optTOUYearN_[size_t(c)]->setChecked(c == t_.TOUYear);
        chkTOUYearR_[size_t(c)]->setChecked(t_.meterYears[size_t(c)]);
        chkTOUYearF_[size_t(c)]->setChecked(t_.fileYears[size_t(c)]);
    }
    yearGroup_->setExclusive(true);
}

void TouPage::showMonthButtons() {
    const MonthButtons b = monthButtons(t_.TOUMonth);
    cmdTOUC_[5]->setEnabled(b.prevEnabled);
    cmdTOUC_[6]->setEnabled(b.nextEnabled);
}

void TouPage::showTables() {
    const bool refreshing = ctx_.page().Refreshing;
    ctx_.page().Refreshing = true;
    showNames();
    showScheduleGrid();
    showYearEditors();
    showYearBoxes();
    frame_->setTitle(t_.TOUYear >= 0 ? yearPageCaption(t_.TOUYear) : kPageCaption);
    setPickerYear();
    ShowTOUCalendar();
    ctx_.page().Refreshing = refreshing;
}

void TouPage::ShowTOUCalendar() {
    // The edited year; before any year is chosen, the present one.
    const int year = t_.TOUYear >= 0 ? kFirstYear + t_.TOUYear : QDate::currentDate().year();
    const MonthView view = buildMonthView(t_.editors, year, t_.TOUMonth);
    labTOUCalendar_->setText(view.caption);
    for (int w = 0; w < 6; ++w)
        for (int d = 0; d < 7; ++d) {
            const MonthDay& day = view.weeks[size_t(w)][size_t(d)];
            setGridText(gridTOUCalendar_, w + 1, d, day.day > 0 ? QString::number(day.day) : QString());
            setCellColour(gridTOUCalendar_, w + 1, d, day.day > 0 ? day.colour : kWindowColour);
        }
    showMonthButtons();
}

void TouPage::showEnergies() {
    for (int i = 0; i < 6; ++i) labTOUData_[size_t(i)]->setText(energy_.status[size_t(i)]);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 6; ++c) setGridText(gridTOUData_[0], r + 1, c + 1, energy_.seasons[size_t(r)][size_t(c)]);
    for (int r = 0; r < 12; ++r)
        for (int c = 0; c < 4; ++c) setGridText(gridTOUData_[1], r + 1, c + 1, energy_.months[size_t(r)][size_t(c)]);
    for (int c = 0; c < 6; ++c) {
        setGridText(gridTOUData_[2], 1, c + 2, energy_.freezes[0][size_t(c)]);
        setGridText(gridTOUData_[3], 1, c + 2, energy_.freezes[1][size_t(c)]);
        for (int r = 0; r < 4; ++r)
            setGridText(gridTOUData_[4], r + 1, c + 2, energy_.seasonFreezes[size_t(r)][size_t(c)]);
    }
}

void TouPage::setSetupTabsEnabled(bool on) { tabTOU_[2]->setEnabled(on); }

// --- year choice, ticks and month view ---------------------------------------------------------------

void TouPage::selectYear(int index) {
    common::PageState& page = ctx_.page();
    const bool refreshing = page.Refreshing;
    page.Refreshing = true;
    tou::selectYear(t_, index);
    frame_->setTitle(yearPageCaption(index));
    setPickerYear();
    showYearEditors();
    showYearBoxes();
    ShowTOUCalendar();
    page.Refreshing = refreshing;
}

void TouPage::optTOUYearN_Click(int index) {
    if (index >= 0 && index < kYearCount) selectYear(index);
}

void TouPage::chkTOUYearR_Click(int index) {
    if (index < 0 || index >= kYearCount) return;
    t_.meterYears[size_t(index)] = chkTOUYearR_[size_t(index)]->isChecked();
    if (meterYearTicked(t_.meterYears, index)) return;
    common::beep();
    common::prompter().message(QStringLiteral("Warning"), overCounterMessage(address()), common::Icon::Stop,
                               common::Buttons::Ok);
    chkTOUYearR_[size_t(index)]->setChecked(false);
}

void TouPage::chkTOUYearF_Click(int index) {
    if (index >= 0 && index < kYearCount) t_.fileYears[size_t(index)] = chkTOUYearF_[size_t(index)]->isChecked();
}

void TouPage::chkTOUWeek_Click(int index) {
    if (index < 0 || index >= kWeekdayCount) return;
    t_.editors.weekdays[size_t(index)] = chkTOUWeek_[size_t(index)]->isChecked();
    pages::markModified(ctx_.page());
}

// --- buttons ----------------------------------------------------------------------------------------------

void TouPage::cmdTOUC_Click(int index) {
    common::PageState& page = ctx_.page();
    switch (index) {
    case 0:
        // The tables are read anew: what the editors hold goes with the rest.
        hideEditors();
        page.askRead(StepRead);
        t_.TOUUploadPending = true;
        uploadStopped_ = false;
        unsentEdits_ = false;
        page.SetupModified = false;
        page.EditedGroup = 0;
        setSetupTabsEnabled(false);
        break;
    case 1:
        setupPressed_ = true;
        askSetup();
        break;
    case 2: openCalendarFiles(); break;
    case 3: saveCalendarFiles(); break;
    case 4: saveNames(); break;
    case 5:
    case 6:
        t_.TOUMonth = int16_t(stepMonth(t_.TOUMonth, index == 5 ? -1 : 1).month);
        ShowTOUCalendar();
        break;
    case 7: page.askStep(StepClearEnergy); break;
    case 8: page.askStep(StepFreeze); break;
    default: break;
    }
}

// --- step work --------------------------------------------------------------------------------------------

QString TouPage::address() const { return ctx_.app().link.MeterAddress; }

void TouPage::showError(const QString& text) const { showErrorBox(text); }

void TouPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdScheduleRead, [this] { ParseTOUSchedule(); });
    master.registerDecoder(CmdCalendarRead, [this] { ParseTOUCalendar(); });
    for (int16_t code : {CmdTouStatus, CmdTouSeasonEnergy, CmdTouMonthEnergy, CmdTouFreeze, CmdTouSeasonFreeze})
        master.registerDecoder(code, [this, code] { ParseTOUEnergy(code); });
}

void TouPage::ParseTOUSchedule() {
    const std::vector<uint16_t> words = replyWords(ctx_.app().link);
    if (applyScheduleReply(t_, blockIndex_, words)) showScheduleGrid();
}

void TouPage::ParseTOUCalendar() { applyCalendarReply(t_, replyWords(ctx_.app().link)); }

void TouPage::ParseTOUEnergy(int16_t code) {
    const shell::AppState& app = ctx_.app();
    EnergyScale scale{app.meter.PtRatio, app.meter.CtRatio, {}};
    if (!app.LocaleDateFormat.isEmpty()) scale.date = {app.LocaleDateFormat, app.LocaleDateSeparator};
    if (applyEnergyReply(energy_, code, blockIndex_, replyWords(app.link), scale)) showEnergies();
}

void TouPage::runStep(int16_t pageStep) {
    switch (pageStep) {
    case StepRead: {
        const ReadTickWork work =
            readTickWork(tabTOU_[0]->currentIndex() == 1, t_.TOUUploadPending && !uploadStopped_);
        if (work.upload) UploadTOU();
        if (work.energy) ReadTOUEnergy();
        break;
    }
    case StepSetup: SetupTOU(); break;
    case StepClearEnergy:
    case StepFreeze: {
        const CoilCommand c = pageStep == StepClearEnergy ? clearEnergyCommand() : freezeCommand();
        pages::runConfirmedCoilCommand(setup_, int16_t(c.coil), c.action);
        break;
    }
    default: break;
    }
}

bool TouPage::UploadTOU() {
    common::PageState& page = ctx_.page();
    rtu::ModbusMaster& master = ctx_.master();
    const rtu::LinkState& link = ctx_.app().link;
    frame_->setTitle(kUploadCaption);
    frame_->setEnabled(false);
    page.Refreshing = true;
    page.SetupModified = false;
    beginUpload(t_, QDate::currentDate().month());
    showYearBoxes();
    showMonthButtons();

    auto readBlock = [&](const BlockRead& read) {
        blockIndex_ = read.blockIndex;
        master.SendReadHoldingRegisters(read.code, read.start, read.count);
        ctx_.status().setPanelText(1, uploadProgress(read, !link.LinkFailed));
        return !link.LinkFailed;
    };
    // "Off Line", another meter or "Exit" ends the pass: what was read is no whole table.
    const UploadPass pass = runUploadReads([&] { return master.ops().cancelled(); }, readBlock);
    frame_->setTitle(kPageCaption);
    frame_->setEnabled(true);
    if (pass.whole) {
        hideEditors(); // they showed the tables before
        unsentEdits_ = false;
        finishUpload(t_);
        showTables();
        setSetupTabsEnabled(true);
    } else {
        // The tables stay pending and out of reach. A read that failed with all its
        // repeats is not tried again on every tick: "Upload TOU" tries again.
        if (pass.failed && !master.ops().cancelled()) {
            uploadStopped_ = true;
            ctx_.status().setPanelText(1, uploadFailureText(address(), *pass.failed));
        } else {
            ctx_.status().setPanelText(1, uploadErrorText(address()));
        }
        showYearBoxes();
    }
    page.Refreshing = false;
    return pass.whole;
}

void TouPage::ReadTOUEnergy() {
    rtu::ModbusMaster& master = ctx_.master();
    for (const BlockRead& read : energyReads()) {
        if (master.ops().cancelled()) return;
        blockIndex_ = read.blockIndex;
        master.SendReadHoldingRegisters(read.code, read.start, read.count);
    }
}

void TouPage::askSetup() {
    // The open editor's own check comes first, as it does when the person leaves it: a
    // refused value is said at once and nothing is asked.
    if (!leaveEditor()) return;
    // What the page shows now is what goes to the meter, whatever is edited before the turn.
    TouTables shown = t_;
    storeYear(shown);
    ctx_.page().askWrite(StepSetup, std::make_shared<const TouTables>(std::move(shown)));
}

bool TouPage::askWrite(int16_t step) {
    if (step != StepSetup) return false;
    askSetup();
    return true;
}

SetupTouOutcome TouPage::SetupTOU() {
    common::PageState& page = ctx_.page();
    std::shared_ptr<const TouTables> asked;
    if (auto* v = std::any_cast<std::shared_ptr<const TouTables>>(&page.AskedValues)) asked = std::move(*v);
    page.AskedValues.reset();
    page.moveStep(StepRead);
    // Asked for by leaving the page rather than by the button: a refusal must not keep the person here.
    const bool pressed = std::exchange(setupPressed_, false);
    SetupTouOutcome outcome = SetupTouOutcome::Done;
    bool editedSince = false; // the tables were edited after "Setup TOU" was asked
    if (!asked && !leaveEditor()) {
        // The editor's own check refused its value and said so.
        outcome = SetupTouOutcome::Refused;
    } else if (asked ? asked->TOUUploadPending : t_.TOUUploadPending) {
        // Tables never read from the meter would overwrite it with whatever the page holds.
        outcome = SetupTouOutcome::Pending;
        showError(resultLine(address(), kSetupAction, false));
    } else {
        storeYear(t_);
        showTables();
        TouTables sent = asked ? *asked : t_;
        sent.TOUMonth = t_.TOUMonth; // the month shown is no edit
        editedSince = !(sent == t_);
        const DownloadPlan plan = planDownload(asked ? sent : t_, address());
        if (plan.refused()) {
            outcome = SetupTouOutcome::Refused;
            showError(plan.refusal);
        } else if (const Permission asked = askPermission(setup_, kSetupAction); asked != Permission::Granted) {
            outcome = asked == Permission::Declined ? SetupTouOutcome::Declined : SetupTouOutcome::LoginRefused;
        } else {
            frame_->setTitle(kDownloadCaption);
            frame_->setEnabled(false);
            for (const TouWrite& w : plan.writes) {
                // Each frame is sent only when the one before it was acknowledged.
                if (ctx_.master().ops().cancelled() ||
                    !pages::sendWriteFrame(setup_, w.function, w.firstRegister, w.values)) {
                    outcome = SetupTouOutcome::Failed;
                    break;
                }
                if (!w.progress.isEmpty()) ctx_.status().setPanelText(1, w.progress);
            }
            frame_->setTitle(t_.TOUYear >= 0 ? yearPageCaption(t_.TOUYear) : kPageCaption);
            frame_->setEnabled(true);
            if (outcome == SetupTouOutcome::Done)
                ctx_.status().setPanelText(1, resultLine(address(), kSetupAction, true));
            else
                pages::showFailureBox(setup_, resultLine(address(), kSetupAction, false));
        }
    }
    switch (outcome) {
    case SetupTouOutcome::Pending: break;
    case SetupTouOutcome::Refused:
    case SetupTouOutcome::Failed:
        // The edits stay on the page to be corrected or sent again. Asked for by
        // leaving the page, the page may now be left (the box was shown once), and
        // the edits are marked again when the person comes back.
        if (pressed) page.SetupModified = true;
        else unsentEdits_ = true;
        break;
    case SetupTouOutcome::Declined:
    case SetupTouOutcome::LoginRefused:
    case SetupTouOutcome::Done:
        if (editedSince) {
            // Not read over what the person edited since asking: it stays, for a write of its own.
            if (pressed) page.SetupModified = true;
            else unsentEdits_ = true;
            break;
        }
        // The tables are read again from the meter.
        hideEditors();
        t_.TOUUploadPending = true;
        setSetupTabsEnabled(false);
        break;
    }
    page.moveStep(StepRead);
    return outcome;
}

// --- installer --------------------------------------------------------------------------------------------

void installTimeOfUsePages(shell::PageContext& ctx) {
    if (ctx.page(kTouPage)) return; // installed once per program
    ctx.adoptPage(std::make_unique<TouPage>(ctx));
    auto& periods = static_cast<PeriodPage&>(ctx.adoptPage(std::make_unique<PeriodPage>(ctx)));
    // "Exit" keeps the unit costs of the older meters' page for the next run.
    ctx.services().UploadTOUCost = [&periods] { periods.UploadTOUCost(); };
}

} // namespace tou
