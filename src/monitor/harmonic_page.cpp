#include "monitor/harmonic_page.h"

#include "common/app_state.h"
#include "link/link_state.h"
#include "link/modbus_master.h"
#include "monitor/bar_chart_widget.h"
#include "monitor/live_widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QTableWidget>
#include <cmath>

namespace monitor {

namespace {

// Design places in twips. The two frames sit 120 twips higher than first drawn so
// that the voltage table fits inside the page frame.
constexpr int kFrameLeft = 120, kFrameWidth = 7695, kFrameHeight = 3615;
constexpr int kFrameTop[2] = {430, 4080};
constexpr int kPicLeft = 600, kPicTop = 240, kPicWidth = 6945, kPicHeight = 1695;
constexpr int kGridLeft = 480, kGridTop = 2200, kGridWidth = 7095, kGridHeight = 1335;
constexpr int kScaleTops[2][6] = {{1920, 1590, 1245, 915, 570, 240}, {1920, 1584, 1248, 912, 576, 240}};
constexpr int kOrderTop[2] = {1935, 1935}; // right under the chart, clear of the grid
constexpr int kChkTops[3] = {2460, 2690, 2920};
constexpr int kBarFullScale = 1650; // twips for 100 percent

const QColor kPhaseColours[3] = {QColor(255, 128, 128), QColor(128, 255, 128), QColor(128, 128, 255)};
const char* const kRowLabels[2][3] = {{"Ia", "Ib", "Ic"}, {"Va", "Vb", "Vc"}};

} // namespace

// --- plain helpers -------------------------------------------------------------------------

HarmonicCell harmonicCell(int reply, int i) {
    const int block = i / 16, j = i % 16;
    HarmonicCell cell;
    cell.voltage = block >= 3;
    cell.row = cell.voltage ? block - 2 : block + 1;
    cell.col = reply == 1 ? j + 1 : j + 17;
    return cell;
}

QString harmonicText(uint16_t raw) { return QString::number(raw / 100.0, 'f', 2); }

double harmonicCellValue(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return 0;
    bool ok = false;
    double v = QLocale::c().toDouble(t, &ok);
    // Texts written by hand or read from files may use the system's decimal separator.
    if (!ok) v = QLocale::system().toDouble(t, &ok);
    return ok && std::isfinite(v) ? v : 0;
}

QString orderHeading(int order) { return QStringLiteral("H%1").arg(order, 2, 10, QLatin1Char('0')); }

BarGeometry barGeometry(double w, double h, int orders, int k, int c, double v) {
    if (orders <= 0) return {0, h};
    const double g = (w - 100) / orders;
    const double p = g / 3;
    BarGeometry b;
    b.x = c * p + (k - 1) * g + 3 * (k - 1) + 50;
    b.top = h - v / 100 * kBarFullScale;
    return b;
}

// --- the page ----------------------------------------------------------------------------

HarmonicPage::HarmonicPage(rtu::LinkState& link, common::MeterState& meter, rtu::ModbusMaster& master)
    : link_(link), meter_(meter), master_(master) {
    buildControls();
}

HarmonicPage::~HarmonicPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

QWidget* HarmonicPage::widget() { return frame_; }

void HarmonicPage::buildControls() {
    frame_ = new QGroupBox(QStringLiteral("Harmonic"));
    frame_->setObjectName(QStringLiteral("frmProgram_21"));
    const char* captions[2] = {"Current", "Voltage"};
    const char* suffix[2] = {"C", "V"};
    for (int t = 0; t < 2; ++t) {
        auto* f = new QGroupBox(QString::fromLatin1(captions[t]), frame_);
        placeTwips(f, kFrameLeft, kFrameTop[t], kFrameWidth, kFrameHeight);
        chartFrame_[size_t(t)] = f;

        auto* pic = new BarChartWidget(kPicWidth, kPicHeight, f);
        pic->setObjectName(QStringLiteral("picHarmonic%1").arg(suffix[t]));
        pic->move(px(kPicLeft), px(kPicTop));
        pic_[size_t(t)] = pic;

        for (int i = 0; i < 19; ++i) {
            auto* l = new QLabel(f);
            l->setObjectName(QStringLiteral("labHarmonic%1_%2").arg(suffix[t]).arg(i));
            if (i < 6) {
                l->setText(QString::number(20 * i));
                l->setAlignment(Qt::AlignRight | Qt::AlignTop);
                placeTwips(l, 120, kScaleTops[t][i], 420, 255);
            } else {
                placeTwips(l, 600, kOrderTop[t], 375, 255);
            }
            lab_[size_t(t)][size_t(i)] = l;
        }

        QTableWidget* g = makeGrid(f, 4, 27, 1, 1);
        g->setObjectName(QStringLiteral("gridHarmonic%1").arg(suffix[t]));
        placeTwips(g, kGridLeft, kGridTop, kGridWidth, kGridHeight);
        g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        for (int r = 0; r < 4; ++r) g->setRowHeight(r, 17);
        grid_[size_t(t)] = g;

        for (int c = 0; c < 3; ++c) {
            auto* box = new QCheckBox(f);
            box->setObjectName(QStringLiteral("chkHarmonic%1_%2").arg(suffix[t]).arg(c));
            box->setChecked(true);
            placeTwips(box, 240, kChkTops[c], 255, 255);
            chk_[size_t(t)][size_t(c)] = box;
        }
    }
}

QCheckBox* HarmonicPage::chkHarmonicC(int i) const { return (i >= 0 && i < 3) ? chk_[0][size_t(i)] : nullptr; }
QCheckBox* HarmonicPage::chkHarmonicV(int i) const { return (i >= 0 && i < 3) ? chk_[1][size_t(i)] : nullptr; }
QLabel* HarmonicPage::labHarmonicC(int i) const { return (i >= 0 && i < 19) ? lab_[0][size_t(i)] : nullptr; }
QLabel* HarmonicPage::labHarmonicV(int i) const { return (i >= 0 && i < 19) ? lab_[1][size_t(i)] : nullptr; }

void HarmonicPage::init() { InitHarmonicGrids(); }

void HarmonicPage::drawPlotGrids() { DrawHarmonicGrids(); }

void HarmonicPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdHarmonics1, [this] { ShowHarmonics1(); });
    master.registerDecoder(CmdHarmonics2, [this] { ShowHarmonics2(); });
}

