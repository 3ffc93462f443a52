#include "records/trend_picture.h"

#include "records/chart_grid.h"
#include "shell/page.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

namespace records {

namespace {

constexpr int T = shell::TwipsPerPixel;
constexpr int kBorder = 2; // pixels
const QColor kCurveColour(255, 0, 255);
const QColor kCursorColour(255, 128, 0);

QPen cosmetic(const QColor& colour, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(colour, 0, style);
    pen.setCosmetic(true);
    return pen;
}

} // namespace

TrendPicture::TrendPicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picTrend"));
    resize(sizeHint());
}

QSize TrendPicture::sizeHint() const { return {kDesignWidth / T, kDesignHeight / T}; }

QRect TrendPicture::inner() const { return rect().adjusted(kBorder, kBorder, -kBorder, -kBorder); }

double TrendPicture::scaleWidth() const { return double(std::max(0, inner().width()) * T); }
double TrendPicture::scaleHeight() const { return double(std::max(0, inner().height()) * T); }

void TrendPicture::drawGrid() {
    const QRect area = inner();
    background_ = QImage(area.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    background_.fill(Qt::white);
    QPainter p(&background_);
    p.scale(1.0 / T, 1.0 / T);
    p.setPen(cosmetic(palette().color(QPalette::WindowText)));
    for (const QLineF& line : backgroundGridLines(scaleWidth(), scaleHeight())) p.drawLine(line);
    update();
}

void TrendPicture::clearLayer() {
    curve_.clear();
    update();
}

void TrendPicture::drawCurve(const std::vector<QLine>& lines) {
    curve_ = lines;
    update();
}

void TrendPicture::setCursorX(int c, int x) {
    cursorX_[size_t(c & 1)] = x;
    update();
}

void TrendPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect area = inner();
    // A sunken frame, as a picture box has.
    p.fillRect(rect(), palette().color(QPalette::Mid));
    p.fillRect(rect().adjusted(1, 1, 0, 0), palette().color(QPalette::Light));
    p.fillRect(rect().adjusted(1, 1, -1, -1), palette().color(QPalette::Dark));
    p.fillRect(area, Qt::white);
    p.setClipRect(area);
    if (!background_.isNull()) p.drawImage(area.topLeft(), background_);
    p.translate(area.topLeft());
    p.scale(1.0 / T, 1.0 / T);
    p.setPen(cosmetic(kCurveColour));
    for (const QLine& line : curve_) p.drawLine(line);
    const Qt::PenStyle styles[2] = {Qt::DashDotLine, Qt::DashDotDotLine};
    for (int c = 0; c < 2; ++c) {
        p.setPen(cosmetic(kCursorColour, styles[c]));
        p.drawLine(cursorX_[size_t(c)], 0, cursorX_[size_t(c)], kLineBottom);
    }
}

void TrendPicture::mousePressEvent(QMouseEvent* event) { handleMouse(event); }
void TrendPicture::mouseMoveEvent(QMouseEvent* event) { handleMouse(event); }

void TrendPicture::handleMouse(QMouseEvent* event) {
    emit mouseAt((event->position().x() - inner().left()) * T, event->buttons() == Qt::LeftButton);
}

} // namespace records
