#pragma once
// The login decision, the stored password form and the password change,
// kept apart from the windows so they can be checked on their own.

#include "platform/registry.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace shell {

struct AppState;

inline const QString kDefaultCredential = QStringLiteral("MORLIX");

// The stored form of a password: "sha256$<salt hex>$<hash hex>", the hash taken
// over the salt and the upper-cased password (UTF-8). An empty salt picks a
// fresh random one.
QString hashPassword(const QString& password, QByteArray salt = QByteArray());
// Whether an entry matches a stored form; the comparison ignores case, as the
// entry is upper-cased before hashing. A malformed stored form matches nothing.
bool passwordMatches(const QString& stored, const QString& entry);

// What the store says about the name being logged in.
struct StoredCredential {
    // The store holds at least one user (or could not be read: a store that
    // may hold users never opens with the default credential).
    bool anyUser = false;
    std::optional<QString> password; // stored form for this name
};
StoredCredential lookupCredential(const platform::Registry& store, const QString& nameEntry);

enum class LoginResult { Ok, NameError, PasswordError };
struct LoginDecision {
    LoginResult result = LoginResult::PasswordError;
    QString loginName; // upper-cased, when Ok
};

// A stored user is checked against the stored password; a name without a value
// of its own passes only with the default credential, and only while the store
// holds no user at all. Names and passwords compare case-insensitively.
LoginDecision decideLogin(const QString& nameEntry, const QString& passwordEntry, const StoredCredential& stored);

// ConfigModified after a successful login: meters below version 1.9 (and no
// identified meter, version 0) keep settings only after a save-config.
bool configModifiedAfterLogin(float meterVersion);

// The whole login: looks the name up, decides, and on success sets LoginOk,
// LoginName and ConfigModified. Beeps and shows "Name Error" / "Password Error"
// otherwise. LoginOk is cleared first.
LoginResult performLogin(AppState& app, const QString& nameEntry, const QString& passwordEntry);

enum class PasswordChangeResult { Ok, NameError, PasswordError, StoreError };
// Stores the new user and password: the new value is written first and the
// previous user's (LoginName) value removed only after that succeeded, so a
// failure never leaves the machine without the user it had.
PasswordChangeResult changePassword(platform::Registry& store, const QString& previousUser, const QString& nameEntry,
                                    const QString& passwordEntry, const QString& recheckEntry);

} // namespace shell
