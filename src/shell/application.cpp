#include "shell/application.h"

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
    if (options_.installPages) options_.installPages(*this);
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

} // namespace shell
