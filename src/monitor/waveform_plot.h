#pragma once
// The waveform plot (picWaveform): a white picture in logical twips (5985 x 4935,
// origin top left, y downwards) with a fixed background grid, the curves of the
// ticked channels and four orange cursor lines: two level cursors across the
// width and two time cursors over the height. A left-button drag reports the
// mouse position in picture units; which cursor it moves is the page's business.

#include "monitor/waveform_math.h"

#include <QColor>
#include <QWidget>
#include <array>

namespace monitor {

class WaveformPlot : public QWidget {
    Q_OBJECT
public:
    explicit WaveformPlot(QWidget* parent = nullptr);

    const wave::PlotGeometry& geometryTwips() const { return geometry_; }

    // DrawWaveform: clears the curves and draws the channels whose flag is set.
    void drawWaveform(const wave::RawCapture& capture, const std::array<bool, wave::kChannels>& shown,
                      const std::array<QColor, wave::kChannels>& colours);
    // Clears the curves; the grid stays.
    void clearCurves();
    // Puts the cursor lines: 0 and 1 at their y, 2 and 3 at their x.
    void setCursorLines(const std::array<int, 4>& x, const std::array<int, 4>& y);

    // The polyline of a drawn channel in picture units (empty when not drawn).
    const std::vector<QPoint>& curve(int ch) const { return curves_[size_t(ch)]; }
    int cursorLineX(int i) const { return lineX_[size_t(i)]; }
    int cursorLineY(int i) const { return lineY_[size_t(i)]; }

    // A widget position in picture units, rounded half to even and limited to the
    // 16-bit range the cursor positions are kept in.
    QPoint toPicture(const QPointF& widgetPos) const;

    QSize sizeHint() const override;

signals:
    // The left button alone is down at this picture position (press or drag).
    void dragged(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void drawGrid(class QPainter& p) const;
    void handleMouse(QMouseEvent* event);

    wave::PlotGeometry geometry_;
    std::array<std::vector<QPoint>, wave::kChannels> curves_;
    std::array<QColor, wave::kChannels> colours_;
    std::array<int, 4> lineX_{};
    std::array<int, 4> lineY_{};
};

} // namespace monitor
