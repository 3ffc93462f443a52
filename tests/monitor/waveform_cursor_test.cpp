// The plot's cursors: dragging with the mouse and the read-outs it gives.
#include "waveform_rig.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

using namespace monitor;

TEST(WaveformCursor, DraggingUpdatesTheReadOuts) {
    WaveRig w;
    w.rig.mainForm().scheduler().disable();
    WaveformPage& p = *w.page;
    WaveformPlot* plot = p.picWaveform();
    ASSERT_EQ(plot->size(), QSize(399, 329));
    p.capture().WaveformCurrentScale = 0.01;
    p.capture().WaveformVoltageScale = 0.5;

    // Before any capture there is no frequency: no time read-out, nothing not a number.
    QTest::mouseClick(p.optWaceform(2), Qt::LeftButton);
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(100, 50));
    EXPECT_EQ(p.WaveformCursorX[2], 1500);
    EXPECT_EQ(p.labWaceform(8)->text(), "0 ms");
    EXPECT_EQ(plot->cursorLineX(2), 1500);
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(100, 50));

    // Level cursor 1 dragged above the zero line: 2468 - 1500 = 968 units.
    p.capture().WaveformFrequency = 50.0f;
    QTest::mouseClick(p.optWaceform(0), Qt::LeftButton);
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(200, 20));
    QTest::mouseMove(plot, QPoint(200, 100));
    EXPECT_EQ(p.WaveformCursorY[0], 1500);
    EXPECT_EQ(p.labWaceform(0)->text(), "9.68");
    EXPECT_EQ(p.labWaceform(4)->text(), "484");
    EXPECT_EQ(p.labWaceform(6)->text(), "9.6800  A"); // the other cursor sits on the zero line
    EXPECT_EQ(p.labWaceform(7)->text(), "484.00  V");
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(200, 100));

    // Cursor 2 below the zero line: the two distances add.
    p.optWaceform_Click(1);
    p.moveSelectedCursor(0, 2968);
    EXPECT_EQ(p.labWaceform(6)->text(), "14.680  A");
    // Same side: they subtract.
    p.moveSelectedCursor(0, 2000);
    EXPECT_EQ(p.labWaceform(6)->text(), "5.0000  A");
    // Outside the picture: stored, no new read-out.
    p.moveSelectedCursor(0, 6000);
    EXPECT_EQ(p.WaveformCursorY[1], 6000);
    EXPECT_EQ(p.labWaceform(1)->text(), "4.68");

    // Time cursors at 50 Hz: 20 ms per half width.
    p.optWaceform_Click(2);
    p.moveSelectedCursor(2992, 0);
    EXPECT_NEAR(p.labWaceform(2)->text().toDouble(), 2992 * 20.0 / 2992.5, 1e-3);
    p.optWaceform_Click(3);
    p.moveSelectedCursor(1000, 0);
    EXPECT_EQ(p.labWaceform(8)->text(), QString::number(std::fabs(2992 - 1000) * 20.0 / 2992.5, 'f', 3) + " ms");
    p.moveSelectedCursor(5984, 0); // beyond 5983: the last read-out stays
    EXPECT_NEAR(p.labWaceform(3)->text().toDouble(), 1000 * 20.0 / 2992.5, 1e-3);

    // The right button moves nothing; positions far outside stay within 16 bits.
    const int16_t before = p.WaveformCursorX[3];
    QTest::mousePress(plot, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(p.WaveformCursorX[3], before);
    QTest::mouseRelease(plot, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(plot->toPicture(QPointF(1e7, -1e7)), QPoint(32767, -32768));
}

TEST(WaveformCursor, PlotShowsOnlyTickedChannels) {
    WaveRig w;
    WaveformPage& p = *w.page;
    monitor::wave::RawCapture cap{};
    for (auto& c : cap) c.fill(monitor::wave::toRaw(-2048));
    p.capture().setSamples(cap);
    for (int ch = 0; ch < 6; ++ch) p.chkWaveform(ch)->setChecked(ch == 4);
    // Ticking alone redraws nothing; the next drawing follows the boxes.
    EXPECT_TRUE(p.picWaveform()->curve(0).empty());
    p.DrawWaveform();
    for (int ch = 0; ch < 6; ++ch) EXPECT_EQ(p.picWaveform()->curve(ch).empty(), ch != 4) << ch;
    EXPECT_EQ(p.picWaveform()->curve(4).front(), QPoint(0, 4516));
    EXPECT_EQ(p.picWaveform()->curve(4).back(), QPoint(5985, 4516));
}
