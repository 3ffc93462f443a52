#include "shell/application.h"

#include "config/essential_property_page.h"
#include "link/meter_identification.h"
#include "monitor/data_logs.h"
#include "monitor/harmonic_page.h"
#include "monitor/instant_page.h"
#include "monitor/waveform_page.h"
#include "shell/address_panel.h"
#include "shell/information_frame.h"
#include "link/modbus_master.h"
#include "shell/comm_form.h"
#include "shell/main_form.h"
#include "shell/page.h"
#include "shell/password_forms.h"
#include "shell/save_config.h"
#include "shell/startup.h"

#include <QApplication>

namespace shell {

Application::Application(ApplicationOptions options) : options_(std::move(options)) {
    startupLoad(app_, options_.executableDir);
    platform::PortResolver resolver = options_.portResolver;
    if (!resolver) {
        const std::string folder = app_.AppFolder.toStdString();
        resolver = [folder](int port) { return platform::resolvePortInFolder(folder, port); };
    }
    device_ = platform::makePosixSerialDevice(std::move(resolver));
    master_ = std::make_unique<rtu::ModbusMaster>(app_.link, *device_, status_);
    app_.master = master_.get();

    services_.ShowCommForm = [this] { execCommForm(app_); };
    services_.Login = [this] { return runLogin(app_, mainForm_.data()); };
    services_.SaveMeterConfig = [this] {
        settleConfigModified(app_, SaveMeterConfig(app_, *master_, mainForm_.data()));
    };
    services_.EndProgram = [this] {
        // Every window goes, then the event loop ends (also from inside modal loops).
        for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
        if (app_.quit) app_.quit();
        else QCoreApplication::exit(0);
    };
    app_.showMainWindow = [this] {
        MainForm& form = mainForm();
        form.show();
        form.raise();
        form.activateWindow();
    };
    app_.shutdown = [this] {
        if (mainForm_) mainForm_->shutdownProgram();
        else if (services_.EndProgram) services_.EndProgram();
    };
    if (options_.installPages) createPages();
}

Application::~Application() {
    if (master_) {
        master_->abortExchange();
        master_->CloseCommPort();
    }
    delete mainForm_.data();
}

void Application::start() {
    auto* startup = new StartupForm(app_);
    startup->setAttribute(Qt::WA_DeleteOnClose);
    startup->show();
}

MainForm& Application::mainForm() {
    if (!mainForm_) {
        MainFormOptions mo;
        mo.screenSize = options_.screenSize;
        mainForm_ = new MainForm(app_.link, app_.meter, page_, logs_, *master_, services_, mo);
        for (auto& p : pages_) mainForm_->registerPage(*p);
    }
    return *mainForm_;
}

Page& Application::adoptPage(std::unique_ptr<Page> page) {
    Page& ref = *page;
    pages_.push_back(std::move(page));
    if (mainForm_) mainForm_->registerPage(ref);
    return ref;
}

Page* Application::page(int16_t index) const {
    for (const auto& p : pages_)
        if (p->index() == index) return p.get();
    return nullptr;
}

void Application::createPages() {
    // Each subsystem installs its pages and services here as they are built.
    installMeterSelection(*this);
    monitor::installLivePages(*this);
    rtu::installIdentification(*this);
    config::installEssentialProperty(*this);

    auto* instant = static_cast<monitor::InstantPage*>(page(0));
    auto* harmonic = static_cast<monitor::HarmonicPage*>(page(21));
    if (auto* ident = rtu::findMeterIdentification(*this)) instant->setInformationFrame(ident->informationFrame());
    monitor::installWaveformPage(
        *this, [harmonic](bool voltage) { return voltage ? harmonic->gridHarmonicV() : harmonic->gridHarmonicC(); },
        [harmonic] { harmonic->redrawCharts(); });
    monitor::installDataLogs(*this); // after the pages whose values it records
}

} // namespace shell
