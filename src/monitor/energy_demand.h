#pragma once
// The energy counters, the present demand and the digital-input grid of the
// instant-measurement page, with their reads and reply decoders.
//
// The instant read chains the energy read (command code 2) and ReadDemandValues:
// the present demand (code 9) and the maximum-demand records (code 24, decoded by
// the recorded-data pages). labDemandD(0..3) sit on the instant page's "Demand"
// tab; labDemandD(4..7) show the same texts and colours on the demand set-up page,
// which takes them into its own layout when it is built (until then they wait,
// hidden, in the instant page).

#include "common/app_state.h"
#include "link/link_state.h"

#include <QPointer>
#include <array>

class QLabel;
class QTableWidget;
class QWidget;

namespace rtu {
class ModbusMaster;
}

namespace monitor {

class EnergyDemand {
public:
    // gridParent holds the two grids, demandTab the four demand labels with their
    // captions, holder the labels that wait for the demand set-up page.
    EnergyDemand(rtu::LinkState& link, common::MeterState& meter, rtu::ModbusMaster& master, QWidget* gridParent,
                 QWidget* demandTab, QWidget* holder);

    QTableWidget* gridEnergy() const { return gridEnergy_; }
    // Its status and counter rows belong to the digital-input page's decoders.
    QTableWidget* gridDI() const { return gridDI_; }
    // 0..7; nullptr outside, or once a page that took the label has deleted it.
    QLabel* labDemandD(int index) const;

    void registerDecoders(rtu::ModbusMaster& master);

    // Headings, sizes and alignments of both grids; run once at load.
    void InitEnergyAndDIGrids();
    // Present demand, then the maximum-demand records; each exchange is finished
    // before the next request, and a failed one does not stop the next.
    void ReadDemandValues();
    void ShowEnergyValues();
    void ShowDemandValues();

    // The decimal codes of the last energy reply (registers 14 and 15).
    double EnergyCodeA = 0;
    double EnergyCodeB = 0;

private:
    rtu::LinkState& link_;
    common::MeterState& meter_;
    rtu::ModbusMaster& master_;
    QTableWidget* gridEnergy_ = nullptr;
    QTableWidget* gridDI_ = nullptr;
    std::array<QPointer<QLabel>, 8> labDemandD_;
};

} // namespace monitor
