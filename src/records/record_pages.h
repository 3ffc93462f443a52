#pragma once
// What the max./min. log and event log pages share: the date style of the
// system, rows of texts put into a grid, and the "Save" of a record table to a
// CSV file with its result line and window caption.

#include "records/record_format.h"

#include <QString>
#include <QStringList>
#include <span>

class QTableWidget;
class QWidget;

namespace shell {
class PageContext;
struct AppState;
} // namespace shell

namespace records {

DateStyle dateStyle(const shell::AppState& app);

// Columns 0.. of the grid's row take the texts (cells the grid lacks are skipped).
void showGridRow(QTableWidget* grid, int row, std::span<const QString> texts);

// The Save dialog ("Save File", the description's CSV files); a chosen file gets
// the lines, then "Meter [<address>] <okWords>" in status panel 1, or the common
// error report naming procName when it can't be written. The caption of the
// window that holds `frame` then names the file (or none, after Cancel).
void saveRecordTable(shell::PageContext& ctx, QWidget* frame, const QString& description, const QStringList& lines,
                     const QString& procName, const QString& okWords);

} // namespace records
