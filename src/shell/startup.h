#pragma once
// Start-up: one instance per user session, the program folder, the link
// defaults and the serial tables; then, on the start-up window's first timer
// tick, the locale's date format and the settings window.

#include <QString>
#include <QWidget>
#include <memory>

class QLockFile;
class QTimer;

namespace shell {

struct AppState;

// The folder with its case kept and a single "/" at the end.
QString makeAppFolder(const QString& executableDir);

// Takes the per-user lock in folder (the user's runtime folder, or the temp
// folder when empty). Null when another copy of the program holds it.
std::unique_ptr<QLockFile> acquireSingleInstance(const QString& folder = QString());

// The load step: AppFolder, SerialSettings defaults, serial tables,
// LoadingTime 30 and ReplyTimeoutMs 500.
void startupLoad(AppState& app, const QString& executableDir);

// The timer step: the locale's date format and separator, then the settings window.
void startupTick(AppState& app);

// The borderless start-up window. It never waits for input: its one-shot timer
// shows the settings window and closes it.
class StartupForm : public QWidget {
    Q_OBJECT
public:
    explicit StartupForm(AppState& app, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void timer1Tick();

    AppState& app_;
    QTimer* timer1_ = nullptr;
};

} // namespace shell
