// Windows from layout files: required controls, bad files, language texts and the program's own
// layouts (the geometry dump and the trace category carry every e2e test).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <string>

#include "app/toolkit/popup_menu.h"
#include "test_support.h"

namespace talvik::test {
namespace {

using toolkit::Toolkit;
using toolkit::Window;

class LayoutTest : public ::testing::Test {
protected:
    TestToolkit toolkit_;
};

class SliderOnButton : public RecordingWindow {
public:
    using RecordingWindow::RecordingWindow;
    QSlider* slider = nullptr;
    QPushButton* button = nullptr;

protected:
    void BindControls() override {
        Bind(button, QStringLiteral("btn"));
        Bind(slider, QStringLiteral("btn"));  // wrong class
    }
};

TEST_F(LayoutTest, MissingOrMistypedControlsFailTheLoadWithTheirNames) {
    TraceRecorder trace;
    RecordingWindow window(toolkit_, QStringLiteral("controls.xml"),
                           {"btn", "nope_1", "combo", "nope_2"});
    EXPECT_FALSE(window.Create());
    EXPECT_EQ(window.MissingControls(), (QStringList{"nope_1", "nope_2"}));
    EXPECT_EQ(window.init_calls, 0);
    EXPECT_EQ(window.Widget(), nullptr);
    EXPECT_NE(trace.text.find("nope_1, nope_2"), std::string::npos);

    SliderOnButton typed(toolkit_, QStringLiteral("controls.xml"));
    EXPECT_FALSE(typed.Create());
    EXPECT_EQ(typed.MissingControls(), QStringList{"btn"});
    EXPECT_EQ(typed.button, nullptr) << "no pointer into the discarded layout survives";

    RecordingWindow complete(toolkit_, QStringLiteral("controls.xml"), {"btn", "combo", "page"});
    ASSERT_TRUE(complete.Create());
    EXPECT_EQ(complete.init_calls, 1);
    EXPECT_EQ(complete.Find<QSlider>(QStringLiteral("combo")), nullptr);
    EXPECT_EQ(complete.Find<QWidget>(QStringLiteral("controls_root")), complete.Widget());
}

TEST_F(LayoutTest, BadLayoutAndMenuFilesFailCleanly) {
    for (const char* file : {"no_such_file.xml", "broken.xml", "not_a_layout.xml"}) {
        TraceRecorder trace;
        RecordingWindow window(toolkit_, QString::fromLatin1(file));
        EXPECT_FALSE(window.Create()) << file;
        EXPECT_TRUE(window.LoadError().contains(QString::fromLatin1(file))) << file;
        EXPECT_EQ(window.init_calls, 0) << file;
        EXPECT_EQ(window.Widget(), nullptr) << file;
        EXPECT_NE(trace.text.find(file), std::string::npos) << file;
    }
    RecordingWindow owner(toolkit_, QStringLiteral("controls.xml"));
    ASSERT_TRUE(owner.Create());
    toolkit::PopupMenu menu(owner);
    for (const char* file : {"menu_broken.xml", "no_such_menu.xml", "controls.xml"}) {
        EXPECT_FALSE(menu.Load(QString::fromLatin1(file))) << file;
        EXPECT_FALSE(menu.Error().isEmpty()) << file;
        EXPECT_TRUE(menu.Menu()->actions().isEmpty()) << file;
    }
}

TEST_F(LayoutTest, LanguageReloadUpdatesKeyModeControlsAndKeepsTextsOnBadFiles) {
    RecordingWindow window(toolkit_, QStringLiteral("controls.xml"));
    ASSERT_TRUE(window.Create());
    auto* label = window.Find<QLabel>(QStringLiteral("label_key"));
    auto* button = window.Find<QPushButton>(QStringLiteral("btn"));
    auto* edit_label = window.Find<QLabel>(QStringLiteral("hidden_label"));
    EXPECT_EQ(label->text(), QStringLiteral("Hello"));
    toolkit_.SetTextKey(edit_label, QStringLiteral("hello_text"));
    QSignalSpy changed(&toolkit_, &Toolkit::languageChanged);
    ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/B.xml")));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(label->text(), QStringLiteral("Cześć"));
    EXPECT_EQ(button->text(), QStringLiteral("Naciśnij"));
    EXPECT_EQ(edit_label->text(), QStringLiteral("Cześć"));

    // Out of key mode, a composed text stays as set; bad files change nothing.
    Toolkit::ClearTextKey(edit_label);
    edit_label->setText(QStringLiteral("composed"));
    EXPECT_FALSE(toolkit_.LoadLanguage(QStringLiteral("lan/broken.xml")));
    EXPECT_FALSE(toolkit_.LoadLanguage(QStringLiteral("lan/none.xml")));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(label->text(), QStringLiteral("Cześć"));
    ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/A.xml")));
    EXPECT_EQ(label->text(), QStringLiteral("Hello"));
    EXPECT_EQ(edit_label->text(), QStringLiteral("composed"));
    // A key the file lacks shows as the key, so nothing is blank.
    EXPECT_EQ(toolkit_.Text(QStringLiteral("missing_text")), QStringLiteral("missing_text"));
}

// A click in the middle of every check box of the program's layouts reaches it (a stretched box
// would swallow it beside its text).
TEST(ProgramLayouts, CheckBoxesTakeCentreClicks) {
    Toolkit toolkit(ResDir());
    ASSERT_TRUE(toolkit.LoadLanguage(QStringLiteral("lan/EN.xml")));
    for (const char* file : {"main.xml", "about.xml", "msg.xml", "ms_5_macropage.xml"}) {
        RecordingWindow window(toolkit, QString::fromLatin1(file));
        ASSERT_TRUE(window.Create()) << file << ": " << window.LoadError().toStdString();
        window.Widget()->resize(900, 700);  // wider than designed: stretch what stretches
        window.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.Widget()));
        for (QCheckBox* box : window.Widget()->findChildren<QCheckBox*>()) {
            const bool before = box->isChecked();
            QTest::mouseClick(box, Qt::LeftButton);
            EXPECT_NE(box->isChecked(), before) << file << ": " << box->objectName().toStdString();
        }
    }
}

}  // namespace
}  // namespace talvik::test
