#pragma once
// A picture box for charts: a white drawing surface in twips that keeps what is
// drawn on it. A drawing can be made its background image, so that clearing the
// picture removes what was drawn since and leaves the background.

#include <QColor>
#include <QImage>
#include <QWidget>

namespace monitor {

class BarChartWidget : public QWidget {
    Q_OBJECT
public:
    // The picture's size in twips (15 to a pixel).
    BarChartWidget(int widthTwips, int heightTwips, QWidget* parent = nullptr);

    // Inner size in twips: the whole picture (it has no border of its own).
    int innerWidth() const;
    int innerHeight() const;

    // Clears the picture to its background image (white when it has none).
    void clear();
    // Drops the background image (clear() then gives white).
    void clearBackground();
    // Makes what is drawn now the background image.
    void keepAsBackground();
    // A line in twips, widthPixels wide, with flat ends so a bar is exactly as high
    // as asked.
    void drawLine(double x1, double y1, double x2, double y2, const QColor& colour, int widthPixels);

    // What the picture shows now.
    const QImage& image() const { return canvas_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage canvas_;
    QImage background_;
};

} // namespace monitor
