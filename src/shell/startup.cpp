#include "shell/startup.h"

#include "link/serial_settings.h"
#include "platform/locale_info.h"
#include "shell/app_state.h"
#include "shell/comm_form.h"

#include <QDir>
#include <QLockFile>
#include <QPainter>
#include <QStandardPaths>
#include <QTimer>

namespace shell {

QString makeAppFolder(const QString& executableDir) {
    QString folder = QDir::fromNativeSeparators(executableDir);
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

std::unique_ptr<QLockFile> acquireSingleInstance(const QString& folder) {
    QString dir = folder;
    QString name = QStringLiteral("pctool.lock");
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        // The temp folder is shared by all users: the lock is per user.
        dir = QDir::tempPath();
        name = QStringLiteral("pctool-%1.lock").arg(qEnvironmentVariable("USER", QStringLiteral("user")));
    }
    auto lock = std::make_unique<QLockFile>(dir + QLatin1Char('/') + name);
    // A lock left by a crashed copy is stale (its process is gone) and is taken over.
    if (!lock->tryLock(0)) return nullptr;
    return lock;
}

void startupLoad(AppState& app, const QString& executableDir) {
    app.AppFolder = makeAppFolder(executableDir);
    app.link.Serial = rtu::SerialSettings{};
    rtu::InitSerialTables(rtu::serialTables());
    app.link.LoadingTime = 30;
    app.link.ReplyTimeoutMs = 500;
}

void startupTick(AppState& app) {
    const platform::LocaleDate date = platform::systemLocaleDate();
    app.LocaleDateFormat = date.format;
    app.LocaleDateSeparator = date.separator;
    showCommForm(app);
}

StartupForm::StartupForm(AppState& app, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::SplashScreen), app_(app) {
    setAttribute(Qt::WA_DeleteOnClose);
    resize(400, 300); // 6000 x 4500 twips
    timer1_ = new QTimer(this);
    timer1_->setSingleShot(true);
    timer1_->setInterval(1);
    connect(timer1_, &QTimer::timeout, this, &StartupForm::timer1Tick);
    timer1_->start();
}

void StartupForm::timer1Tick() {
    timer1_->stop();
    startupTick(app_);
    // The settings window is up first, so this is never the last window closing.
    close();
}

void StartupForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 64, 128));
    p.setPen(Qt::white);
    p.drawText(rect(), Qt::AlignCenter, QStringLiteral("PC Tool"));
}

} // namespace shell
