#pragma once
// Small helpers the live pages share: design positions in twips, grids that
// look and behave like the program's other read-only grids (fixed first rows and
// columns in grey that stay in view, cells addressed by row and column), and red
// value labels.

#include <QColor>
#include <QString>
#include <Qt>

#include "shell/page.h"

class QLabel;
class QTableWidget;
class QTableWidgetItem;
class QWidget;

namespace monitor {

inline constexpr int kTwipsPerPixel = shell::TwipsPerPixel;
using shell::placeTwips;
using shell::px;

// The alignment codes of the grids: 0..8 = left/centre/right times top/centre/bottom
// (0 left top, 2 left bottom, 4 centre, 6 right top, ...).
Qt::Alignment gridAlignment(int code);

// A read-only grid of rows x cols whose every cell holds an item. The first
// fixedRows rows and fixedCols columns are shaded like headings and stay in view
// while the rest scrolls; cells keep their (row, column) places, headings included.
QTableWidget* makeGrid(QWidget* parent, int rows, int cols, int fixedRows, int fixedCols);
// Sets the column count, keeping existing cells and giving new ones items.
void setGridColumns(QTableWidget* grid, int cols, int fixedRows);
// The cell's item, created when missing; nullptr outside the grid.
QTableWidgetItem* gridCell(QTableWidget* grid, int row, int col);
// The cell's text, "" outside the grid.
QString gridText(const QTableWidget* grid, int row, int col);
void setGridText(QTableWidget* grid, int row, int col, const QString& text);

// A sunken label for a live value.
QLabel* makeValueLabel(QWidget* parent);
// Red (255) for a reading the meter marked out of range, else black.
void setForeColor(QLabel* label, bool red);
QColor foreColor(const QLabel* label);

} // namespace monitor
