#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace talvik::platform {

// The name the program's single instance goes by.
inline constexpr char kProgramInstanceName[] = "Talvik Gaming Mouse";

// One running copy per user. The first start holds a lock file for its whole life and listens on
// a local socket; a later start finds the lock taken, asks the first copy to show itself and
// leaves. A lock left by a crashed copy is recognised as stale and taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` identifies the program; `runtime_dir` holds the lock and the socket (empty: the
    // user's runtime folder).
    explicit SingleInstance(const QString& name, const QString& runtime_dir = {});
    ~SingleInstance() override;

    enum class Role { kPrimary, kSecondary, kFailed };

    // Takes the lock and starts listening (kPrimary), or tells the running copy to show itself
    // (kSecondary). kFailed: neither was possible; the caller may run on without the guard.
    Role Acquire();

    // Whether a copy holds the lock now (it answers on its socket, or the lock's owner lives),
    // asked without taking the lock, so a copy starting meanwhile is not disturbed.
    static bool IsRunning(const QString& name, const QString& runtime_dir = {});

    QString LockPath() const { return lock_path_; }
    QString ServerName() const { return server_name_; }

signals:
    // A later start asked this copy to show itself. Emitted on the UI thread.
    void ShowRequested();

private:
    bool NotifyPrimary();
    void OnNewConnection();

    QString lock_path_;
    QString server_name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

}  // namespace talvik::platform
