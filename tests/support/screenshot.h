#pragma once
// A grab of a window for the documentation's pictures: checked to hold a picture
// and, when PCTOOL_SCREENSHOTS names a folder, saved there as `name`; and what a
// person reads in it, for the tests to check beside the picture.

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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

// Whether a person sees exactly this text in the window: on a visible label,
// button, frame, text box or list.
inline bool shows(QWidget& window, const QString& text) {
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        if (auto* l = qobject_cast<QLabel*>(w); l && l->text() == text) return true;
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->text() == text) return true;
        if (auto* g = qobject_cast<QGroupBox*>(w); g && g->title() == text) return true;
        if (auto* e = qobject_cast<QLineEdit*>(w); e && e->text() == text) return true;
        if (auto* c = qobject_cast<QComboBox*>(w); c && c->currentText() == text) return true;
    }
    return false;
}

// Whether a visible button with this caption can be pressed.
inline bool canPress(QWidget& window, const QString& caption) {
    for (QAbstractButton* b : window.findChildren<QAbstractButton*>())
        if (b->isVisible() && b->isEnabled() && b->text() == caption) return true;
    return false;
}
