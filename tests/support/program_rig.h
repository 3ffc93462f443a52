#pragma once
// The whole program against the simulated meter: a temporary program folder with
// the meter linked as COM 1, the Application built there, and the main window
// shown as after "Ok" in the settings window.

#include "scripted_prompter.h"
#include "sim_meter.h"

#include "link/modbus_master.h"
#include "shell/application.h"
#include "shell/main_form.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

class ProgramRig {
public:
    // meters: the simulated meters on the line (address, baud); replyTimeoutMs keeps
    // time-outs short so tests stay fast. A bare program has no pages or services
    // installed: a test of one part installs what it exercises.
    enum class Pages { Bare, All };
    explicit ProgramRig(std::vector<std::pair<uint8_t, int>> meters = {{1, 9600}}, int replyTimeoutMs = 200,
                        Pages pages = Pages::Bare);
    ~ProgramRig();

    sim::SimLine line;
    ScriptedPrompter ui;
    QTemporaryDir dir;
    std::unique_ptr<ScopedPrompter> scope;
    std::unique_ptr<shell::Application> program;

    shell::Application& app() { return *program; }
    shell::MainForm& mainForm() { return program->mainForm(); }
    rtu::LinkState& link() { return program->app().link; }
    common::MeterState& meter() { return program->app().meter; }
    common::PageState& page() { return program->page(); }
    QString folder() const { return dir.path(); }

    // Shows the main window as "Ok" in the settings window does (port opened).
    void showMainWindow();
    // Waits (running events) until cond holds; false on time-out.
    bool waitFor(const std::function<bool()>& cond, int ms = 5000) { return QTest::qWaitFor(cond, ms); }
};
