// The trend log page's pictures with the simulated meter's logger: the chart with
// its grid and both cursors on the "Trend" tab, and the records on the "Data" tab.
// Written only when PCTOOL_SCREENSHOTS names a folder; what a person sees is checked.
#include "screenshot.h"
#include "trend_rig.h"

#include "records/trend_picture.h"

#include <QImage>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

TEST(ScreenshotsRecords, TrendLogPage) {
    TrendRig t(true, {.records = 400});
    ASSERT_TRUE(t.selected);
    shell::MainForm& form = t.rig.mainForm();
    form.resize(794, 553);
    records::TrendPage& p = *t.page;
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.data(400).isEmpty() && p.widget()->isEnabled(); }, 8000));

    // The curve spread over the picture, a cursor on records 101 and 302.
    p.hsbTrendD()->setValue(8);
    records::TrendPicture& pic = *p.picTrend();
    for (int c = 0; c < 2; ++c) {
        p.optTrend(c)->click();
        QTest::mousePress(&pic, Qt::LeftButton, {}, QPoint(2 + 100 + 200 * c, 100));
    }
    QTest::qWait(50);
    keepScreenshot(form, "page_11_trend_log.png");
    for (const char* text : {"Trend Log", "15 Minutes  ;  Run To Fill  ;  A1", "400", "Stop Trend", "Save File",
                             "Cursor_Value 1", "Cursor_Value 2", "442.98  A", "474.90  A"})
        EXPECT_TRUE(shows(form, text)) << text;

    // A white picture with the grid's division lines, a magenta curve and the orange cursor lines.
    const QImage shot = pic.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int magenta = 0, white = 0, orange = 0, dark = 0;
    for (int y = 2; y < shot.height() - 2; ++y)
        for (int x = 2; x < shot.width() - 2; ++x) {
            const QColor c = shot.pixelColor(x, y);
            magenta += c == QColor(255, 0, 255);
            white += c == Qt::white;
            orange += c == QColor(255, 128, 0) && (x == 102 || x == 302);
            dark += y == 2 + 428 / 15 && qGray(c.rgb()) < 100; // the second division line across
        }
    EXPECT_GT(magenta, 300);
    EXPECT_GT(white, shot.width() * shot.height() / 2);
    EXPECT_GT(orange, 100);
    EXPECT_GT(dark, (shot.width() - 4) * 3 / 4);

    p.sstTrend()->setCurrentIndex(1);
    QTest::qWait(50);
    keepScreenshot(form, "page_11_trend_data.png");
    QTableWidget* data = p.gridTrendData();
    ASSERT_TRUE(data->isVisible());
    EXPECT_EQ(t.data(0), "Trend Logger Data");
    EXPECT_EQ(t.data(1), "429.04  A");
    EXPECT_TRUE(data->viewport()->rect().contains(data->visualItemRect(data->item(5, 1))));
}
