// CONFIG.ini reading and writing, the autostart entry and the start-up settings rules.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/app_settings.h"
#include "platform/autostart.h"
#include "platform/ini_file.h"

namespace talvik {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

class SettingsFilesTest : public ::testing::Test {
protected:
    QString Ini() const { return dir_.filePath(QStringLiteral("CONFIG.ini")); }
    QString AutostartDir() const { return dir_.filePath(QStringLiteral("autostart")); }
    app::SettingsStore Store(
        const QString& exe = QStringLiteral("/opt/talvik/talvik-mouse")) const {
        return app::SettingsStore(platform::IniFile(Ini()),
                                  platform::Autostart(AutostartDir(), exe));
    }

    QTemporaryDir dir_;
};

TEST_F(SettingsFilesTest, IniKeepsOtherLinesAndReplacesKeysIgnoringCase) {
    WriteAll(Ini(), "; note\r\n[Other]\r\nlanId=9\r\n[setting]\r\nLANID=1\r\nExtra=x\r\n");
    platform::IniFile ini(Ini());
    EXPECT_EQ(ini.ReadInt("SETTING", "lanId", -1), 1);
    ASSERT_TRUE(ini.WriteInt("SETTING", "lanId", 3));
    ASSERT_TRUE(ini.WriteInt("SETTING", "Feedback", 0));
    EXPECT_EQ(ini.ReadInt("SETTING", "lanId", -1), 3);
    EXPECT_EQ(ini.ReadInt("SETTING", "Feedback", -1), 0);
    EXPECT_EQ(ini.ReadInt("Other", "lanId", -1), 9);
    const QByteArray text = ReadAll(Ini());
    EXPECT_TRUE(text.startsWith("; note\r\n[Other]\r\nlanId=9\r\n[setting]\r\nlanId=3\r\n"))
        << text.constData();
    EXPECT_TRUE(text.contains("Extra=x\r\nFeedback=0\r\n")) << text.constData();
}

TEST_F(SettingsFilesTest, IniReadsLikeTheClassicReader) {
    WriteAll(Ini(), "[SETTING]\nlanId=3abc\nStartup=\nFeedback=-1\n");
    platform::IniFile ini(Ini());
    EXPECT_EQ(ini.ReadInt("SETTING", "lanId", -1), 3);
    EXPECT_EQ(ini.ReadInt("SETTING", "Startup", -1), 0);  // present but not a number
    EXPECT_EQ(ini.ReadInt("SETTING", "Feedback", 7), -1);
    EXPECT_EQ(ini.ReadInt("SETTING", "Missing", 7), 7);
    EXPECT_EQ(platform::IniFile(dir_.filePath("absent.ini")).ReadInt("SETTING", "lanId", -1), -1);

    // A byte order mark before the first section is no part of its header.
    WriteAll(Ini(), "\xEF\xBB\xBF[SETTING]\r\nlanId=4\r\n");
    EXPECT_EQ(ini.ReadInt("SETTING", "lanId", -1), 4);
    ASSERT_TRUE(ini.WriteInt("SETTING", "lanId", 5));
    EXPECT_EQ(ReadAll(Ini()), QByteArray("[SETTING]\r\nlanId=5\r\n"));
}

// A folder in its place, or a file too large to read whole: nothing is read, nothing replaced.
TEST_F(SettingsFilesTest, IniThatCannotBeReadWholeIsNeverReplaced) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("CONFIG.ini")));
    EXPECT_EQ(platform::IniFile(Ini()).ReadInt("SETTING", "lanId", -1), -1);
    EXPECT_FALSE(platform::IniFile(Ini()).WriteInt("SETTING", "lanId", 2));
    EXPECT_TRUE(QFileInfo(Ini()).isDir());

    ASSERT_TRUE(QDir(dir_.path()).rmdir(QStringLiteral("CONFIG.ini")));
    const QByteArray big = "[SETTING]\r\nlanId=3\r\n" + QByteArray(1 << 20, ';');
    WriteAll(Ini(), big);
    EXPECT_EQ(platform::IniFile(Ini()).ReadInt("SETTING", "lanId", -1), -1);
    EXPECT_FALSE(platform::IniFile(Ini()).WriteInt("SETTING", "Startup", 1));
    EXPECT_EQ(ReadAll(Ini()), big);
}

