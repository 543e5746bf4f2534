#include "platform/ini_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <optional>

namespace talvik::platform {

namespace {

// Caps what is read, so a huge or runaway file cannot exhaust memory.
constexpr qint64 kMaxFileSize = 1 << 20;

// The file's lines: none when there is no file; nothing when it is there but cannot be read
// whole (unreadable, or larger than the cap), so that a write never replaces what it could not
// read.
std::optional<QStringList> ReadLines(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        return QStringList();
    }
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize) {
        return std::nullopt;
    }
    const QByteArray data = file.read(file.size());
    if (data.size() != file.size()) {
        return std::nullopt;
    }
    QString text = QString::fromUtf8(data);
    // Editors on other systems start the file with a byte order mark; it is no part of a line.
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    text.remove(QLatin1Char('\r'));
    return text.split(QLatin1Char('\n'));
}

bool IsSectionHeader(const QString& trimmed) {
    return trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'));
}

QString SectionName(const QString& trimmed) {
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

// The key of a "key=value" line, or an empty string for anything else.
QString KeyOf(const QString& trimmed) {
    if (trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'))) {
        return {};
    }
    const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
    return eq <= 0 ? QString() : trimmed.left(eq).trimmed();
}

}  // namespace

int IniFile::ReadInt(const QString& section, const QString& key, int fallback) const {
    const std::optional<QStringList> lines = ReadLines(path_);
    if (!lines) {
        return fallback;
    }
    bool in_section = false;
    for (const QString& line : *lines) {
        const QString trimmed = line.trimmed();
        if (IsSectionHeader(trimmed)) {
            in_section = SectionName(trimmed).compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!in_section || KeyOf(trimmed).compare(key, Qt::CaseInsensitive) != 0) {
            continue;
        }
        // Like the classic reader: leading digits count, anything after them is ignored.
        const QString value = trimmed.mid(trimmed.indexOf(QLatin1Char('=')) + 1).trimmed();
        qsizetype end = 0;
        if (end < value.size() &&
            (value[end] == QLatin1Char('-') || value[end] == QLatin1Char('+'))) {
            ++end;
        }
        while (end < value.size() && value[end].isDigit()) {
            ++end;
        }
        bool ok = false;
        const int number = value.left(end).toInt(&ok);
        return ok ? number : 0;
    }
    return fallback;
}

bool IniFile::WriteString(const QString& section, const QString& key, const QString& value) const {
    std::optional<QStringList> read = ReadLines(path_);
    if (!read) {
        return false;
    }
    QStringList lines = std::move(*read);
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) {
        lines.removeLast();
    }
    const QString entry = key + QLatin1Char('=') + value;
    qsizetype section_line = -1;
    qsizetype insert_at = -1;
    bool in_section = false;
    bool done = false;
    for (qsizetype i = 0; i < lines.size() && !done; ++i) {
        const QString trimmed = lines[i].trimmed();
        if (IsSectionHeader(trimmed)) {
            if (in_section) {
                break;
            }
            in_section = SectionName(trimmed).compare(section, Qt::CaseInsensitive) == 0;
            if (in_section) {
                section_line = i;
                insert_at = i + 1;
            }
            continue;
        }
        if (!in_section) {
            continue;
        }
        if (KeyOf(trimmed).compare(key, Qt::CaseInsensitive) == 0) {
            lines[i] = entry;
            done = true;
        } else if (!trimmed.isEmpty()) {
            insert_at = i + 1;
        }
    }
    if (!done) {
        if (section_line < 0) {
            lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
        } else {
            lines.insert(insert_at, entry);
        }
    }

    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write((lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n")).toUtf8());
    return file.commit();
}

}  // namespace talvik::platform
