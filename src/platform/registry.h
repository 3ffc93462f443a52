#pragma once
// A small per-user key/value store in the manner of the system registry the
// program was designed around: keys named by a path such as
// "Software\TARNEL\PC Tool\4170", each holding named text values.
//
// The store is one file, readable by its owner only (mode 0600 from creation
// on). Every change rewrites it through a temporary file and a rename, so a
// crash leaves either the old or the new store, never a torn one. A file that
// cannot be read or understood is never overwritten: changes then fail.

#include <QString>
#include <map>
#include <optional>

namespace platform {

class Registry {
public:
    // filePath empty: the default file under the user's config folder
    // (XDG_CONFIG_HOME or ~/.config) named "pctool/registry".
    explicit Registry(QString filePath = QString());

    static QString defaultFilePath();
    const QString& filePath() const { return path_; }

    // Whether the key exists (open-key).
    bool keyExists(const QString& key) const;
    // Creates the key when missing; true when it exists afterwards.
    bool createKey(const QString& key);
    // The value's data, nullopt when the key or value is missing or the store unreadable.
    std::optional<QString> queryValue(const QString& key, const QString& name) const;
    // Creates the key when missing and writes the value. False when the store
    // could not be read or written; the store file is then unchanged.
    bool setValue(const QString& key, const QString& name, const QString& data);
    // Removes the value; a missing key or value is no error.
    bool deleteValue(const QString& key, const QString& name);
    // Whether the key holds at least one value; nullopt when the store exists but
    // cannot be read.
    std::optional<bool> hasAnyValue(const QString& key) const;

private:
    using Values = std::map<QString, QString>;
    using Keys = std::map<QString, Values>;
    enum class ReadStatus { Ok, Missing, Unreadable };

    ReadStatus read(Keys& keys) const;
    bool write(const Keys& keys) const;

    QString path_;
};

} // namespace platform
