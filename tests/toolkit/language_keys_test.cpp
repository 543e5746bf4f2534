// Every text key the program uses exists in every language file.
//
// Keys are found in three places: string literals in src/ and tools/ that end in "_text" or
// begin with "key_" and a capital, a digit or a sign (the program's naming rule for keys; record
// fields such as "key_code" are not keys), the list res/lan/keys.txt for keys named otherwise
// (one key a line; "!literal" marks a literal that looks like a key but is none), and the
// langKey / langTipKey properties and menu textKey
// attributes of the layouts under res/.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "app/toolkit/language_file.h"
#include "test_support.h"

namespace talvik::toolkit::test {
namespace {

const QStringList kLanguageFiles = {"EN.xml", "CN.xml", "PL.xml", "YUENAN.xml"};

QString ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString Unescape(QString literal) {
    literal.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    literal.replace(QStringLiteral("\\\""), QStringLiteral("\""));
    return literal;
}

// key -> where it was seen
QHash<QString, QString> KeysInCode(const QString& root) {
    static const QRegularExpression literal(QStringLiteral(
        R"re("((?:[A-Za-z0-9_]+_text)|(?:key_(?:[^a-z"\\%\n]|\\.)(?:[^"\\%\n]|\\.)*))")re"));
    QHash<QString, QString> keys;
    for (const char* folder : {"src", "tools"}) {
        QDirIterator it(root + QLatin1Char('/') + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.c")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            auto matches = literal.globalMatch(ReadAll(path));
            while (matches.hasNext()) {
                keys.insert(Unescape(matches.next().captured(1)), path);
            }
        }
    }
    return keys;
}

QHash<QString, QString> KeysInLayouts(const QString& res) {
    static const QRegularExpression property(QStringLiteral(
        R"re(<property\s+name="(?:langKey|langTipKey)"[^>]*>\s*<string>([^<]*)</string>)re"));
    static const QRegularExpression menu_item(QStringLiteral(R"re(textKey="([^"]*)")re"));
    QHash<QString, QString> keys;
    QDirIterator it(res, {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QStringLiteral("/lan/"))) {
            continue;
        }
        const QString text = ReadAll(path);
        for (const QRegularExpression* pattern : {&property, &menu_item}) {
            auto matches = pattern->globalMatch(text);
            while (matches.hasNext()) {
                keys.insert(matches.next().captured(1), path);
            }
        }
    }
    return keys;
}

TEST(LanguageKeys, AllFilesHoldTheSameKeysWithRealTexts) {
    const QString lan = SourceDir() + QStringLiteral("/res/lan/");
    LanguageFile english;
    ASSERT_TRUE(english.Load(lan + QStringLiteral("EN.xml"))) << english.Error().toStdString();
    const QStringList expected = english.Keys();
    ASSERT_GT(expected.size(), 150);
    for (const QString& name : kLanguageFiles) {
        LanguageFile file;
        ASSERT_TRUE(file.Load(lan + name)) << file.Error().toStdString();
        const QStringList file_keys = file.Keys();
        QSet<QString> keys(file_keys.begin(), file_keys.end());
        QSet<QString> want(expected.begin(), expected.end());
        EXPECT_EQ(keys, want) << name.toStdString();
        for (const QString& key : file_keys) {
            EXPECT_FALSE(file.Text(key).trimmed().isEmpty())
                << name.toStdString() << ": " << key.toStdString();
        }
        EXPECT_EQ(file.Text(QStringLiteral("mouse_name_text")),
                  QStringLiteral("Talvik Gaming Mouse"));
    }
    // The translations are translations, not copies of the English file.
    LanguageFile polish;
    ASSERT_TRUE(polish.Load(lan + QStringLiteral("PL.xml")));
    EXPECT_NE(polish.Text(QStringLiteral("delete_profile_text")),
              english.Text(QStringLiteral("delete_profile_text")));
}

TEST(LanguageKeys, EveryKeyUsedByCodeOrLayoutsExistsInEveryFile) {
    const QString root = SourceDir();
    QHash<QString, QString> used = KeysInCode(root);
    const QHash<QString, QString> in_layouts = KeysInLayouts(root + QStringLiteral("/res"));
    for (auto it = in_layouts.begin(); it != in_layouts.end(); ++it) {
        used.insert(it.key(), it.value());
    }
    const QString listed = ReadAll(root + QStringLiteral("/res/lan/keys.txt"));
    ASSERT_FALSE(listed.isEmpty()) << "res/lan/keys.txt is missing";
    QStringList not_keys;
    for (const QString& line : listed.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('!'))) {
            not_keys << line.mid(1);
        } else if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) {
            used.insert(line, QStringLiteral("res/lan/keys.txt"));
        }
    }
    for (const QString& literal : not_keys) {
        used.remove(literal);
    }
    EXPECT_TRUE(used.contains(QStringLiteral("configuration_text")));  // the scan works
    EXPECT_TRUE(used.contains(QStringLiteral("L_Button")));
    for (const QString& name : kLanguageFiles) {
        LanguageFile file;
        ASSERT_TRUE(file.Load(root + QStringLiteral("/res/lan/") + name));
        for (auto it = used.begin(); it != used.end(); ++it) {
            EXPECT_TRUE(file.Contains(it.key()))
                << name.toStdString() << " lacks \"" << it.key().toStdString() << "\" used in "
                << it.value().toStdString();
        }
    }
}

TEST(LanguageKeys, CodeScanFindsKeysAndSkipsFormats) {
    // The scan itself, on a made-up source text.
    const QString dir = QDir::tempPath() + QStringLiteral("/talvik_key_scan");
    QDir(dir).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(dir + QStringLiteral("/src")));
    QFile file(dir + QStringLiteral("/src/a.cpp"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"(Text("warning_title_text"); Name("key_Page Up"); Name("key_\\");
                  Format("key_%d"); Format("ms_5_btn_key_%d"); Name("_text");)");
    file.close();
    const QHash<QString, QString> keys = KeysInCode(dir);
    QDir(dir).removeRecursively();
    QStringList found = keys.keys();
    found.sort();
    EXPECT_EQ(found, (QStringList{"key_Page Up", "key_\\", "warning_title_text"}));
}

}  // namespace
}  // namespace talvik::toolkit::test
