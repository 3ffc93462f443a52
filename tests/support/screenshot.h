#pragma once
// A grab of a window for the documentation's pictures: checked to hold a picture
// and, when PCTOOL_SCREENSHOTS names a folder, saved there as `name`.

#include <QDir>
#include <QPixmap>
#include <QWidget>
#include <gtest/gtest.h>

inline void keepScreenshot(QWidget& w, const QString& name, int minWidth = 100) {
    const QPixmap shot = w.grab();
    EXPECT_FALSE(shot.isNull());
    EXPECT_GT(shot.width(), minWidth);
    const QString folder = qEnvironmentVariable("PCTOOL_SCREENSHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    EXPECT_TRUE(shot.save(folder + "/" + name));
}
