#pragma once
// picTrend: the trend chart's picture, white, in logical twips with the origin at
// the top left and y downwards. It keeps a background image (the grid, drawn
// once) under a drawing layer (the curve) that clearing empties, and carries the
// two orange cursor lines over both. A left-button press or drag reports the
// position in picture units.

#include <QImage>
#include <QLine>
#include <QWidget>
#include <array>
#include <vector>

namespace records {

class TrendPicture : public QWidget {
    Q_OBJECT
public:
    // The picture's design size in twips; a 2-pixel sunken border lies inside it.
    static constexpr int kDesignWidth = 6705, kDesignHeight = 4335;
    static constexpr int kLineBottom = 4302; // the cursor lines run from y 0 to here

    explicit TrendPicture(QWidget* parent = nullptr);

    // The inner size in picture units (ScaleWidth, ScaleHeight).
    double scaleWidth() const;
    double scaleHeight() const;

    // Draws the background grid for the present inner size and keeps it as the
    // background image.
    void drawGrid();
    bool hasGrid() const { return !background_.isNull(); }
    // Cls: empties the drawing layer; the grid stays.
    void clearLayer();
    // Clears the drawing layer and draws these lines in magenta.
    void drawCurve(const std::vector<QLine>& lines);
    const std::vector<QLine>& curve() const { return curve_; }
    // Moves cursor line c (0, 1) to picture x.
    void setCursorX(int c, int x);
    int cursorX(int c) const { return cursorX_[size_t(c & 1)]; }

    QSize sizeHint() const override;

signals:
    // A press or drag at picture x; leftButtonOnly when the left button alone is down.
    void mouseAt(double x, bool leftButtonOnly);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QRect inner() const;
    void handleMouse(QMouseEvent* event);

    QImage background_;
    std::vector<QLine> curve_;
    std::array<int, 2> cursorX_{};
};

} // namespace records
