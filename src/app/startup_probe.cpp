#include "app/startup_probe.h"

#include <QEvent>
#include <QObject>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace talvik::app {

namespace {

class FirstPaintProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            std::printf("FIRST_PAINT %lld\n",
                        static_cast<long long>(
                            std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
            std::fflush(stdout);
            deleteLater();
        }
        return false;
    }
};

}  // namespace

void InstallStartupProbe(QWidget* window) {
    if (window == nullptr || qEnvironmentVariableIntValue("TALVIK_STARTUP_PROBE") != 1) {
        return;
    }
    window->installEventFilter(new FirstPaintProbe(window));
}

}  // namespace talvik::app
