#include "monitor/live_widgets.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

namespace monitor {

namespace {
const QColor kFixedColour(212, 208, 200);
}

Qt::Alignment gridAlignment(int code) {
    if (code < 0 || code > 8) code = 0;
    static const Qt::Alignment horizontal[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static const Qt::Alignment vertical[3] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    return horizontal[code / 3] | vertical[code % 3];
}

QTableWidget* makeGrid(QWidget* parent, int rows, int cols, int fixedRows, int fixedCols) {
    auto* grid = new QTableWidget(rows, cols, parent);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->setWordWrap(false);
    grid->setProperty("fixedCols", fixedCols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            QTableWidgetItem* item = gridCell(grid, r, c);
            if (r < fixedRows || c < fixedCols) item->setBackground(kFixedColour);
        }
    return grid;
}

void setGridColumns(QTableWidget* grid, int cols, int fixedRows) {
    if (!grid || cols < 0) return;
    const int before = grid->columnCount();
    grid->setColumnCount(cols);
    for (int c = before; c < cols; ++c)
        for (int r = 0; r < grid->rowCount(); ++r) {
            QTableWidgetItem* item = gridCell(grid, r, c);
            if (r < fixedRows) item->setBackground(kFixedColour);
        }
}

QTableWidgetItem* gridCell(QTableWidget* grid, int row, int col) {
    if (!grid || row < 0 || col < 0 || row >= grid->rowCount() || col >= grid->columnCount()) return nullptr;
    QTableWidgetItem* item = grid->item(row, col);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, col, item);
    }
    return item;
}

QString gridText(const QTableWidget* grid, int row, int col) {
    if (!grid) return QString();
    const QTableWidgetItem* item = grid->item(row, col);
    return item ? item->text() : QString();
}

void setGridText(QTableWidget* grid, int row, int col, const QString& text) {
    if (QTableWidgetItem* item = gridCell(grid, row, col)) item->setText(text);
}

QLabel* makeValueLabel(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setAutoFillBackground(true);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(pal);
    return l;
}

void setForeColor(QLabel* label, bool red) {
    if (!label) return;
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, red ? QColor(255, 0, 0) : QColor(0, 0, 0));
    label->setPalette(pal);
}

QColor foreColor(const QLabel* label) { return label ? label->palette().color(QPalette::WindowText) : QColor(); }

} // namespace monitor
