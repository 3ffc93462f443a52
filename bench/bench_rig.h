#pragma once
// The program's state and a master on a serial device that opens nothing, for
// measuring pages that need no line.
#include "scripted_prompter.h"

#include "link/modbus_master.h"
#include "shell/app_state.h"
#include "shell/status_panels.h"

#include <memory>
#include <string>

struct OfflineRig {
    ScriptedPrompter ui;
    ScopedPrompter scope{ui};
    shell::AppState app;
    std::unique_ptr<platform::SerialDevice> device =
        platform::makePosixSerialDevice([](int) { return std::string("/nonexistent"); });
    shell::StatusPanels status;
    rtu::ModbusMaster master{app.link, *device, status};
};
