#include "monitor/phasor_widget.h"

#include <QPainter>
#include <cmath>

namespace monitor {

namespace {
constexpr int kDialRadius = 2400; // 160 pixels of the 400-pixel dial picture
}

PhasorWidget::PhasorWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Image1"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    reset();
}

void PhasorWidget::setTip(int i, wave::Point tip) {
    if (i < 0 || i >= wave::kChannels) return;
    tips_[size_t(i)] = tip;
    update();
}

void PhasorWidget::setLabel(int i, const QString& caption, wave::Point at) {
    if (i < 0 || i >= wave::kChannels) return;
    labels_[size_t(i)] = caption;
    labelPos_[size_t(i)] = at;
    update();
}

void PhasorWidget::setColour(int i, const QColor& colour) {
    if (i < 0 || i >= wave::kChannels) return;
    colours_[size_t(i)] = colour;
    update();
}

void PhasorWidget::setLineVisible(int i, bool visible) {
    if (i < 0 || i >= wave::kChannels) return;
    visible_[size_t(i)] = visible;
    update();
}

void PhasorWidget::reset() {
    for (int i = 0; i < wave::kChannels; ++i) {
        tips_[size_t(i)] = {wave::kPhasorCentreX, wave::kPhasorCentreY};
        labelPos_[size_t(i)] = {wave::kPhasorCentreX, wave::kPhasorCentreY};
        visible_[size_t(i)] = true;
    }
    update();
}

void PhasorWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    p.translate((width() - side) / 2.0, (height() - side) / 2.0);
    p.scale(side / AreaSize, side / AreaSize);
    p.translate(-AreaLeft, -AreaTop);
    const QPointF centre(wave::kPhasorCentreX, wave::kPhasorCentreY);

    // The dial: circle, centre dot and a mark every 45 degrees, clockwise from 0 at the right.
    QPen dial(QColor(96, 96, 96), 0);
    dial.setCosmetic(true);
    p.setPen(dial);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, kDialRadius, kDialRadius);
    p.drawEllipse(centre, 97.5, 97.5); // Shape1, 195 x 195
    p.setBrush(QColor(96, 96, 96));
    p.drawEllipse(centre, 30, 30);
    p.setBrush(Qt::NoBrush);
    QFont font = p.font();
    font.setPixelSize(180);
    p.setFont(font);
    for (int deg = 0; deg < 360; deg += 45) {
        const double a = deg * M_PI / 180.0;
        const QPointF dir(std::cos(a), std::sin(a)); // y downwards: clockwise
        p.drawLine(centre + dir * (kDialRadius - 150), centre + dir * (kDialRadius + 150));
        const QPointF at = centre + dir * (kDialRadius + 420);
        p.drawText(QRectF(at.x() - 300, at.y() - 150, 600, 300), Qt::AlignCenter, QString::number(deg));
    }

    for (int i = 0; i < wave::kChannels; ++i) {
        if (!visible_[size_t(i)]) continue;
        const bool current = i < 3;
        QPen pen(colours_[size_t(i)], current ? 1 : 2, current ? Qt::DashLine : Qt::SolidLine);
        pen.setCosmetic(true);
        p.setPen(pen);
        p.drawLine(QPointF(tips_[size_t(i)].x, tips_[size_t(i)].y), centre);
    }
    for (int i = 0; i < wave::kChannels; ++i) {
        p.setPen(colours_[size_t(i)]);
        const auto at = labelPos_[size_t(i)];
        p.drawText(QRectF(at.x, at.y, 900, 240), Qt::AlignLeft | Qt::AlignTop, labels_[size_t(i)]);
    }
}

} // namespace monitor
