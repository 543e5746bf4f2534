#include "platform/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "platform/trace.h"

namespace talvik::platform {

namespace {

constexpr auto kEntryName = "talvik-mouse.desktop";
constexpr qint64 kMaxEntrySize = 64 * 1024;

// Quotes an Exec argument when it holds characters the desktop-entry format reserves.
QString QuoteExecArg(const QString& arg) {
    static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needs_quotes = false;
    for (const QChar c : arg) {
        needs_quotes = needs_quotes || kReserved.contains(c);
    }
    if (!needs_quotes) {
        return arg;
    }
    QString quoted = QStringLiteral("\"");
    for (const QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
        }
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

}  // namespace

Autostart::Autostart(QString autostart_dir, QString executable)
    : dir_(std::move(autostart_dir)), executable_(std::move(executable)) {}

QString Autostart::DefaultDir() {
    const QByteArray config_home = qgetenv("XDG_CONFIG_HOME");
    if (!config_home.isEmpty() && config_home.startsWith('/')) {
        return QString::fromLocal8Bit(config_home) + QStringLiteral("/autostart");
    }
    return QDir::homePath() + QStringLiteral("/.config/autostart");
}

QString Autostart::EntryPath() const {
    return dir_ + QLatin1Char('/') + QLatin1String(kEntryName);
}

QString Autostart::ExpectedCommand() const {
    return QuoteExecArg(executable_) + QStringLiteral(" -auto");
}

bool Autostart::Register() const {
    if (!QDir().mkpath(dir_)) {
        Trace("startup fail!!!!!!!!!!!!");
        return false;
    }
    QSaveFile file(EntryPath());
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        const QString entry = QStringLiteral(
                                  "[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Talvik Gaming Mouse\n"
                                  "Comment=Configure the Talvik gaming mouse\n"
                                  "Icon=talvik-mouse\n"
                                  "Exec=%1\n"
                                  "Terminal=false\n"
                                  "X-GNOME-Autostart-enabled=true\n")
                                  .arg(ExpectedCommand());
        file.write(entry.toUtf8());
        ok = file.commit();
    }
    Trace(ok ? "startup success!!!!!!!!!!!!" : "startup fail!!!!!!!!!!!!");
    return ok;
}

bool Autostart::Unregister() const {
    const QFileInfo dir(dir_);
    if (dir.exists() && !dir.isDir()) {
        return false;
    }
    QFile::remove(EntryPath());  // its absence is what we want either way
    return true;
}

bool Autostart::IsRegistered() const {
    QFile file(EntryPath());
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QString text = QString::fromUtf8(file.read(kMaxEntrySize));
    bool in_entry = false;
    bool hidden = false;
    bool matches = false;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            in_entry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!in_entry) {
            continue;
        }
        if (line.startsWith(QLatin1String("Exec="))) {
            matches = line.mid(5).trimmed().compare(ExpectedCommand(), Qt::CaseInsensitive) == 0;
        } else if (line == QLatin1String("Hidden=true") ||
                   line == QLatin1String("X-GNOME-Autostart-enabled=false")) {
            hidden = true;
        }
    }
    return matches && !hidden;
}

}  // namespace talvik::platform