void HarmonicPage::InitHarmonicGrids() { InitHarmonicGrids(meter_.MeterVersion); }

void HarmonicPage::InitHarmonicGrids(float version) {
    const bool fromMeter = harmonicsFromMeter(version);
    const int orders = harmonicOrders(version);

    for (int t = 0; t < 2; ++t) {
        // Order labels under the chart: every third order up to 31, or every second up to 25.
        for (int i = 0; i <= 12; ++i) {
            QLabel* l = lab_[size_t(t)][size_t(6 + i)];
            if (fromMeter && i > 10) {
                l->hide();
                continue;
            }
            const int order = fromMeter ? 3 * i + 1 : 2 * i + 1;
            const int left = fromMeter ? 600 + 660 * i : 600 + 550 * i;
            l->setText(orderHeading(order));
            l->move(px(left), l->y());
            l->show();
        }

        QTableWidget* g = grid_[size_t(t)];
        setGridColumns(g, orders + 2, 1);
        setGridText(g, 0, 0, QStringLiteral("%"));
        setGridText(g, 0, 1, QStringLiteral("THD"));
        for (int k = 1; k <= orders; ++k) setGridText(g, 0, k + 1, orderHeading(k));
        g->setColumnWidth(0, px(500));
        for (int c = 1; c < g->columnCount(); ++c) g->setColumnWidth(c, px(800));
        for (int c = 0; c < g->columnCount(); ++c) {
            gridCell(g, 0, c)->setTextAlignment(Qt::AlignCenter);
            for (int r = 1; r < 4; ++r)
                gridCell(g, r, c)->setTextAlignment(c == 0 ? Qt::Alignment(Qt::AlignCenter) : (Qt::AlignRight | Qt::AlignVCenter));
        }
        for (int r = 1; r < 4; ++r) {
            QTableWidgetItem* label = gridCell(g, r, 0);
            label->setText(QString::fromLatin1(kRowLabels[t][r - 1]));
            label->setBackground(kPhaseColours[r - 1]);
        }
    }
}

