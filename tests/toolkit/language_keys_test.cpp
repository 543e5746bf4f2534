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

QString ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList Captures(const QRegularExpression& pattern, const QString& text) {
    QStringList out;
    for (const QRegularExpressionMatch& match : pattern.globalMatch(text)) {
        out << match.captured(1);
    }
    return out;
}

// Key -> a file that uses it.
QHash<QString, QString> UsedKeys() {
    const QRegularExpression literal(QStringLiteral(
        R"re("((?:[A-Za-z0-9_]+_text)|(?:key_(?:[^a-z"\\%\n]|\\.)(?:[^"\\%\n]|\\.)*))")re"));
    const QRegularExpression layout_key(QStringLiteral(
        R"re((?:<property\s+name="(?:langKey|langTipKey)"[^>]*>\s*<string>|textKey=")([^<"]*))re"));
    const QRegularExpression item_list(QStringLiteral(
        R"re(<property\s+name="langItemKeys"[^>]*>\s*<stringlist>(.*?)</stringlist>)re"));
    const QRegularExpression item(QStringLiteral("<string>([^<]*)</string>"));
    QHash<QString, QString> used;
    for (const char* folder : {"src", "tools", "res"}) {
        QDirIterator it(SourceDir() + QLatin1String(folder), {"*.cpp", "*.h", "*.c", "*.xml"},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString text = ReadAll(path);
            QStringList keys;
            if (!path.endsWith(QStringLiteral(".xml"))) {
                keys = Captures(literal, text);
            } else if (!path.contains(QStringLiteral("/lan/"))) {
                keys = Captures(layout_key, text);
                for (const QString& list : Captures(item_list, text)) {
                    keys += Captures(item, list);
                }
            }
            for (QString& key : keys) {
                used.insert(key.replace(QStringLiteral("\\\\"), QStringLiteral("\\"))
                                .replace(QStringLiteral("\\\""), QStringLiteral("\"")),
                            path);
            }
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
    toolkit::LanguageFile english;
    ASSERT_TRUE(english.Load(ResDir() + QStringLiteral("lan/EN.xml")));
    const QStringList english_keys = english.Keys();
    for (const char* name : {"EN.xml", "CN.xml", "PL.xml", "YUENAN.xml"}) {
        SCOPED_TRACE(name);
        toolkit::LanguageFile file;
        ASSERT_TRUE(file.Load(ResDir() + QStringLiteral("lan/") + QLatin1String(name)))
            << file.Error().toStdString();
        const QStringList keys = file.Keys();
        EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()),
                  QSet<QString>(english_keys.begin(), english_keys.end()));
        for (const QString& key : keys) {
            EXPECT_FALSE(file.Text(key).trimmed().isEmpty()) << key.toStdString();
        }
        for (auto it = used.begin(); it != used.end(); ++it) {
            EXPECT_TRUE(file.Contains(it.key())) << "lacks \"" << it.key().toStdString()
                                                 << "\" used in " << it.value().toStdString();
        }
        EXPECT_EQ(file.Text(QStringLiteral("mouse_name_text")),
                  QStringLiteral("Talvik Gaming Mouse"));
        if (QLatin1String(name) != QLatin1String("EN.xml")) {  // translations, not copies
            EXPECT_NE(file.Text(QStringLiteral("delete_profile_text")),
                      english.Text(QStringLiteral("delete_profile_text")));
        }
    }
}

}  // namespace
}  // namespace talvik::test
