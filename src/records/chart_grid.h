#pragma once
// The fixed background grid of the trend and trace charts, in the picture's
// logical units (twips, origin top left, y downwards): ten divisions each way,
// a border 20 units inside the bottom and right edges, and fifty short ticks
// across each centre line. Drawn once; the charts only clear what lies over it.

#include <QLineF>
#include <vector>

namespace records {

// The division and tick spacings: H / 10, W / 10, H / 50, W / 50, each rounded
// half to even (H 4275 gives 428 and 86, W 6645 gives 664 and 133).
struct GridSteps {
    int rows = 0, columns = 0, rowTicks = 0, columnTicks = 0;
};
GridSteps gridSteps(double width, double height);

// Every line of the grid in drawing order: the nine division lines and the
// bottom border across, the same down with the right border, then the ticks.
std::vector<QLineF> backgroundGridLines(double width, double height);

} // namespace records
