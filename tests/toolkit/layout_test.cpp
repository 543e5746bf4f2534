#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/toolkit/trace_category.h"
#include "platform/trace.h"
#include "test_support.h"

namespace talvik::toolkit::test {
namespace {

// Records the trace while alive.
class TraceRecorder {
public:
    TraceRecorder() {
        platform::SetTraceSink([this](std::string_view line) { lines.emplace_back(line); });
    }
    ~TraceRecorder() { platform::SetTraceSink({}); }
    bool Contains(const std::string& part) const {
        for (const std::string& line : lines) {
            if (line.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    std::vector<std::string> lines;
};

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit_.SetResourceDir(TestResDir());
        toolkit_.RegisterWidgetClass(QStringLiteral("TestPalette"),
                                     [](QWidget* parent) { return new TestPalette(parent); });
        ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/A.xml")));
    }
    Toolkit toolkit_;
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

TEST_F(LayoutTest, MissingRequiredControlsFailTheLoadWithTheirNames) {
    TraceRecorder trace;
    RecordingWindow window(toolkit_, QStringLiteral("controls.xml"),
                           {"btn", "nope_1", "combo", "nope_2"});
    EXPECT_FALSE(window.Create());
    EXPECT_EQ(window.MissingControls(), (QStringList{"nope_1", "nope_2"}));
    EXPECT_EQ(window.init_calls, 0);
    EXPECT_EQ(window.Widget(), nullptr);
    EXPECT_TRUE(trace.Contains("nope_1, nope_2"));

    SliderOnButton typed(toolkit_, QStringLiteral("controls.xml"));
    EXPECT_FALSE(typed.Create());
    EXPECT_EQ(typed.MissingControls(), QStringList{"btn"});
    EXPECT_EQ(typed.button, nullptr) << "no pointer into the discarded layout survives";

    RecordingWindow complete(toolkit_, QStringLiteral("controls.xml"), {"btn", "combo", "page"});
    ASSERT_TRUE(complete.Create());
    EXPECT_EQ(complete.init_calls, 1);
    EXPECT_TRUE(complete.MissingControls().isEmpty());
    EXPECT_NE(complete.Find<QComboBox>(QStringLiteral("combo")), nullptr);
    EXPECT_EQ(complete.Find<QSlider>(QStringLiteral("combo")), nullptr);
    EXPECT_EQ(complete.Find<QWidget>(QStringLiteral("no_such")), nullptr);
    EXPECT_EQ(complete.Find<QWidget>(QStringLiteral("controls_root")), complete.Widget());
}

TEST_F(LayoutTest, BadLayoutFilesFailCleanly) {
    for (const char* file : {"no_such_file.xml", "broken.xml", "not_a_layout.xml"}) {
        TraceRecorder trace;
        RecordingWindow window(toolkit_, QString::fromLatin1(file));
        EXPECT_FALSE(window.Create()) << file;
        EXPECT_FALSE(window.LoadError().isEmpty()) << file;
        EXPECT_TRUE(window.LoadError().contains(QString::fromLatin1(file))) << file;
        EXPECT_EQ(window.init_calls, 0) << file;
        EXPECT_EQ(window.Widget(), nullptr) << file;
        EXPECT_TRUE(trace.Contains(file)) << file;
    }
}

TEST_F(LayoutTest, LanguageReloadUpdatesKeyModeControlsAndKeepsTextsOnBadFiles) {
    RecordingWindow window(toolkit_, QStringLiteral("controls.xml"));
    ASSERT_TRUE(window.Create());
    auto* label = window.Find<QLabel>(QStringLiteral("label_key"));
    auto* button = window.Find<QPushButton>(QStringLiteral("btn"));
    auto* edit_label = window.Find<QLabel>(QStringLiteral("hidden_label"));
    ASSERT_TRUE(label && button && edit_label);
    EXPECT_EQ(label->text(), QStringLiteral("Hello"));
    EXPECT_EQ(button->text(), QStringLiteral("Press me"));

    toolkit_.SetTextKey(edit_label, QStringLiteral("hello_text"));
    EXPECT_EQ(edit_label->text(), QStringLiteral("Hello"));
    QSignalSpy changed(&toolkit_, &Toolkit::languageChanged);
    ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/B.xml")));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(label->text(), QStringLiteral("Cześć"));
    EXPECT_EQ(button->text(), QStringLiteral("Naciśnij"));
    EXPECT_EQ(edit_label->text(), QStringLiteral("Cześć"));

    // Out of key mode, a composed text stays as set.
    Toolkit::ClearTextKey(edit_label);
    edit_label->setText(QStringLiteral("composed"));
    {
        TraceRecorder trace;
        EXPECT_FALSE(toolkit_.LoadLanguage(QStringLiteral("lan/broken.xml")));
        EXPECT_FALSE(toolkit_.LoadLanguage(QStringLiteral("lan/none.xml")));
        EXPECT_TRUE(trace.Contains("broken.xml"));
        EXPECT_TRUE(trace.Contains("none.xml"));
    }
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(toolkit_.Language().Name(), QStringLiteral("B"));
    EXPECT_EQ(label->text(), QStringLiteral("Cześć"));

    ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/A.xml")));
    EXPECT_EQ(label->text(), QStringLiteral("Hello"));
    EXPECT_EQ(edit_label->text(), QStringLiteral("composed"));
    // A key the file lacks shows as the key, so nothing is blank.
    EXPECT_EQ(toolkit_.Text(QStringLiteral("missing_text")), QStringLiteral("missing_text"));
}

TEST_F(LayoutTest, RowsFromARowLayoutHaveNamedSubControlsAndFollowTheLanguage) {
    RecordingWindow window(toolkit_, QStringLiteral("controls.xml"));
    ASSERT_TRUE(window.Create());
    auto* list = window.Find<QListWidget>(QStringLiteral("list"));
    ASSERT_NE(list, nullptr);
    QWidget* first = window.AddRow(list, QStringLiteral("row.xml"));
    QWidget* second = window.AddRow(list, QStringLiteral("row.xml"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(list->count(), 5);
    EXPECT_EQ(list->itemWidget(list->item(4)), second);
    auto* key = Window::FindIn<QLabel>(second, QStringLiteral("key"));
    auto* action = Window::FindIn<QLabel>(second, QStringLiteral("action"));
    ASSERT_TRUE(key && action);
    EXPECT_NE(key, Window::FindIn<QLabel>(first, QStringLiteral("key")));
    EXPECT_EQ(action->text(), QStringLiteral("Press"));
    EXPECT_GE(list->item(4)->sizeHint().height(), 30);
    ASSERT_TRUE(toolkit_.LoadLanguage(QStringLiteral("lan/B.xml")));
    EXPECT_EQ(action->text(), QStringLiteral("Naciśnięcie"));

    EXPECT_EQ(window.AddRow(list, QStringLiteral("broken.xml")), nullptr);
    EXPECT_EQ(list->count(), 5);
}

TEST_F(LayoutTest, GeometryDumpListsVisibleNamedControlsInScreenCoordinates) {
    qputenv("TALVIK_DUMP_GEOMETRY", "1");
    Toolkit dumping(TestResDir());
    qunsetenv("TALVIK_DUMP_GEOMETRY");
    ASSERT_TRUE(dumping.DumpGeometry());
    dumping.RegisterWidgetClass(QStringLiteral("TestPalette"),
                                [](QWidget* parent) { return new TestPalette(parent); });
    auto window_owner = std::make_unique<RecordingWindow>(dumping, QStringLiteral("controls.xml"));
    RecordingWindow& window = *window_owner;
    ASSERT_TRUE(window.Create());
    window.Widget()->move(40, 50);

    testing::internal::CaptureStdout();
    window.Show();
    QTest::qWait(1);
    QCoreApplication::processEvents();
    const QString out = QString::fromStdString(testing::internal::GetCapturedStdout());

    auto* button = window.Find<QPushButton>(QStringLiteral("btn"));
    const QPoint origin = button->mapToGlobal(QPoint(0, 0));
    const QString expected = QStringLiteral("GEOM TestWnd btn %1 %2 %3 %4\n")
                                 .arg(origin.x())
                                 .arg(origin.y())
                                 .arg(button->width())
                                 .arg(button->height());
    EXPECT_TRUE(out.contains(expected)) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("GEOM TestWnd slider ")));
    EXPECT_FALSE(out.contains(QStringLiteral(" hidden_label "))) << "hidden controls are left out";
    const QRegularExpression line(QStringLiteral("^GEOM TestWnd \\S+ -?\\d+ -?\\d+ \\d+ \\d+$"));
    for (const QString& text : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        EXPECT_TRUE(line.match(text).hasMatch()) << text.toStdString();
    }

    window_owner.reset();

    // Without the variable nothing is printed.
    RecordingWindow quiet(toolkit_, QStringLiteral("controls.xml"));
    ASSERT_TRUE(quiet.Create());
    testing::internal::CaptureStdout();
    quiet.Show();
    QCoreApplication::processEvents();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string());
}

TEST_F(LayoutTest, TraceCategoryCarriesTheFormattedLine) {
    static QStringList captured;
    captured.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("talvik.trace.debug=true"));
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& m) {
            if (qstrcmp(context.category, "talvik.trace") == 0) {
                captured << m;
            }
        });
    InstallTraceCategory();
    platform::Trace("iTotalNum = %d\r\n", 5);
    platform::Trace("handle = %x\n", 255u);
    qInstallMessageHandler(previous);
    platform::SetTraceSink({});
    QLoggingCategory::setFilterRules(QString());
    EXPECT_EQ(captured, (QStringList{"iTotalNum = 5", "handle = ff"}));
}

