#pragma once

#include <QString>

namespace talvik::platform {

// The desktop session's autostart entry for this program: a desktop file in the user's XDG
// autostart folder whose Exec line is the executable followed by " -auto".
class Autostart {
public:
    // `autostart_dir` is usually DefaultDir(); `executable` the running program's full path.
    Autostart(QString autostart_dir, QString executable);

    // "$XDG_CONFIG_HOME/autostart" (default "~/.config/autostart").
    static QString DefaultDir();

    QString EntryPath() const;
    // The Exec value the entry must hold to start this executable.
    QString ExpectedCommand() const;

    // Writes the entry. False when it cannot be written.
    bool Register() const;
    // Removes the entry. False only when the autostart folder cannot be used at all; a missing
    // entry is not an error.
    bool Unregister() const;
    // True when the entry exists, is enabled and starts this executable (letter case ignored).
    bool IsRegistered() const;

private:
    QString dir_;
    QString executable_;
};

}  // namespace talvik::platform
