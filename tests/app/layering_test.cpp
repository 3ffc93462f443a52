// The includes of the program's own sources run one way, down the layers:
// platform, common, link (the protocol only), shell, the page folders, and the
// composition on top. Pages reach the program through their page context,
// never through the main window or the application.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

// Higher may include lower. Every page family stands on the page framework (pages);
// the families may include the live values (monitor) and the set-up pages (config)
// below them, not each other otherwise.
int layerOf(const QString& folder) {
    static const QHash<QString, int> layers{{"platform", 0}, {"common", 1}, {"link", 2}, {"shell", 3},
                                            {"pages", 4},    {"monitor", 5}, {"config", 6}, {"tou", 7},
                                            {"records", 7},  {"app", 8}};
    return layers.value(folder, -1);
}

struct Violation {
    QString file, include;
};

std::vector<Violation> violations(const QString& root) {
    std::vector<Violation> found;
    static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s+\"([a-z]+)/([^\"]+)\""));
    QDirIterator it(root, {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(root).relativeFilePath(path);
        const QString folder = rel.section('/', 0, 0);
        const int own = layerOf(folder);
        if (own < 0) continue;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            found.push_back({rel, "<unreadable>"});
            continue;
        }
        QTextStream in(&f);
        while (!in.atEnd()) {
            const auto m = include.match(in.readLine());
            if (!m.hasMatch()) continue;
            const QString to = m.captured(1), name = m.captured(2);
            const int other = layerOf(to);
            if (other < 0) continue;
            const bool upward = other > own || (other == own && to != folder);
            const bool pageReachesWindow = own >= 4 && own < 8 && to == "shell" &&
                                           (name == "main_form.h" || name == "application.h");
            if (upward || pageReachesWindow) found.push_back({rel, to + "/" + name});
        }
    }
    return found;
}

} // namespace

TEST(Layering, IncludesRunDownTheLayers) {
    const QString root = QStringLiteral(PCTOOL_SOURCE_DIR "/src");
    ASSERT_TRUE(QDir(root + "/link").exists()) << root.toStdString();
    for (const Violation& v : violations(root))
        ADD_FAILURE() << v.file.toStdString() << " includes " << v.include.toStdString();
}

TEST(Layering, TheCheckSeesAnUpwardInclude) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("link"));
    QFile f(dir.path() + "/link/x.cpp");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#include \"link/ok.h\"\n#include \"shell/main_form.h\"\n");
    f.close();
    ASSERT_TRUE(QDir(dir.path()).mkpath("config"));
    QFile g(dir.path() + "/config/y.cpp");
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("#include \"shell/page_context.h\"\n#include \"shell/application.h\"\n#include \"tou/z.h\"\n");
    g.close();
    const auto v = violations(dir.path());
    ASSERT_EQ(v.size(), 3u);
}
