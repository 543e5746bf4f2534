#include "test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <memory>

namespace talvik::toolkit::test {

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "toolkit_tests";
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
    return from_env.isEmpty() ? QStringLiteral(TALVIK_TEST_SOURCE_DIR) : from_env;
}

QString TestResDir() {
    return SourceDir() + QStringLiteral("/tests/toolkit/res/");
}

RecordingWindow::RecordingWindow(Toolkit& toolkit, QString layout, QStringList required,
                                 QString class_name)
    : Window(toolkit),
      layout_(std::move(layout)),
      required_(std::move(required)),
      class_name_(std::move(class_name)) {}

QStringList RecordingWindow::Seen() const {
    QStringList seen;
    for (const Notification& n : notifications) {
        seen << n.TypeName() + QLatin1Char(':') + n.sender_name;
    }
    return seen;
}

void RecordingWindow::BindControls() {
    for (const QString& name : required_) {
        Require(name);
    }
}

void RecordingWindow::Notify(const Notification& notification) {
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

}  // namespace talvik::toolkit::test
