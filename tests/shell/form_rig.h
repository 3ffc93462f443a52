#pragma once
// The main window, or its scheduler alone, on a fake serial line without the
// rest of the program: the state they share, a scripted prompter and a task bar
// that counts what it is told.

#include "fake_serial.h"
#include "scripted_prompter.h"
#include "sim_meter.h"

#include "link/modbus_master.h"
#include "platform/taskbar.h"
#include "shell/main_form.h"
#include "shell/status_panels.h"

#include <memory>

struct CountingTaskBar : platform::TaskBar {
    int hidden = 0, shown = 0;
    void hide() override { ++hidden; }
    void show() override { ++shown; }
};

// Answers a read request on the fake line with as many zero registers as it asks for.
inline void answerWithZeros(FakeSerialDevice& dev, const std::vector<uint8_t>& request) {
    std::vector<uint8_t> r{request[0], 0x03, uint8_t(2 * (request[4] << 8 | request[5]))};
    r.resize(3 + r[2], 0);
    sim::appendCrc(r);
    dev.feed(r);
}

template <class Status>
struct LineRig {
    rtu::LinkState link;
    common::MeterState meter;
    common::PageState page;
    common::DataLogSet logs;
    FakeSerialDevice dev;
    Status status;
    ScriptedPrompter ui;
    ScopedPrompter scope{ui};
    rtu::ModbusMaster master{link, dev, status};
    shell::PageServices svc;

    LineRig() { rtu::InitSerialTables(rtu::serialTables()); }
};

struct FormRig : LineRig<shell::StatusPanels> {
    CountingTaskBar bar;
    std::unique_ptr<shell::MainForm> form;

    FormRig() { platform::setTaskBar(&bar); }
    ~FormRig() {
        if (form) form->scheduler().shutdown();
        platform::setTaskBar(nullptr);
    }
    void makeForm(QSize screen) {
        form = std::make_unique<shell::MainForm>(link, meter, page, logs, master, svc, shell::MainFormOptions{screen});
    }
};
