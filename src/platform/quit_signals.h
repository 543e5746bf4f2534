#pragma once

#include <QObject>

class QSocketNotifier;

namespace talvik::platform {

// Turns SIGTERM, SIGINT and SIGHUP (a logout, `systemctl --user stop`, Ctrl+C, a closed terminal)
// into a signal on the UI thread, so the program quits the orderly way and saves what the user
// edited instead of dying mid-write. One instance per process; while it lives it owns those
// signals' handlers.
class QuitSignals final : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // False when the handlers could not be installed (the signals then end the process at once).
    bool Installed() const { return notifier_ != nullptr; }

signals:
    void QuitRequested(int signal_number);

private:
    void OnReadable();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace talvik::platform
