#pragma once
// The whole program put together: the state structs, the serial layer, the
// Modbus master, the main window with its pages and the services that connect
// them. main() makes one; the whole-program tests make one against the
// simulated meter.

#include "common/app_state.h"
#include "platform/serial_port.h"
#include "shell/app_state.h"
#include "shell/page_context.h"
#include "shell/page_services.h"
#include "shell/status_panels.h"

#include <QPointer>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace rtu {
class ModbusMaster;
}

namespace shell {

class Application;
class MainForm;
class Page;
class StartupForm;

struct ApplicationOptions {
    // The folder of the executable: Comm.Dat and the comN port links live there.
    QString executableDir;
    // COM n -> device; by default a "comN" link in the program folder, else /dev/ttyS<n-1>.
    platform::PortResolver portResolver;
    // The screen size in pixels, for tests; the primary screen's when not given.
    std::optional<QSize> screenSize;
    // Installs every page and service (the composition on top of the shell); tests
    // of one part leave it empty and install only what they exercise.
    std::function<void(Application&)> installPages;
};

class Application : public PageContext {
public:
    explicit Application(ApplicationOptions options);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Reads the start-up state and shows the start-up window, which opens the
    // settings window; its "Ok" shows the main window.
    void start();

    AppState& app() override { return app_; }
    rtu::ModbusMaster& master() override { return *master_; }
    PageServices& services() override { return services_; }
    common::PageState& page() override { return page_; }
    common::DataLogSet& logs() override { return logs_; }
    StatusPanels& status() override { return status_; }
    // The main window, created on first use.
    MainForm& mainForm();
    // Takes a built page into the program: it joins the main window (now, or when
    // the window is made) with its frame, decoders and step work.
    Page& adoptPage(std::unique_ptr<Page> page) override;
    // A page taken in before, by index; nullptr when that page is not built.
    Page* page(int16_t index) const override;
    bool hasMainForm() const { return !mainForm_.isNull(); }

private:

    ApplicationOptions options_;
    AppState app_;
    common::PageState page_;
    common::DataLogSet logs_;
    StatusPanels status_;
    PageServices services_;
    std::unique_ptr<platform::SerialDevice> device_;
    std::unique_ptr<rtu::ModbusMaster> master_;
    QPointer<MainForm> mainForm_;
    std::vector<std::unique_ptr<Page>> pages_;
};

} // namespace shell
