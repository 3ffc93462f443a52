#include "monitor/bar_chart_widget.h"

#include "monitor/live_widgets.h"

#include <QPainter>
#include <cmath>

namespace monitor {

BarChartWidget::BarChartWidget(int widthTwips, int heightTwips, QWidget* parent) : QWidget(parent) {
    setFixedSize(px(widthTwips), px(heightTwips));
    canvas_ = QImage(size(), QImage::Format_RGB32);
    canvas_.fill(Qt::white);
}

int BarChartWidget::innerWidth() const { return width() * kTwipsPerPixel; }
int BarChartWidget::innerHeight() const { return height() * kTwipsPerPixel; }

void BarChartWidget::clear() {
    if (background_.isNull()) {
        canvas_ = QImage(size(), QImage::Format_RGB32);
        canvas_.fill(Qt::white);
    } else {
        canvas_ = background_.copy();
    }
    update();
}

void BarChartWidget::clearBackground() { background_ = QImage(); }

void BarChartWidget::keepAsBackground() { background_ = canvas_.copy(); }

void BarChartWidget::drawLine(double x1, double y1, double x2, double y2, const QColor& colour, int widthPixels) {
    for (double v : {x1, y1, x2, y2})
        if (!std::isfinite(v)) return;
    QPainter p(&canvas_);
    p.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    QPen pen(colour);
    pen.setCosmetic(true); // the width is in pixels whatever the scale
    pen.setWidth(widthPixels);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    update();
}

void BarChartWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, canvas_);
}

} // namespace monitor
