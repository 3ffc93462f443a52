#include "records/record_pages.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "config/user_map.h"
#include "link/status_sink.h"
#include "monitor/live_widgets.h"
#include "shell/page_context.h"

#include <QTableWidget>

namespace records {

DateStyle dateStyle(const shell::AppState& app) { return {app.LocaleDateFormat, app.LocaleDateSeparator}; }

void showGridRow(QTableWidget* grid, int row, std::span<const QString> texts) {
    if (!grid) return;
    const int cols = std::min(int(texts.size()), grid->columnCount());
    for (int c = 0; c < cols; ++c) monitor::setGridText(grid, row, c, texts[size_t(c)]);
}

void saveRecordTable(shell::PageContext& ctx, QWidget* frame, const QString& description, const QStringList& lines,
                     const QString& procName, const QString& okWords) {
    const QString path = common::prompter().saveFileName(QStringLiteral("Save File"),
                                                         common::fileFilter(description, QStringLiteral("CSV")),
                                                         QString());
    if (!path.isEmpty()) {
        if (const auto error = saveLines(path, lines))
            common::ReportError(procName, error->number, error->message);
        else
            ctx.status().setPanelText(1, meterMessage(ctx.app().link.MeterAddress, okWords));
    }
    if (QWidget* window = frame ? frame->window() : nullptr; window && window != frame)
        window->setWindowTitle(config::mapWindowCaption(ctx.app().meter.MeterModelText, path));
}

} // namespace records
