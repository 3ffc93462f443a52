#include "platform/registry.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr qint64 kMaxStoreSize = 1 << 20; // far beyond any real store; guards against a stray huge file
const QByteArray kHeader = "# pctool per-user store\n";

QByteArray encode(const QString& s) {
    // Blanks and backslashes stay readable; '=', brackets, '%', '#' and line
    // breaks are escaped so the line structure cannot be broken by a value.
    return s.toUtf8().toPercentEncoding(" \\$");
}

QString decode(const QByteArray& b) { return QString::fromUtf8(QByteArray::fromPercentEncoding(b)); }

bool writeAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// The store's folder, made private to the user when this creates it.
bool ensureFolder(const QString& folder) {
    QFileInfo fi(folder);
    if (fi.isDir()) return true;
    QDir parent = fi.absoluteDir();
    if (!parent.exists() && !QDir().mkpath(parent.absolutePath())) return false;
    const QByteArray native = QFile::encodeName(fi.absoluteFilePath());
    return ::mkdir(native.constData(), 0700) == 0 || (errno == EEXIST && QFileInfo(folder).isDir());
}

} // namespace

Registry::Registry(QString filePath) : path_(filePath.isEmpty() ? defaultFilePath() : std::move(filePath)) {}

QString Registry::defaultFilePath() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/pctool/registry");
}

Registry::ReadStatus Registry::read(Keys& keys) const {
    keys.clear();
    QFileInfo fi(path_);
    if (!fi.exists() && !fi.isSymLink()) return ReadStatus::Missing;
    if (!fi.isFile() || fi.size() > kMaxStoreSize) return ReadStatus::Unreadable;
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly)) return ReadStatus::Unreadable;
    const QByteArray all = f.read(kMaxStoreSize + 1);
    if (all.size() > kMaxStoreSize) return ReadStatus::Unreadable;

    Values* current = nullptr;
    for (QByteArray line : all.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        if (line.isEmpty() || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']') || line.size() < 2) return ReadStatus::Unreadable;
            current = &keys[decode(line.mid(1, line.size() - 2))];
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq < 0 || current == nullptr) return ReadStatus::Unreadable;
        (*current)[decode(line.left(eq))] = decode(line.mid(eq + 1));
    }
    return ReadStatus::Ok;
}

bool Registry::write(const Keys& keys) const {
    QByteArray out = kHeader;
    for (const auto& [key, values] : keys) {
        out += '[' + encode(key) + "]\n";
        for (const auto& [name, data] : values) out += encode(name) + '=' + encode(data) + '\n';
    }

    const QFileInfo target(path_);
    if (!ensureFolder(target.absolutePath())) return false;

    // Created private from the first byte on: no window in which another user
    // could open it, whatever the umask.
    const QString tmp = target.absoluteFilePath() + QStringLiteral(".tmp-") +
                        QString::number(QRandomGenerator::global()->generate64(), 16);
    const QByteArray tmpName = QFile::encodeName(tmp);
    int fd = ::open(tmpName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    bool ok = writeAll(fd, out) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(tmpName.constData(), QFile::encodeName(target.absoluteFilePath()).constData()) == 0;
    if (!ok) {
        ::unlink(tmpName.constData());
        return false;
    }
    // Make the rename itself durable.
    int dfd = ::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool Registry::keyExists(const QString& key) const {
    Keys keys;
    return read(keys) == ReadStatus::Ok && keys.count(key) != 0;
}

bool Registry::createKey(const QString& key) {
    Keys keys;
    ReadStatus st = read(keys);
    if (st == ReadStatus::Unreadable) return false;
    if (keys.count(key)) return true;
    keys[key];
    return write(keys);
}

std::optional<QString> Registry::queryValue(const QString& key, const QString& name) const {
    Keys keys;
    if (read(keys) != ReadStatus::Ok) return std::nullopt;
    auto k = keys.find(key);
    if (k == keys.end()) return std::nullopt;
    auto v = k->second.find(name);
    if (v == k->second.end()) return std::nullopt;
    return v->second;
}

bool Registry::setValue(const QString& key, const QString& name, const QString& data) {
    Keys keys;
    if (read(keys) == ReadStatus::Unreadable) return false;
    keys[key][name] = data;
    return write(keys);
}

bool Registry::deleteValue(const QString& key, const QString& name) {
    Keys keys;
    ReadStatus st = read(keys);
    if (st == ReadStatus::Missing) return true;
    if (st == ReadStatus::Unreadable) return false;
    auto k = keys.find(key);
    if (k == keys.end() || k->second.erase(name) == 0) return true;
    return write(keys);
}

std::optional<bool> Registry::hasAnyValue(const QString& key) const {
    Keys keys;
    ReadStatus st = read(keys);
    if (st == ReadStatus::Unreadable) return std::nullopt;
    auto k = keys.find(key);
    return k != keys.end() && !k->second.empty();
}

} // namespace platform