// The program's own layouts: each loads with the controls its window relies on, and a click
// in the middle of every check box reaches it (a stretched box would swallow it beside its
// text).
TEST(ProgramLayouts, LoadWithTheirControlsAndCheckBoxesTakeCentreClicks) {
    Toolkit toolkit(SourceDir() + QStringLiteral("/res"));
    ASSERT_TRUE(toolkit.LoadLanguage(QStringLiteral("lan/EN.xml")));
    struct Layout {
        const char* file;
        QStringList controls;
    };
    const std::vector<Layout> layouts = {
        {"main.xml",
         {"title", "exit_btn", "min_btn", "about_btn", "combo_lan", "check_startup",
          "device_tab_switch"}},
        {"about.xml", {"exit", "combo_lan", "check_startup", "check_window_feedback", "version"}},
        {"msg.xml", {"btn_ok", "btn_cancel", "warning_title", "warning"}},
        {"ms_5_macropage.xml",
         {"btn_exit", "ms_5_macro_list", "ms_5_macro_action_list", "ms_5_macro_record_btn",
          "ms_5_macro_action_edit_tab"}},
        {"keylistitem.xml", {"key_icon", "key", "action_icon", "action", "delay"}},
    };
    for (const Layout& layout : layouts) {
        RecordingWindow window(toolkit, QString::fromLatin1(layout.file), layout.controls);
        ASSERT_TRUE(window.Create()) << layout.file << ": " << window.LoadError().toStdString();
        window.Widget()->resize(900, 700);  // wider than designed: stretch what stretches
        window.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.Widget()));
        for (QCheckBox* box : window.Widget()->findChildren<QCheckBox*>()) {
            const bool before = box->isChecked();
            QTest::mouseClick(box, Qt::LeftButton);
            EXPECT_NE(box->isChecked(), before)
                << layout.file << ": " << box->objectName().toStdString();
        }
        if (auto* combo = window.Find<QComboBox>(QStringLiteral("combo_lan"))) {
            EXPECT_EQ(combo->count(), 4) << layout.file;
        }
    }
    RecordingWindow main(toolkit, QStringLiteral("main.xml"));
    ASSERT_TRUE(main.Create());
    auto* tabs = main.Find<QStackedWidget>(QStringLiteral("device_tab_switch"));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(main.Find<QLabel>(QStringLiteral("title"))->text(),
              QStringLiteral("Talvik Gaming Mouse"));
    EXPECT_EQ(main.Widget()->windowTitle(), QStringLiteral("Talvik Gaming Mouse"));
}

}  // namespace
}  // namespace talvik::toolkit::test
