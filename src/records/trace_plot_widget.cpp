#include "records/trace_plot_widget.h"

#include "records/chart_grid.h"

#include <QMouseEvent>
#include <QPainter>

namespace records {

namespace {
constexpr int kTwipsPerPixel = 15;
const QColor kCursorColour(255, 128, 0);
} // namespace

TracePlotWidget::TracePlotWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picTrace"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    resize(kOuterWidth / kTwipsPerPixel, kOuterHeight / kTwipsPerPixel);
}

void TracePlotWidget::clearTraces() {
    traces_.clear();
    update();
}

void TracePlotWidget::addTrace(std::vector<QLine> lines, const QColor& colour) {
    traces_.push_back({std::move(lines), colour});
    update();
}

void TracePlotWidget::setCursorLines(const std::array<double, 4>& position) {
    cursor_ = position;
    update();
}

QPointF TracePlotWidget::toPicture(const QPointF& pos) const {
    const double sx = width() > 0 ? double(kScaleWidth) / width() : kTwipsPerPixel;
    const double sy = height() > 0 ? double(kScaleHeight) / height() : kTwipsPerPixel;
    return {pos.x() * sx, pos.y() * sy};
}

void TracePlotWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.scale(double(width()) / kScaleWidth, double(height()) / kScaleHeight);
    p.setClipRect(QRect(0, 0, kScaleWidth, kScaleHeight));

    QPen grid(palette().color(QPalette::WindowText), 0);
    grid.setCosmetic(true);
    p.setPen(grid);
    for (const QLineF& l : backgroundGridLines(kScaleWidth, kScaleHeight)) p.drawLine(l);

    for (const Trace& t : traces_) {
        QPen pen(t.colour, 0);
        pen.setCosmetic(true);
        p.setPen(pen);
        p.drawLines(t.lines.data(), int(t.lines.size()));
    }

    static const Qt::PenStyle styles[4] = {Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};
    for (int i = 0; i < 4; ++i) {
        QPen pen(kCursorColour, 0, styles[i]);
        pen.setCosmetic(true);
        p.setPen(pen);
        const double at = cursor_[size_t(i)];
        if (i < 2) p.drawLine(QPointF(0, at), QPointF(kScaleWidth, at));
        else p.drawLine(QPointF(at, 0), QPointF(at, kScaleHeight - 2));
    }
}

void TracePlotWidget::mouseMoveEvent(QMouseEvent* event) {
    // Only the left button alone drags a cursor; a click without a move moves none.
    if (event->buttons() != Qt::LeftButton) return;
    const QPointF at = toPicture(event->position());
    emit dragged(at.x(), at.y());
}

} // namespace records
