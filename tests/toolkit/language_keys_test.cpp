// Every language file holds the same keys with real texts, and every key the program uses.
//
// Keys are found in three places: string literals in src/ and tools/ that end in "_text" or
// begin with "key_" and a capital, a digit or a sign (the program's naming rule for keys; record
// fields such as "key_code" are not keys), the list res/lan/keys.txt for keys named otherwise
// (one key a line; "!literal" marks a literal that looks like a key but is none), and the
// langKey, langTipKey and langItemKeys properties and menu textKey attributes of the layouts.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "app/toolkit/language_file.h"
#include "test_support.h"

namespace talvik::test {
namespace {

using toolkit::LanguageFile;

const QStringList kLanguageFiles = {"EN.xml", "CN.xml", "PL.xml", "YUENAN.xml"};

QString ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Adds capture 1 of every match of `pattern` in the files under `folder` to `keys` (key -> file).
void Scan(const QString& folder, const QStringList& filters, const QRegularExpression& pattern,
          QHash<QString, QString>& keys) {
    QDirIterator it(folder, filters, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QStringLiteral("/lan/"))) {
            continue;
        }
        auto matches = pattern.globalMatch(ReadAll(path));
        while (matches.hasNext()) {
            QString key = matches.next().captured(1);
            key.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
            key.replace(QStringLiteral("\\\""), QStringLiteral("\""));
            keys.insert(key, path);
        }
    }
}

QHash<QString, QString> UsedKeys() {
    const QString root = SourceDir();
    QHash<QString, QString> used;
    const QRegularExpression literal(QStringLiteral(
        R"re("((?:[A-Za-z0-9_]+_text)|(?:key_(?:[^a-z"\\%\n]|\\.)(?:[^"\\%\n]|\\.)*))")re"));
    for (const char* folder : {"src", "tools"}) {
        Scan(root + QLatin1String(folder), {"*.cpp", "*.h", "*.c"}, literal, used);
    }
    const QRegularExpression property(QStringLiteral(
        R"re(<property\s+name="(?:langKey|langTipKey)"[^>]*>\s*<string>([^<]*)</string>)re"));
    const QRegularExpression menu_item(QStringLiteral(R"re(textKey="([^"]*)")re"));
    Scan(ResDir(), {"*.xml"}, property, used);
    Scan(ResDir(), {"*.xml"}, menu_item, used);
    QHash<QString, QString> item_lists;
    Scan(ResDir(), {"*.xml"},
         QRegularExpression(QStringLiteral(
             R"re(<property\s+name="langItemKeys"[^>]*>\s*<stringlist>(.*?)</stringlist>)re")),
         item_lists);
    const QRegularExpression item(QStringLiteral("<string>([^<]*)</string>"));
    for (auto it = item_lists.begin(); it != item_lists.end(); ++it) {
        auto matches = item.globalMatch(it.key());
        while (matches.hasNext()) {
            used.insert(matches.next().captured(1), it.value());
        }
    }
    for (const QString& line : ReadAll(ResDir() + QStringLiteral("lan/keys.txt")).split('\n')) {
        if (line.startsWith(QLatin1Char('!'))) {
            used.remove(line.mid(1));
        } else if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) {
            used.insert(line, QStringLiteral("res/lan/keys.txt"));
        }
    }
    return used;
}

TEST(LanguageKeys, AllFilesHoldTheSameKeysWithRealTextsAndEveryKeyInUse) {
    const QHash<QString, QString> used = UsedKeys();
    // The scans work: one key of each source.
    for (const char* key : {"configuration_text", "L_Button", "light_mode_12_text"}) {
        EXPECT_TRUE(used.contains(QLatin1String(key))) << key;
    }
    LanguageFile english;
    ASSERT_TRUE(english.Load(ResDir() + QStringLiteral("lan/EN.xml")));
    const QStringList english_keys = english.Keys();
    const QSet<QString> want(english_keys.begin(), english_keys.end());
    for (const QString& name : kLanguageFiles) {
        LanguageFile file;
        ASSERT_TRUE(file.Load(ResDir() + QStringLiteral("lan/") + name))
            << file.Error().toStdString();
        const QStringList keys = file.Keys();
        EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()), want) << name.toStdString();
        for (const QString& key : keys) {
            EXPECT_FALSE(file.Text(key).trimmed().isEmpty())
                << name.toStdString() << ": " << key.toStdString();
        }
        for (auto it = used.begin(); it != used.end(); ++it) {
            EXPECT_TRUE(file.Contains(it.key()))
                << name.toStdString() << " lacks \"" << it.key().toStdString() << "\" used in "
                << it.value().toStdString();
        }
        EXPECT_EQ(file.Text(QStringLiteral("mouse_name_text")),
                  QStringLiteral("Talvik Gaming Mouse"));
        if (name != QLatin1String("EN.xml")) {  // translations, not copies
            EXPECT_NE(file.Text(QStringLiteral("delete_profile_text")),
                      english.Text(QStringLiteral("delete_profile_text")))
                << name.toStdString();
        }
    }
}

}  // namespace
}  // namespace talvik::test