// A stored language wins, a chosen Chinese or Vietnamese interface included; none or an invalid
// code is the locale's (English for a language the program lacks), and is written back.
TEST_F(SettingsFilesTest, StoredLanguageWinsElseTheLocalesIsWritten) {
    for (const auto& [stored, locale, expected] :
         {std::tuple{0, QLocale::Polish, 3}, std::tuple{0, QLocale::German, 2},
          std::tuple{3, QLocale::English, 3}, std::tuple{1, QLocale::English, 1},
          std::tuple{4, QLocale::English, 4}, std::tuple{9, QLocale::Polish, 3}}) {
        QFile::remove(Ini());
        if (stored != 0) {
            platform::IniFile(Ini()).WriteInt("SETTING", "lanId", stored);
        }
        EXPECT_EQ(Store().LoadAtStart(QLocale(locale)).language_code, expected) << stored;
        EXPECT_EQ(platform::IniFile(Ini()).ReadInt("SETTING", "lanId", -1), expected) << stored;
    }
}

// Without a file autostart is off and feedback on; a startup below one counts as off.
TEST_F(SettingsFilesTest, StartupBelowOneCountsAsOffAndFeedbackIsKeptAsRead) {
    const app::AppSettings fresh = Store().LoadAtStart(QLocale(QLocale::English));
    EXPECT_EQ(fresh.autostart, 0);
    EXPECT_EQ(fresh.feedback, -1);
    EXPECT_TRUE(fresh.FeedbackOn());
    platform::IniFile ini(Ini());
    ini.WriteInt("SETTING", "Startup", -5);
    ini.WriteInt("SETTING", "Feedback", 0);
    const app::AppSettings settings = Store().LoadAtStart(QLocale(QLocale::English));
    EXPECT_EQ(settings.autostart, 0);
    EXPECT_EQ(settings.feedback, 0);
    EXPECT_FALSE(settings.FeedbackOn());
}

TEST_F(SettingsFilesTest, AutostartEntryRoundTripAndQuoting) {
    const platform::Autostart entry(AutostartDir(), QStringLiteral("/opt/my apps/talvik-mouse"));
    EXPECT_FALSE(entry.IsRegistered());
    EXPECT_TRUE(entry.Unregister());  // nothing to remove is fine
    ASSERT_TRUE(entry.Register());
    EXPECT_TRUE(entry.IsRegistered());
    const QByteArray text = ReadAll(entry.EntryPath());
    EXPECT_TRUE(text.contains("Exec=\"/opt/my apps/talvik-mouse\" -auto\n")) << text.constData();
    EXPECT_TRUE(entry.Unregister());
    EXPECT_FALSE(QFile::exists(entry.EntryPath()));
}

TEST_F(SettingsFilesTest, AutostartCheckOnlyRaisesForThisExecutable) {
    QDir().mkpath(AutostartDir());
    const platform::Autostart entry(AutostartDir(), QStringLiteral("/opt/talvik/talvik-mouse"));
    // Same command in other letter case counts.
    WriteAll(entry.EntryPath(),
             "[Desktop Entry]\nType=Application\nExec=/OPT/talvik/talvik-mouse -AUTO\n");
    EXPECT_EQ(Store().LoadAtStart(QLocale(QLocale::English)).autostart, 1);
    EXPECT_EQ(platform::IniFile(Ini()).ReadInt("SETTING", "Startup", -1), 1);

    // Another copy's entry neither raises the setting nor is touched.
    const QByteArray other = "[Desktop Entry]\nExec=/home/u/old/talvik-mouse -auto\n";
    WriteAll(entry.EntryPath(), other);
    platform::IniFile(Ini()).WriteInt("SETTING", "Startup", 0);
    EXPECT_EQ(Store().LoadAtStart(QLocale(QLocale::English)).autostart, 0);
    EXPECT_EQ(ReadAll(entry.EntryPath()), other);

    // A disabled entry does not start anything.
    WriteAll(entry.EntryPath(),
             "[Desktop Entry]\nExec=/opt/talvik/talvik-mouse -auto\nHidden=true\n");
    EXPECT_FALSE(entry.IsRegistered());
}

TEST_F(SettingsFilesTest, ToggleWritesTheSettingEvenWhenTheEntryFails) {
    WriteAll(AutostartDir(), "not a folder");
    const app::SettingsStore store = Store();
    EXPECT_FALSE(store.WriteAutostart(true));
    EXPECT_EQ(platform::IniFile(Ini()).ReadInt("SETTING", "Startup", -1), 1);
    EXPECT_FALSE(store.WriteAutostart(false));
    EXPECT_EQ(platform::IniFile(Ini()).ReadInt("SETTING", "Startup", -1), 0);

    store.WriteFeedback(5);
    EXPECT_EQ(platform::IniFile(Ini()).ReadInt("SETTING", "Feedback", -1), 0);
    store.WriteFeedback(1);
    EXPECT_EQ(platform::IniFile(Ini()).ReadInt("SETTING", "Feedback", -1), 1);
}

}  // namespace
}  // namespace talvik
