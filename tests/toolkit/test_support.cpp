#include "test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <memory>

namespace talvik::test {

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "talvik_tests";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

QString SourceDir() {
    const QString from_env = qEnvironmentVariable("TALVIK_SOURCE_DIR");
    return (from_env.isEmpty() ? QStringLiteral(TALVIK_SOURCE_DIR) : from_env) + QLatin1Char('/');
}

QString ResDir() {
    return SourceDir() + QStringLiteral("res/");
}

TestToolkit::TestToolkit() : Toolkit(SourceDir() + QStringLiteral("tests/toolkit/res/")) {
    RegisterWidgetClass(QStringLiteral("TestPalette"),
                        [](QWidget* parent) { return new TestPalette(parent); });
    EXPECT_TRUE(LoadLanguage(QStringLiteral("lan/A.xml")));
}

QStringList RecordingWindow::Of(toolkit::NotifyType type) const {
    QStringList out;
    for (const toolkit::Notification& n : notifications) {
        if (n.type == type) {
            out << QStringLiteral("%1=%2").arg(n.sender_name).arg(n.wparam);
        }
    }
    return out;
}

void RecordingWindow::BindControls() {
    for (const QString& name : required_) {
        Require(name);
    }
}

void RecordingWindow::Notify(const toolkit::Notification& notification) {
    notifications.push_back(notification);
    if (on_notify) {
        on_notify(notification);
    }
}

bool RecordingWindow::HandleCustomMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    const Message m{message, wparam, lparam, QThread::currentThread() == thread()};
    messages.push_back(m);
    if (on_message) {
        on_message(m);
    }
    return true;
}

void RecordingWindow::OnTimer(int id) {
    timer_ticks.push_back(id);
    if (on_timer) {
        on_timer(id);
    }
}

}  // namespace talvik::test
