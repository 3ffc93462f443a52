// The "Folder" tab with its drive, folder and file lists, and the file buttons:
// "Save" (the names), "Save Calendar" and "Open Calendar".
#include "tou/tou_page.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "link/status_sink.h"
#include "monitor/live_widgets.h"
#include "shell/page_context.h"
#include "tou/tou_files.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace tou {

using monitor::placeTwips;

namespace {

constexpr int kPathRole = Qt::UserRole;

QListWidgetItem* folderItem(QListWidget* list, const QString& text, const QString& path, int depth) {
    auto* item = new QListWidgetItem(QString(2 * depth, QLatin1Char(' ')) + text, list);
    item->setData(kPathRole, path);
    return item;
}

void reportFileError(const QString& procName, const common::FileError& e) {
    common::ReportError(procName, e.number, e.message);
}

} // namespace

void TouPage::buildFolderTab(QWidget* tab) {
    drvTOU_ = new QComboBox(tab);
    drvTOU_->setObjectName(QStringLiteral("drvTOU"));
    placeTwips(drvTOU_, 60, 60, 3000, 315);
    for (const QFileInfo& drive : QDir::drives()) drvTOU_->addItem(QDir::toNativeSeparators(drive.absoluteFilePath()));
    QObject::connect(drvTOU_, &QComboBox::activated, frame_, [this](int i) { drvTOU_Change(i); });

    // The folder list: the chosen folder's ancestors, the folder itself and its
    // subfolders; a double click (or Enter) goes there.
    dirTOU_ = new QListWidget(tab);
    dirTOU_->setObjectName(QStringLiteral("dirTOU"));
    placeTwips(dirTOU_, 60, 450, 3000, 4350);
    QObject::connect(dirTOU_, &QListWidget::itemActivated, frame_,
                     [this](QListWidgetItem* item) { setFolder(item->data(kPathRole).toString()); });

    filTOU_ = new QListWidget(tab);
    filTOU_->setObjectName(QStringLiteral("filTOU"));
    placeTwips(filTOU_, 3180, 60, 2400, 4740);

    auto* caption = new QLabel(kFolderLabel, tab);
    placeTwips(caption, 60, 5010, 2100, 300);
    txtTOUFile_ = new QLineEdit(tab);
    txtTOUFile_->setObjectName(QStringLiteral("txtTOUFile"));
    placeTwips(txtTOUFile_, 2160, 4980, 3420, 300);
    pages::watchField(txtTOUFile_, [this] { txtTOUFile_LostFocus(); });

    cmdTOUC_[2]->setParent(tab);
    cmdTOUC_[3]->setParent(tab);
    placeTwips(cmdTOUC_[2], 5700, 60, 1600, 420);
    placeTwips(cmdTOUC_[3], 5700, 600, 1600, 420);

    // The folder list starts at the process's current folder.
    setFolder(QDir::currentPath());
}

// --- folder and file lists -------------------------------------------------------------------------------

void TouPage::setFolder(const QString& path) {
    const QDir dir(path);
    // A folder that cannot be read leaves both lists as they were.
    if (path.isEmpty() || !dir.exists() || !dir.isReadable()) return;
    folder_ = QDir::cleanPath(dir.absolutePath());
    showFolder();
    txtTOUFile_->clear();
}

void TouPage::showFolder() {
    dirTOU_->clear();
    QStringList chain;
    for (QDir up(folder_);; ) {
        chain.prepend(up.absolutePath());
        if (!up.cdUp()) break;
    }
    int depth = 0;
    for (const QString& p : chain) {
        const QString name = QDir(p).isRoot() ? QDir::toNativeSeparators(p) : QDir(p).dirName();
        QListWidgetItem* item = folderItem(dirTOU_, name, p, depth++);
        if (p == folder_) dirTOU_->setCurrentItem(item);
    }
    const QDir dir(folder_);
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        folderItem(dirTOU_, sub, dir.filePath(sub), depth);

    filTOU_->clear();
    // "*.TOU" in any case: names are matched without regard to case.
    filTOU_->addItems(dir.entryList({QStringLiteral("*.TOU")}, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void TouPage::drvTOU_Change(int index) {
    if (index >= 0 && index < drvTOU_->count()) setFolder(QDir::fromNativeSeparators(drvTOU_->itemText(index)));
}

void TouPage::txtTOUFile_LostFocus() {
    if (const std::optional<QString> path = subfolderPath(folder_, txtTOUFile_->text())) setFolder(*path);
}

// --- the file buttons ---------------------------------------------------------------------------------------

void TouPage::saveNames() {
    common::PageState& page = ctx_.page();
    page.Refreshing = true;
    common::FileError error;
    if (saveNameFile(ctx_.app().AppFolder, t_.names, &error)) RefreshTOUNames();
    else reportFileError(kFileProcName, error);
    page.Refreshing = false;
}

void TouPage::saveCalendarFiles() {
    // What an editor holds goes into the files too, once its check has passed.
    if (!leaveEditor()) return;
    shell::AppState& app = ctx_.app();
    app.ConfirmAnswer = 0;
    app.ConfirmAnswer = int16_t(common::confirmAction(saveCalendarAction(QDir::toNativeSeparators(folder_))));
    if (app.ConfirmAnswer != common::AnswerYes) return;
    common::FileError error;
    const bool saved = saveCalendar(t_, folder_, &error);
    showTables(); // storing the edited year fills its empty cells
    showFolder();
    if (!saved) {
        reportFileError(kFileProcName, error);
        return;
    }
    ctx_.status().setPanelText(1, kSaveCalendarOk);
}

void TouPage::openCalendarFiles() {
    if (!leaveEditor()) return;
    common::FileError error;
    const std::optional<CalendarFiles> files = readCalendarFolder(folder_, &error);
    if (!files) {
        // Nothing is taken from a folder with a short or unreadable file.
        reportFileError(kFileProcName, error);
        return;
    }
    common::PageState& page = ctx_.page();
    page.Refreshing = true;
    hideEditors();
    applyCalendarFiles(t_, *files);
    showTables();
    page.Refreshing = false;
    ctx_.status().setPanelText(1, kOpenCalendarOk);
}

} // namespace tou
