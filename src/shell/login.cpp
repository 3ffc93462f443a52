#include "shell/login.h"

#include "common/prompter.h"
#include "shell/app_state.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QStringList>

namespace shell {

namespace {

constexpr int kSaltBytes = 16;
const QString kScheme = QStringLiteral("sha256");

QByteArray digest(const QByteArray& salt, const QString& password) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(salt);
    h.addData(password.toUpper().toUtf8());
    return h.result();
}

// Compares without stopping at the first difference.
bool sameBytes(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace

QString hashPassword(const QString& password, QByteArray salt) {
    if (salt.isEmpty()) {
        salt.resize(kSaltBytes);
        QRandomGenerator::system()->generate(reinterpret_cast<quint32*>(salt.data()),
                                             reinterpret_cast<quint32*>(salt.data() + kSaltBytes));
    }
    return kScheme + QLatin1Char('$') + QString::fromLatin1(salt.toHex()) + QLatin1Char('$') +
           QString::fromLatin1(digest(salt, password).toHex());
}

bool passwordMatches(const QString& stored, const QString& entry) {
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 3 || parts[0] != kScheme) return false;
    const QByteArray salt = QByteArray::fromHex(parts[1].toLatin1());
    const QByteArray hash = QByteArray::fromHex(parts[2].toLatin1());
    if (salt.isEmpty() || hash.size() != 32) return false;
    return sameBytes(digest(salt, entry), hash);
}

StoredCredential lookupCredential(const platform::Registry& store, const QString& nameEntry) {
    StoredCredential c;
    const std::optional<bool> any = store.hasAnyValue(kLoginKeyPath);
    c.anyUser = !any.has_value() || *any;
    if (!nameEntry.isEmpty()) c.password = store.queryValue(kLoginKeyPath, nameEntry.toUpper());
    return c;
}

LoginDecision decideLogin(const QString& nameEntry, const QString& passwordEntry, const StoredCredential& stored) {
    LoginDecision d;
    if (nameEntry.isEmpty()) {
        d.result = LoginResult::NameError;
        return d;
    }
    const QString name = nameEntry.toUpper();
    bool ok = false;
    if (stored.password)
        ok = passwordMatches(*stored.password, passwordEntry);
    else if (!stored.anyUser)
        ok = name == kDefaultCredential && passwordEntry.toUpper() == kDefaultCredential;
    if (ok) {
        d.result = LoginResult::Ok;
        d.loginName = name;
    }
    return d;
}

bool configModifiedAfterLogin(float meterVersion) { return meterVersion < 1.9f; }

LoginResult performLogin(AppState& app, const QString& nameEntry, const QString& passwordEntry) {
    app.LoginOk = false;
    const LoginDecision d = decideLogin(nameEntry, passwordEntry, lookupCredential(app.registry, nameEntry));
    switch (d.result) {
    case LoginResult::Ok:
        app.LoginOk = true;
        app.LoginName = d.loginName;
        app.link.ConfigModified = configModifiedAfterLogin(app.meter.MeterVersion);
        break;
    case LoginResult::NameError:
        common::beep();
        common::showMessage(QStringLiteral("Error"), QStringLiteral("Name Error"), common::Icon::Stop);
        break;
    case LoginResult::PasswordError:
        common::beep();
        common::showMessage(QStringLiteral("Error"), QStringLiteral("Password Error"), common::Icon::Stop);
        break;
    }
    return d.result;
}

PasswordChangeResult changePassword(platform::Registry& store, const QString& previousUser, const QString& nameEntry,
                                    const QString& passwordEntry, const QString& recheckEntry) {
    if (nameEntry.isEmpty()) return PasswordChangeResult::NameError;
    if (recheckEntry != passwordEntry) return PasswordChangeResult::PasswordError;
    const QString name = nameEntry.toUpper();
    if (!store.setValue(kLoginKeyPath, name, hashPassword(passwordEntry))) return PasswordChangeResult::StoreError;
    // A password change for the same user must not remove what was just written.
    if (!previousUser.isEmpty() && previousUser.toUpper() != name &&
        !store.deleteValue(kLoginKeyPath, previousUser.toUpper()))
        return PasswordChangeResult::StoreError;
    return PasswordChangeResult::Ok;
}

} // namespace shell
