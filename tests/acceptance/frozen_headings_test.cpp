// The heading rows and columns of the program's grids stay in view while a person
// scrolls the rest, on every page; a click on a heading is still a click on the grid.
#include "all_pages_rig.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

// The cell a person sees at a point of the grid's viewport: that of the view drawn there.
QModelIndex seenAt(QTableWidget* grid, QPoint inViewport) {
    QWidget* window = grid->window();
    const QPoint p = grid->viewport()->mapTo(window, inViewport);
    for (QWidget* w = window->childAt(p); w; w = w->parentWidget())
        if (auto* view = qobject_cast<QAbstractItemView*>(w->parentWidget()); view && view->viewport() == w)
            return view->indexAt(w->mapFrom(window, p));
    return {};
}

std::string textSeenAt(QTableWidget* grid, QPoint inViewport) {
    return seenAt(grid, inViewport).data().toString().toStdString();
}
// (row, column) of the cell seen there.
std::pair<int, int> cellSeenAt(QTableWidget* grid, QPoint inViewport) {
    const QModelIndex i = seenAt(grid, inViewport);
    return {i.row(), i.column()};
}

// Scrolls to the end with the keyboard on the scroll bars, as far as they go.
void scrollToEnd(QTableWidget* grid) {
    for (QScrollBar* bar : {grid->verticalScrollBar(), grid->horizontalScrollBar()})
        if (bar->isVisible()) QTest::keyClick(bar, Qt::Key_End);
}

int fixedRows(const QTableWidget* g) { return g->property("fixedRows").toInt(); }
int fixedCols(const QTableWidget* g) { return g->property("fixedCols").toInt(); }

// Middle of the heading row r, or of the heading column c, within the frozen band.
int bandMiddle(const QTableWidget* g, int index, bool row) {
    int at = 0;
    for (int k = 0; k < index; ++k) at += row ? (g->isRowHidden(k) ? 0 : g->rowHeight(k))
                                              : (g->isColumnHidden(k) ? 0 : g->columnWidth(k));
    return at + (row ? g->rowHeight(index) : g->columnWidth(index)) / 2;
}

} // namespace

TEST(FrozenHeadings, EventGridKeepsItsHeadingsAndRecordNumbers) {
    AllPagesRig rig;
    ASSERT_TRUE(rig.select("1", 2.3f));
    ASSERT_EQ(rig.open(12), 12);
    auto* grid = rig.mainForm().findChild<QTableWidget*>("gridEvent");
    ASSERT_NE(grid, nullptr);
    ASSERT_TRUE(rig.waitFor([&] { return grid->item(1, 0) && grid->item(1, 0)->text() == "12"; }));
    const int causeX = grid->columnViewportPosition(3) + 20;
    const int headingY = grid->rowHeight(0) / 2;

    // Down to the last of the 200 records: the headings are still at the top.
    QTest::keyClick(grid->verticalScrollBar(), Qt::Key_End);
    EXPECT_GT(grid->verticalScrollBar()->value(), 150);
    EXPECT_EQ(textSeenAt(grid, {causeX, headingY}), "Cause");
    EXPECT_EQ(textSeenAt(grid, {grid->columnViewportPosition(1) + 10, headingY}), "Time");
    // Below them the last record row, whose number cell shows in the fixed column.
    const int bottomY = grid->viewport()->height() - grid->rowHeight(200) / 2;
    EXPECT_EQ(cellSeenAt(grid, {grid->columnWidth(0) / 2, bottomY}), std::make_pair(200, 0));

    // Back up and all the way right: the record numbers stay at the left.
    QTest::keyClick(grid->verticalScrollBar(), Qt::Key_Home);
    QTest::keyClick(grid->horizontalScrollBar(), Qt::Key_End);
    EXPECT_GT(grid->horizontalScrollBar()->value(), 0);
    const int firstRecordY = grid->rowHeight(0) + grid->rowHeight(1) / 2;
    EXPECT_EQ(textSeenAt(grid, {grid->columnWidth(0) / 2, firstRecordY}), "12");
    EXPECT_EQ(textSeenAt(grid, {grid->columnWidth(0) / 2, headingY}), "");
    EXPECT_EQ(cellSeenAt(grid, {grid->columnWidth(0) / 2, headingY}), std::make_pair(0, 0));

    // A click on a heading of the scrolled grid is the grid's click on that heading.
    QSignalSpy clicked(grid, &QTableWidget::cellClicked);
    QTest::keyClick(grid->verticalScrollBar(), Qt::Key_End);
    const QPoint heading = grid->viewport()->mapTo(grid->window(), QPoint(grid->viewport()->width() - 30, headingY));
    QWidget* under = grid->window()->childAt(heading);
    ASSERT_NE(under, nullptr);
    QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(grid->window(), heading));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked[0][0].toInt(), 0);
    EXPECT_EQ(clicked[0][1].toInt(), grid->columnCount() - 1);
}

TEST(FrozenHeadings, EveryScrolledGridOfEveryPageKeepsItsFixedRowsAndColumns) {
    AllPagesRig rig;
    ASSERT_TRUE(rig.select("1", 2.3f));
    shell::MainForm& form = rig.mainForm();
    std::set<QTabWidget*> visited;
    std::set<QString> scrolled;
    for (int16_t index : shell::MainForm::menuOrder()) {
        if (rig.open(index, 200) < 0) continue;
        forEveryTab(form, shell::MainForm::pageCaptions()[size_t(index)], [&](const QString& where) {
            for (QTableWidget* grid : form.findChildren<QTableWidget*>()) {
                if (!grid->isVisible() || (fixedRows(grid) == 0 && fixedCols(grid) == 0)) continue;
                scrollToEnd(grid);
                const bool down = grid->verticalScrollBar()->value() > 0;
                const bool right = grid->horizontalScrollBar()->value() > 0;
                if (!down && !right) continue;
                scrolled.insert(grid->objectName());
                const std::string name = where.toStdString() + " " + grid->objectName().toStdString();
                const int midX = grid->viewport()->width() / 2, midY = grid->viewport()->height() / 2;
                // Every heading row across the middle, every heading column along it.
                for (int r = 0; r < fixedRows(grid); ++r) {
                    if (grid->isRowHidden(r) || grid->rowHeight(r) < 3) continue;
                    const QModelIndex seen = seenAt(grid, {midX, bandMiddle(grid, r, true)});
                    EXPECT_EQ(seen.row(), r) << name << " heading row " << r;
                }
                for (int c = 0; c < fixedCols(grid); ++c) {
                    if (grid->isColumnHidden(c) || grid->columnWidth(c) < 3) continue;
                    const QModelIndex seen = seenAt(grid, {bandMiddle(grid, c, false), midY});
                    EXPECT_EQ(seen.column(), c) << name << " heading column " << c;
                    EXPECT_EQ(seen.row(), grid->rowAt(midY)) << name << " heading column " << c;
                }
            }
        }, visited);
    }
    // The grids that have more than they show: monitor, config, time-of-use and record pages.
    for (const char* name : {"gridHarmonicC", "gridMax", "gridMin", "gridEvent", "gridTrend", "gridMapping", "gridSF",
                             "gridTOUData_1", "gridTOU_1"})
        EXPECT_TRUE(scrolled.count(name)) << name;
}
