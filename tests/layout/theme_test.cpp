// The look: the style sheet loads, its images exist, and a missing sheet leaves a usable look.
#include "app/theme.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "layout_fixture.h"

namespace talvik::layout::test {
namespace {

// Puts the program's look back after a test changed it.
class ThemeTest : public ::testing::Test {
protected:
    void TearDown() override { app::ApplyTheme(*qApp, ResDir()); }
};

TEST_F(ThemeTest, EveryImageOfTheStyleSheetIsFoundThroughTheSkinsPath) {
    ASSERT_TRUE(app::ApplyTheme(*qApp, ResDir()));
    static const QRegularExpression url(QStringLiteral(R"(url\(([^)]*)\))"));
    auto matches = url.globalMatch(qApp->styleSheet());
    int count = 0;
    while (matches.hasNext()) {
        const QString image = matches.next().captured(1);
        EXPECT_TRUE(image.startsWith(QStringLiteral("skins:"))) << image.toStdString();
        EXPECT_FALSE(QImage(image).isNull()) << image.toStdString();
        ++count;
    }
    EXPECT_GT(count, 0);
}

TEST_F(ThemeTest, AMissingSheetIsReportedAndThePaletteStays) {
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    qApp->setStyleSheet(QString());
    EXPECT_FALSE(app::ApplyTheme(*qApp, empty.path()));
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window),
              app::ThemePalette().color(QPalette::Window));
}

TEST_F(ThemeTest, ThePaletteKeepsTextReadable) {
    const QPalette palette = app::ThemePalette();
    // Dark backgrounds, light texts, far apart in lightness.
    auto light = [](const QColor& color) { return color.lightnessF(); };
    for (const auto& [back, fore] : {std::pair{QPalette::Window, QPalette::WindowText},
                                     std::pair{QPalette::Base, QPalette::Text},
                                     std::pair{QPalette::Button, QPalette::ButtonText},
                                     std::pair{QPalette::ToolTipBase, QPalette::ToolTipText}}) {
        EXPECT_GT(light(palette.color(fore)) - light(palette.color(back)), 0.6)
            << back << " " << fore;
    }
    EXPECT_NE(palette.color(QPalette::Disabled, QPalette::Text),
              palette.color(QPalette::Active, QPalette::Text));
}

}  // namespace
}  // namespace talvik::layout::test
