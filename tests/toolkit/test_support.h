#pragma once

#include <QColor>
#include <QMouseEvent>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "app/toolkit/notification.h"
#include "app/toolkit/toolkit.h"
#include "app/toolkit/window.h"

// Readable values in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{' << list.join(QStringLiteral(", ")).toStdString() << '}';
}

namespace talvik::toolkit::test {

// The project's source folder (for res/ and the test layouts).
QString SourceDir();
// The test resource folder tests/toolkit/res/.
QString TestResDir();

// A palette stand-in: announces presses as colour picks, like the real palette will.
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

struct Message {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
    bool on_ui_thread;
};

// A window whose class, layout and required controls are given by the test, recording what
// it receives.
class RecordingWindow : public Window {
public:
    RecordingWindow(Toolkit& toolkit, QString layout, QStringList required = {},
                    QString class_name = QStringLiteral("TestWnd"));

    QString ClassName() const override { return class_name_; }
    QString LayoutFile() const override { return layout_; }

    std::vector<Notification> notifications;
    std::vector<Message> messages;
    std::vector<int> timer_ticks;
    int init_calls = 0;
    std::function<void(const Notification&)> on_notify;
    std::function<void(const Message&)> on_message;
    std::function<void(int)> on_timer;

    // "type:sender" strings of the recorded notifications, for compact comparisons.
    QStringList Seen() const;

protected:
    void BindControls() override;
    void OnInit() override { ++init_calls; }
    void Notify(const Notification& notification) override;
    bool HandleCustomMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
    void OnTimer(int id) override;

private:
    QString layout_;
    QStringList required_;
    QString class_name_;
};

}  // namespace talvik::toolkit::test
