#pragma once

#include <QColor>
#include <QMouseEvent>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "../app/qt_wait.h"
#include "app/toolkit/notification.h"
#include "app/toolkit/toolkit.h"
#include "app/toolkit/window.h"
#include "platform/trace.h"

// Readable values in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}

// The widget tests' shared fixture: linking it gives the program one QApplication on the
// offscreen platform for the whole run.
namespace talvik::test {

// The project's source folder and its res/ (both with a slash).
QString SourceDir();
QString ResDir();

// A palette stand-in: announces presses as colour picks, like the real palette.
class TestPalette : public QWidget {
    Q_OBJECT
public:
    explicit TestPalette(QWidget* parent = nullptr) : QWidget(parent) {}

signals:
    void colorChanged(const QColor& color);
    void colorChangedButtonUp();

protected:
    void mousePressEvent(QMouseEvent*) override { emit colorChanged(QColor(Qt::red)); }
    void mouseReleaseEvent(QMouseEvent*) override { emit colorChangedButtonUp(); }
};

// A toolkit on the toolkit's test layouts and language A, with TestPalette registered.
class TestToolkit : public toolkit::Toolkit {
public:
    TestToolkit();
};

// The trace while alive, as one text.
class TraceRecorder {
public:
    TraceRecorder() {
        platform::SetTraceSink([this](std::string_view line) { text.append(line); });
    }
    ~TraceRecorder() { platform::SetTraceSink({}); }
    std::string text;
};

struct Message {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
    bool on_ui_thread;
};

// A window whose layout and required controls are given by the test, recording what it gets.
class RecordingWindow : public toolkit::Window {
public:
    RecordingWindow(toolkit::Toolkit& toolkit, QString layout, QStringList required = {})
        : Window(toolkit), layout_(std::move(layout)), required_(std::move(required)) {}

    QString ClassName() const override { return QStringLiteral("TestWnd"); }
    QString LayoutFile() const override { return layout_; }

    std::vector<toolkit::Notification> notifications;
    std::vector<Message> messages;
    std::vector<int> timer_ticks;
    int init_calls = 0;
    std::function<void(const toolkit::Notification&)> on_notify;
    std::function<void(const Message&)> on_message;
    std::function<void(const int&)> on_timer;

    // "sender=wparam" of the recorded notifications of one type.
    QStringList Of(toolkit::NotifyType type) const {
        QStringList out;
        for (const toolkit::Notification& n : notifications) {
            if (n.type == type) {
                out << QStringLiteral("%1=%2").arg(n.sender_name).arg(n.wparam);
            }
        }
        return out;
    }

protected:
    void BindControls() override {
        for (const QString& name : required_) {
            Require(name);
        }
    }
    void OnInit() override { ++init_calls; }
    void Notify(const toolkit::Notification& n) override { Record(notifications, n, on_notify); }
    bool HandleCustomMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
        const bool on_ui_thread = QThread::currentThread() == thread();
        Record(messages, Message{message, wparam, lparam, on_ui_thread}, on_message);
        return true;
    }
    void OnTimer(int id) override { Record(timer_ticks, id, on_timer); }

private:
    template <class T>
    static void Record(std::vector<T>& into, const T& value,
                       const std::function<void(const T&)>& then) {
        into.push_back(value);
        if (then) {
            then(value);
        }
    }

    QString layout_;
    QStringList required_;
};

}  // namespace talvik::test
