#include "monitor/waveform_plot.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace monitor {

namespace {
constexpr int kTwipsPerPixel = 15;
const QColor kCursorColour(255, 128, 0);
int cint(double v) { return int(wave::roundHalfEven(v)); }
} // namespace

WaveformPlot::WaveformPlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picWaveform"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    resize(sizeHint());
}

QSize WaveformPlot::sizeHint() const {
    return {geometry_.scaleWidth / kTwipsPerPixel, geometry_.scaleHeight / kTwipsPerPixel};
}

void WaveformPlot::drawWaveform(const wave::RawCapture& capture, const std::array<bool, wave::kChannels>& shown,
                                const std::array<QColor, wave::kChannels>& colours) {
    clearCurves();
    colours_ = colours;
    for (int ch = 0; ch < wave::kChannels; ++ch) {
        if (!shown[size_t(ch)]) continue;
        auto& line = curves_[size_t(ch)];
        line.reserve(wave::kSamples);
        for (int k = 1; k <= wave::kSamples; ++k) {
            const int s = wave::signedSample(capture[size_t(ch)][size_t(k - 1)]);
            line.emplace_back(geometry_.pointX(k), geometry_.pointY(s));
        }
    }
    update();
}

void WaveformPlot::clearCurves() {
    for (auto& c : curves_) c.clear();
    update();
}

void WaveformPlot::setCursorLines(const std::array<int, 4>& x, const std::array<int, 4>& y) {
    lineX_ = x;
    lineY_ = y;
    update();
}

QPoint WaveformPlot::toPicture(const QPointF& pos) const {
    const double sx = width() > 0 ? double(geometry_.scaleWidth) / width() : kTwipsPerPixel;
    const double sy = height() > 0 ? double(geometry_.scaleHeight) / height() : kTwipsPerPixel;
    auto limit = [](long long v) { return int(std::clamp<long long>(v, -32768, 32767)); };
    return {limit(wave::roundHalfEven(pos.x() * sx)), limit(wave::roundHalfEven(pos.y() * sy))};
}

void WaveformPlot::drawGrid(QPainter& p) const {
    const int w = geometry_.scaleWidth, h = geometry_.scaleHeight;
    QPen grid(palette().color(QPalette::WindowText), 0, Qt::DotLine);
    grid.setCosmetic(true);
    p.setPen(grid);
    const int dy = cint(h / 10.0), dx = cint(w / 10.0);
    for (int k = 0; k <= 9; ++k) p.drawLine(0, k * dy, w, k * dy);
    p.drawLine(0, h - 20, w, h - 20);
    for (int k = 0; k <= 9; ++k) p.drawLine(k * dx, 0, k * dx, h);
    p.drawLine(w - 20, 0, w - 20, h);

    QPen ticks(palette().color(QPalette::WindowText), 0, Qt::SolidLine);
    ticks.setCosmetic(true);
    p.setPen(ticks);
    const int ty = cint(h / 50.0), tx = cint(w / 50.0);
    for (int k = 0; k <= 49; ++k) p.drawLine(QPointF(w / 2.0 - 50, k * ty), QPointF(w / 2.0 + 50, k * ty));
    for (int k = 0; k <= 49; ++k) p.drawLine(QPointF(k * tx, h / 2.0 - 50), QPointF(k * tx, h / 2.0 + 50));
}

void WaveformPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.scale(double(width()) / geometry_.scaleWidth, double(height()) / geometry_.scaleHeight);
    drawGrid(p);

    for (int ch = 0; ch < wave::kChannels; ++ch) {
        const auto& line = curves_[size_t(ch)];
        if (line.size() < 2) continue;
        QPen pen(colours_[size_t(ch)], 0);
        pen.setCosmetic(true);
        p.setPen(pen);
        p.drawPolyline(line.data(), int(line.size()));
    }

    static const Qt::PenStyle styles[4] = {Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};
    for (int i = 0; i < 4; ++i) {
        QPen pen(kCursorColour, 0, styles[i]);
        pen.setCosmetic(true);
        p.setPen(pen);
        if (i < 2) p.drawLine(0, lineY_[size_t(i)], geometry_.scaleWidth, lineY_[size_t(i)]);
        else p.drawLine(lineX_[size_t(i)], 0, lineX_[size_t(i)], geometry_.scaleHeight);
    }
}

void WaveformPlot::handleMouse(QMouseEvent* event) {
    // Only the left button alone drags a cursor.
    if (event->buttons() != Qt::LeftButton) return;
    const QPoint at = toPicture(event->position());
    emit dragged(at.x(), at.y());
}

void WaveformPlot::mousePressEvent(QMouseEvent* event) { handleMouse(event); }
void WaveformPlot::mouseMoveEvent(QMouseEvent* event) { handleMouse(event); }

} // namespace monitor
