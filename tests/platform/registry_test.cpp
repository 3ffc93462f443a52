#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QString kKey = QStringLiteral("Software\\TARNEL\\PC Tool\\4170");

mode_t modeOf(const QString& path) {
    struct stat sb {};
    if (::stat(QFile::encodeName(path).constData(), &sb) != 0) return 0;
    return sb.st_mode & 07777;
}

// Runs with a permissive umask, as a careless session might have.
struct UmaskGuard {
    mode_t old;
    explicit UmaskGuard(mode_t m) : old(::umask(m)) {}
    ~UmaskGuard() { ::umask(old); }
};

} // namespace

TEST(Registry, ValuesRoundTripAndOtherKeysAndValuesStay) {
    QTemporaryDir dir;
    platform::Registry reg(dir.path() + "/cfg/pctool/registry");
    EXPECT_FALSE(reg.keyExists(kKey));
    EXPECT_EQ(reg.hasAnyValue(kKey), false);
    EXPECT_FALSE(reg.queryValue(kKey, "A").has_value());
    EXPECT_TRUE(reg.deleteValue(kKey, "A")); // nothing to delete is no error

    EXPECT_TRUE(reg.createKey(kKey));
    EXPECT_TRUE(reg.keyExists(kKey));

    // Names and data with the characters the file format itself uses.
    EXPECT_TRUE(reg.setValue(kKey, "A=B [x]", " data=with\nnewline % # "));
    EXPECT_TRUE(reg.setValue(kKey, "C", "c"));
    EXPECT_TRUE(reg.setValue("Other\\Key", "A=B [x]", "other"));
    EXPECT_EQ(reg.queryValue(kKey, "A=B [x]"), QString(" data=with\nnewline % # "));
    EXPECT_EQ(reg.hasAnyValue(kKey), true);

    EXPECT_TRUE(reg.deleteValue(kKey, "A=B [x]"));
    EXPECT_FALSE(reg.queryValue(kKey, "A=B [x]").has_value());
    EXPECT_EQ(reg.queryValue(kKey, "C"), QString("c"));
    EXPECT_EQ(reg.queryValue("Other\\Key", "A=B [x]"), QString("other"));
}

TEST(Registry, StoreIsPrivateAndWritesLeaveNoTemporaryFiles) {
    UmaskGuard open(0);
    QTemporaryDir dir;
    const QString folder = dir.path() + "/cfg/pctool";
    platform::Registry reg(folder + "/registry");
    ASSERT_TRUE(reg.setValue(kKey, "A", "1"));
    EXPECT_EQ(modeOf(reg.filePath()), mode_t(0600));
    EXPECT_EQ(modeOf(folder), mode_t(0700));

    // A store someone made readable for all is replaced by a private one on the next write.
    QFile::setPermissions(reg.filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadOther | QFileDevice::ReadGroup);
    ASSERT_TRUE(reg.setValue(kKey, "B", "2"));
    EXPECT_EQ(modeOf(reg.filePath()), mode_t(0600));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"registry"});
}

TEST(Registry, AnUnreadableStoreIsNeverOverwritten) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/registry";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Software\\TARNEL\\PC Tool\\4170]\nA=1\nthis line is not a value\n");
    f.close();
    const QByteArray before = [&] { QFile r(path); r.open(QIODevice::ReadOnly); return r.readAll(); }();

    platform::Registry reg(path);
    EXPECT_FALSE(reg.hasAnyValue(kKey).has_value());
    EXPECT_FALSE(reg.queryValue(kKey, "A").has_value());
    EXPECT_FALSE(reg.setValue(kKey, "B", "2"));
    EXPECT_FALSE(reg.deleteValue(kKey, "A"));
    QFile r(path);
    ASSERT_TRUE(r.open(QIODevice::ReadOnly));
    EXPECT_EQ(r.readAll(), before);
}
