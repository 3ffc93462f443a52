#include "records/chart_grid.h"

#include "monitor/waveform_math.h"

namespace records {

namespace {
int step(double length, int parts) { return int(monitor::wave::roundHalfEven(length / parts)); }
} // namespace

GridSteps gridSteps(double width, double height) {
    return {step(height, 10), step(width, 10), step(height, 50), step(width, 50)};
}

std::vector<QLineF> backgroundGridLines(double w, double h) {
    const GridSteps s = gridSteps(w, h);
    std::vector<QLineF> lines;
    for (int i = 0; i < 10; ++i) lines.emplace_back(0, i * s.rows, w, i * s.rows);
    lines.emplace_back(0, h - 20, w, h - 20);
    for (int i = 0; i < 10; ++i) lines.emplace_back(i * s.columns, 0, i * s.columns, h);
    lines.emplace_back(w - 20, 0, w - 20, h);
    for (int i = 0; i < 50; ++i) lines.emplace_back(w / 2 - 50, i * s.rowTicks, w / 2 + 50, i * s.rowTicks);
    for (int i = 0; i < 50; ++i) lines.emplace_back(i * s.columnTicks, h / 2 - 50, i * s.columnTicks, h / 2 + 50);
    return lines;
}

} // namespace records
