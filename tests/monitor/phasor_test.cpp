// The phasor tab: channel set-up by wiring, angles, the diagram and the colours.
#include "wave_samples.h"
#include "waveform_rig.h"

#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <utility>

using namespace monitor;
using namespace monitor::wave;

namespace {
QLabel* instantLabel(QWidget* window, const QString& name, const QString& text) {
    auto* l = new QLabel(text, window);
    l->setObjectName(name);
    return l;
}
} // namespace

TEST(Phasor, BalancedLoadAndDiagram) {
    WaveRig w;
    w.capture().setSamples(captureOf(sim::WaveformShape::balanced(1000, 1500, 30)));
    w.capture().ClearPhaseAngles();
    w.page->PrepareWaveformChannels();
    w.page->DrawPhasorDiagram();
    const PhasorWidget* ph = w.page->phasors();
    const std::array<float, 6> angles{30, 150, 270, 0, 120, 240}; // currents 30 behind their voltages
    EXPECT_EQ(w.capture().PhasorAngle, angles);
    for (int ch = 0; ch < 6; ++ch)
        EXPECT_EQ(w.page->labAngle(ch)->text().toFloat(), angles[size_t(ch)]) << ch;
    // Clockwise from the right of (3720, 3000): V2 by 2360 at 120 degrees, IA's name by 400 at 30.
    auto at = [](Point p) { return std::pair(p.x, p.y); };
    EXPECT_EQ(at(ph->tip(V1)), std::pair(6080, 3000));
    EXPECT_EQ(at(ph->tip(V2)), std::pair(2540, 5044));
    EXPECT_EQ(at(ph->labelPos(IA)), std::pair(4066, 3200));
    EXPECT_EQ(ph->labelText(V2), "Vbn");

    // A new measurement within 3 degrees only nudges the pointer.
    w.capture().PhaseAngle[V2] = 122.0f;
    w.page->DrawPhasorDiagram();
    EXPECT_EQ(w.page->labAngle(V2)->text(), "120");

    // The voltage "View" box hides the voltage lines; names and read-outs stay.
    w.page->chkPhaser(1)->setChecked(false);
    w.page->DrawPhasorDiagram();
    for (int ch = 3; ch < 6; ++ch) EXPECT_FALSE(ph->lineVisible(ch));
    for (int ch = 0; ch < 3; ++ch) EXPECT_TRUE(ph->lineVisible(ch));
    EXPECT_EQ(ph->labelText(V3), "Vcn");
    EXPECT_EQ(w.page->labAngle(V3)->text(), "240");
}

TEST(Phasor, InstantZeroAndLineWiring) {
    WaveRig w;
    QWidget* window = &w.rig.mainForm();
    // Line-to-line wiring: the meter's third voltage is Vcb; IB is rebuilt when it reads 0.
    // (Line voltages stay below the 2048 counts the angle measurement takes as positive.)
    sim::WaveformShape shape = sim::WaveformShape::balanced(1000, 1000, 30);
    shape.channels[V3].lagDeg = 300;
    shape.channels[IB].amplitude = 0;
    w.capture().setSamples(captureOf(shape));
    w.rig.meter().WiringMode = 2;
    instantLabel(window, "labCurrentD_0", "4.000  A");
    instantLabel(window, "labCurrentD_1", "0.000000  uA");
    instantLabel(window, "labCurrentD_2", "4.000  A");
    for (int i = 5; i <= 7; ++i) instantLabel(window, QStringLiteral("labVoltageD_%1").arg(i), "398.0  V");
    w.page->PrepareWaveformChannels();
    w.page->DrawPhasorDiagram();
    EXPECT_EQ(w.page->chkWaveform(V1)->text(), "Vab");
    EXPECT_EQ(w.page->phasors()->labelText(V2), "Vbc");
    EXPECT_NEAR(w.capture().PhaseAngle[V2], 120.0, 1.0);
    EXPECT_NEAR(w.capture().PhaseAngle[V3], 240.0, 1.0);
    EXPECT_NEAR(w.capture().PhaseAngle[IB], 150.0, 1.0); // -(IA + IC)
    EXPECT_NEAR(firstCycleRms(w.capture().channel(IB)), 1000 / std::sqrt(2.0), 5.0);

    // A quantity whose instant value reads 0 shows 0 degrees; back to phase wiring.
    w.rig.meter().WiringMode = 0;
    instantLabel(window, "labVoltageD_1", "0.000000  uV");
    instantLabel(window, "labVoltageD_0", "230.0  V");
    w.capture().setSamples(captureOf(sim::WaveformShape::balanced(1000, 1500, 30)));
    w.capture().ClearPhaseAngles();
    w.page->PrepareWaveformChannels();
    EXPECT_EQ(w.page->chkWaveform(V2)->text(), "Vbn");
    EXPECT_FLOAT_EQ(w.capture().PhaseAngle[V2], 0.0f);
    EXPECT_FLOAT_EQ(w.capture().PhaseAngle[IB], 0.0f);
    EXPECT_NEAR(w.capture().PhaseAngle[IC], 270.0, 1.0);
}

TEST(Phasor, ChannelColours) {
    WaveRig w;
    EXPECT_EQ(w.page->channelColour(IB), QColor(255, 0, 0));
    // A right click on a channel box opens the dialog with the channel's colour.
    w.rig.ui.colorNext(QColor(10, 20, 30));
    QTest::mouseRelease(w.page->chkWaveform(IB), Qt::RightButton);
    ASSERT_EQ(w.rig.ui.dialogs.size(), 1u);
    EXPECT_EQ(w.page->channelColour(IB), QColor(10, 20, 30));
    EXPECT_EQ(w.page->phasors()->colour(IB), QColor(10, 20, 30));
    EXPECT_EQ(w.page->labAngle(IB)->palette().color(QPalette::WindowText), QColor(10, 20, 30));
    // Cancel changes nothing; so does a left click; the angle read-out opens it too.
    w.rig.ui.colorNext(std::nullopt);
    QTest::mouseRelease(w.page->labAngle(IB), Qt::RightButton);
    EXPECT_EQ(w.rig.ui.dialogs.size(), 2u);
    EXPECT_EQ(w.page->channelColour(IB), QColor(10, 20, 30));
    QTest::mouseRelease(w.page->labAngle(V1), Qt::LeftButton);
    EXPECT_EQ(w.rig.ui.dialogs.size(), 2u);
}
