#pragma once
// A program state in its own temporary folder: Comm.Dat, the login store and
// a scripted prompter, so shell tests can run in parallel.

#include "scripted_prompter.h"

#include "link/serial_settings.h"
#include "shell/app_state.h"
#include "shell/startup.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

struct ShellRig {
    QTemporaryDir dir;
    ScriptedPrompter ui;
    ScopedPrompter scope{ui};
    shell::AppState app;
    int mainShown = 0;
    int quits = 0;

    ShellRig() {
        shell::startupLoad(app, dir.path());
        app.registry = platform::Registry(dir.path() + "/config/pctool/registry");
        app.showMainWindow = [this] { ++mainShown; };
        app.quit = [this] { ++quits; };
    }
    QString commDat() const { return app.AppFolder + "Comm.Dat"; }
    void writeCommDat(const QByteArray& text) const {
        QFile f(commDat());
        f.open(QIODevice::WriteOnly);
        f.write(text);
    }
    QByteArray readCommDat() const {
        QFile f(commDat());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// Runs fill() on the first visible top-level widget of type W once it shows up
// (a modal window opened by the code under test).
template <class W>
void whenShown(std::function<void(W*)> fill) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, fill] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* target = qobject_cast<W*>(w); target && target->isVisible()) {
                poll->stop();
                poll->deleteLater();
                fill(target);
                return;
            }
        }
    });
    poll->start();
}
