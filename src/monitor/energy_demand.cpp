#include "monitor/energy_demand.h"

#include "link/modbus_master.h"
#include "monitor/instant_values.h"
#include "monitor/live_widgets.h"

#include <QGridLayout>
#include <QLabel>
#include <QTableWidget>
#include <algorithm>

namespace monitor {

namespace {

// Design sizes in twips.
constexpr int kEnergyCol0 = 2000, kEnergyCol1 = 4800, kEnergyRow = 310;
constexpr int kDICol0 = 900, kDICol = 800, kDIRow = 300;

const char* const kEnergyHeadings[7] = {"Positive Real (WH)",   "Negative Real (WH)",   "Positive Reactive (VarH)",
                                        "Negative Reactive (VarH)", "Apparent (VAH)", "Average Current (AH)",
                                        "ARC"};
const char* const kDemandCaptions[4] = {"Total Current Demand", "3 Phase Real Power Demand",
                                        "3 Phase Reactive Power Demand", "3 Phase Apparent Power Demand"};

template <size_t N>
std::array<uint16_t, N> replyRegisters(const rtu::LinkState& link) {
    std::array<uint16_t, N> r{};
    for (size_t i = 0; i < N; ++i) r[i] = link.replyRegister(int(i));
    return r;
}

} // namespace

EnergyDemand::EnergyDemand(rtu::LinkState& link, common::MeterState& meter, rtu::ModbusMaster& master,
                           QWidget* gridParent, QWidget* demandTab, QWidget* holder)
    : link_(link), meter_(meter), master_(master) {
    gridEnergy_ = makeGrid(gridParent, 8, 2, 0, 1);
    gridEnergy_->setObjectName(QStringLiteral("gridEnergy"));
    gridDI_ = makeGrid(gridParent, 3, 9, 1, 1);
    gridDI_->setObjectName(QStringLiteral("gridDI"));

    auto* layout = new QGridLayout(demandTab);
    for (int i = 0; i < 4; ++i) {
        layout->addWidget(new QLabel(QString::fromLatin1(kDemandCaptions[i]), demandTab), i, 0);
        QLabel* value = makeValueLabel(demandTab);
        value->setObjectName(QStringLiteral("labDemandD_%1").arg(i));
        value->setMinimumWidth(px(2400));
        layout->addWidget(value, i, 1);
        labDemandD_[size_t(i)] = value;
    }
    layout->setRowStretch(4, 1);
    layout->setColumnStretch(2, 1);
    for (int i = 4; i < 8; ++i) {
        QLabel* value = makeValueLabel(holder);
        value->setObjectName(QStringLiteral("labDemandD_%1").arg(i));
        labDemandD_[size_t(i)] = value;
    }
}

QLabel* EnergyDemand::labDemandD(int index) const {
    return (index >= 0 && index < 8) ? labDemandD_[size_t(index)].data() : nullptr;
}

void EnergyDemand::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdEnergy, [this] { ShowEnergyValues(); });
    master.registerDecoder(CmdDemand, [this] { ShowDemandValues(); });
}

void EnergyDemand::InitEnergyAndDIGrids() {
    QTableWidget* e = gridEnergy_;
    setGridText(e, 0, 0, QString());
    for (int i = 0; i < 7; ++i) setGridText(e, i + 1, 0, QString::fromLatin1(kEnergyHeadings[i]));
    // The headings keep their design width unless the screen font needs more; the
    // value column gives up what they take, so the grid keeps its width.
    int widest = 0;
    for (int r = 1; r < 8; ++r) widest = std::max(widest, e->fontMetrics().horizontalAdvance(gridText(e, r, 0)));
    const int headings = std::max(px(kEnergyCol0), widest + 10);
    e->setColumnWidth(0, headings);
    e->setColumnWidth(1, std::max(px(kEnergyCol1) - (headings - px(kEnergyCol0)), px(kEnergyCol1) / 2));
    for (int r = 0; r < 8; ++r) {
        // Row 0 and the "ARC" row are 1 twip high: hidden, though their texts stay
        // for the instant log.
        const bool hidden = r == 0 || r == 7;
        e->setRowHeight(r, hidden ? 1 : px(kEnergyRow));
        e->setRowHidden(r, hidden);
        gridCell(e, r, 0)->setTextAlignment(gridAlignment(2));
        gridCell(e, r, 1)->setTextAlignment(gridAlignment(6));
    }

    QTableWidget* d = gridDI_;
    for (int c = 1; c <= 8; ++c) setGridText(d, 0, c, QString::number(c));
    setGridText(d, 1, 0, QStringLiteral("Statue"));
    setGridText(d, 2, 0, QStringLiteral("Counter"));
    d->setColumnWidth(0, px(kDICol0));
    for (int c = 1; c <= 8; ++c) d->setColumnWidth(c, px(kDICol));
    for (int r = 0; r < 3; ++r) d->setRowHeight(r, px(kDIRow));
    for (int c = 0; c <= 8; ++c) {
        gridCell(d, 0, c)->setTextAlignment(gridAlignment(4));
        for (int r = 1; r < 3; ++r) gridCell(d, r, c)->setTextAlignment(gridAlignment(c == 0 ? 2 : 6));
    }
}

void EnergyDemand::ReadDemandValues() {
    master_.SendReadHoldingRegisters(CmdDemand, kDemandStart, kDemandCount);
    master_.SendReadHoldingRegisters(CmdMaxDemand, kMaxDemandStart, kMaxDemandCount);
}

void EnergyDemand::ShowEnergyValues() {
    const auto regs = replyRegisters<kEnergyCount>(link_);
    EnergyCodeA = regs[14];
    EnergyCodeB = regs[15];
    const auto texts = decodeEnergyValues(regs, meter_);
    for (int i = 0; i < 7; ++i) setGridText(gridEnergy_, i + 1, 1, texts[size_t(i)]);
}

void EnergyDemand::ShowDemandValues() {
    const auto values = decodeDemandValues(replyRegisters<kDemandCount>(link_), meter_);
    for (int k = 0; k < 4; ++k) {
        for (QLabel* l : {labDemandD(k), labDemandD(k + 4)}) {
            if (!l) continue;
            setForeColor(l, values[size_t(k)].outOfRange);
            l->setText(values[size_t(k)].text);
        }
    }
}

} // namespace monitor