void HarmonicPage::DrawHarmonicGrids() {
    for (BarChartWidget* pic : pic_) {
        pic->clearBackground();
        pic->clear();
        const int w = pic->innerWidth(), h = pic->innerHeight();
        const int s = int(std::lround(h / 5.0));
        for (int i = 1; i <= 4; ++i) pic->drawLine(0, i * s, w, i * s, Qt::black, 1);
        pic->drawLine(0, 0, w, 0, Qt::black, 1);
        pic->drawLine(0, h - 20, w, h - 20, Qt::black, 1);
        pic->drawLine(0, 0, 0, h - 20, Qt::black, 1);
        pic->drawLine(w - 20, 0, w - 20, h, Qt::black, 1);
        pic->keepAsBackground();
    }
}

void HarmonicPage::DrawHarmonicCharts() { DrawHarmonicCharts(meter_.MeterVersion); }

void HarmonicPage::DrawHarmonicCharts(float version) {
    for (BarChartWidget* pic : pic_) pic->clear();
    const int orders = harmonicOrders(version);
    for (int t = 0; t < 2; ++t) {
        BarChartWidget* pic = pic_[size_t(t)];
        QTableWidget* g = grid_[size_t(t)];
        const double w = pic->innerWidth(), h = pic->innerHeight();
        for (int c = 0; c < 3; ++c) {
            if (!chk_[size_t(t)][size_t(c)]->isChecked()) continue;
            const QTableWidgetItem* label = g->item(c + 1, 0);
            const QColor colour = label ? label->background().color() : kPhaseColours[c];
            for (int k = 1; k <= orders; ++k) {
                const double v = harmonicCellValue(gridText(g, c + 1, k + 1));
                if (!(v > 0)) continue; // no visible bar
                const BarGeometry b = barGeometry(w, h, orders, k, c, v);
                pic->drawLine(b.x, h, b.x, b.top, colour, 3);
            }
        }
    }
}

void HarmonicPage::ReadHarmonics() {
    // The replies fill 33 columns; a table still laid out for 25 orders would lose
    // orders 26 to 31.
    if (harmonicsFromMeter(meter_.MeterVersion) && grid_[0]->columnCount() != 33) InitHarmonicGrids();
    master_.SendReadHoldingRegisters(CmdHarmonics1, kHarmonicStart1, kHarmonicCount);
    master_.SendReadHoldingRegisters(CmdHarmonics2, kHarmonicStart2, kHarmonicCount);
}

void HarmonicPage::showHarmonics(int reply) {
    for (int i = 0; i < kHarmonicCount; ++i) {
        const HarmonicCell cell = harmonicCell(reply, i);
        // A cell beyond the table's columns is skipped.
        setGridText(grid_[cell.voltage ? 1 : 0], cell.row, cell.col, harmonicText(link_.replyRegister(i)));
    }
}

void HarmonicPage::ShowHarmonics1() { showHarmonics(1); }

void HarmonicPage::ShowHarmonics2() {
    showHarmonics(2);
    DrawHarmonicCharts();
}

void HarmonicPage::runStep(int16_t step) {
    (void)step;
    if (meter_.MeterVersion >= 2.1f) ReadHarmonics();
    if (waveformSequence_) waveformSequence_();
}

} // namespace monitor
