#pragma once
// The trace picture (picTrace): white, in logical twips with the zero line at
// y = 2048, the fixed background grid, the channels drawn since the last clear
// and the four orange cursor lines (two value cursors across, two time cursors
// down). A move with the left button alone reports the mouse in picture units.

#include <QColor>
#include <QLine>
#include <QWidget>
#include <array>
#include <vector>

namespace records {

class TracePlotWidget : public QWidget {
    Q_OBJECT
public:
    // The picture's inner scale: 5597 x 4067 twips inside its 5625 x 4095 outline.
    static constexpr int kScaleWidth = 5597, kScaleHeight = 4067;
    static constexpr int kOuterWidth = 5625, kOuterHeight = 4095;

    explicit TracePlotWidget(QWidget* parent = nullptr);

    // Empties the drawing layer; the grid stays.
    void clearTraces();
    // Draws one channel's segments over what the picture shows.
    void addTrace(std::vector<QLine> lines, const QColor& colour);
    // Lines 0 and 1 at height position[0], position[1]; 2 and 3 at x position[2], position[3].
    void setCursorLines(const std::array<double, 4>& position);

    int traceCount() const { return int(traces_.size()); }
    const std::vector<QLine>& traceLines(int i) const { return traces_[size_t(i)].lines; }
    QColor traceColour(int i) const { return traces_[size_t(i)].colour; }
    QPointF toPicture(const QPointF& widgetPos) const;

signals:
    void dragged(double x, double y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Trace {
        std::vector<QLine> lines;
        QColor colour;
    };
    std::vector<Trace> traces_;
    std::array<double, 4> cursor_{2032, 2032, 10, 0};
};

} // namespace records
