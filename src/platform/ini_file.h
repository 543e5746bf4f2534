#pragma once

#include <QString>

namespace talvik::platform {

// An INI file read and written one key at a time, the way private-profile files work: every read
// opens the file afresh, every write rewrites it at once and keeps the other sections, keys and
// lines. Writes go to a temporary file that replaces the old one, so a crash never leaves half a
// file behind.
class IniFile {
public:
    explicit IniFile(QString path) : path_(std::move(path)) {}

    const QString& Path() const { return path_; }

    // The integer under [section] key, or `fallback` when the file, the key or a number is missing
    // or the file cannot be read whole.
    int ReadInt(const QString& section, const QString& key, int fallback) const;

    // Sets [section] key=value. False when the file cannot be written, or cannot be read whole
    // (unreadable, or larger than 1 MiB): it is never replaced by what could be read of it.
    bool WriteString(const QString& section, const QString& key, const QString& value) const;
    bool WriteInt(const QString& section, const QString& key, int value) const {
        return WriteString(section, key, QString::number(value));
    }

private:
    QString path_;
};

}  // namespace talvik::platform
