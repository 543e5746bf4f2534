// The look: the style sheet's images exist, a missing sheet leaves a usable, readable look.
#include "app/theme.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "../toolkit/test_support.h"

namespace talvik::test {
namespace {

TEST(Theme, EveryImageOfTheStyleSheetIsFoundThroughTheSkinsPath) {
    ASSERT_TRUE(app::ApplyTheme(*qApp, ResDir()));
    const QRegularExpression url(QStringLiteral(R"(url\(([^)]*)\))"));
    auto matches = url.globalMatch(qApp->styleSheet());
    EXPECT_TRUE(matches.hasNext());
    while (matches.hasNext()) {
        const QString image = matches.next().captured(1);
        EXPECT_TRUE(image.startsWith(QStringLiteral("skins:"))) << image.toStdString();
        EXPECT_FALSE(QImage(image).isNull()) << image.toStdString();
    }
}

TEST(Theme, AMissingSheetIsReportedAndTheReadablePaletteStays) {
    QTemporaryDir empty;
    qApp->setStyleSheet(QString());
    EXPECT_FALSE(app::ApplyTheme(*qApp, empty.path()));
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    const QPalette palette = QApplication::palette();
    EXPECT_EQ(palette.color(QPalette::Window), app::ThemePalette().color(QPalette::Window));
    // Dark backgrounds, light texts, far apart in lightness.
    for (const auto& [back, fore] : {std::pair{QPalette::Window, QPalette::WindowText},
                                     std::pair{QPalette::Base, QPalette::Text},
                                     std::pair{QPalette::Button, QPalette::ButtonText},
                                     std::pair{QPalette::ToolTipBase, QPalette::ToolTipText}}) {
        EXPECT_GT(palette.color(fore).lightnessF() - palette.color(back).lightnessF(), 0.6)
            << back << " " << fore;
    }
    EXPECT_NE(palette.color(QPalette::Disabled, QPalette::Text),
              palette.color(QPalette::Active, QPalette::Text));
}

}  // namespace
}  // namespace talvik::test
