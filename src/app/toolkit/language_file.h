#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace talvik::toolkit {

// One language file: text keys mapped to texts. The format is
//   <language name="English"><text key="mouse_name_text">Talvik Gaming Mouse</text>...</language>
// Only Qt Core is needed, so tools without widgets can name keys too.
class LanguageFile {
public:
    // Replaces the current texts with those of `path`. On failure the current texts stay and
    // `error()` says what was wrong.
    bool Load(const QString& path);
    // Parses `xml` (the file's content); `origin` names it in error messages.
    bool LoadFromData(const QByteArray& xml, const QString& origin);

    // The text of `key`; an unknown key yields an empty string.
    QString Text(const QString& key) const { return texts_.value(key); }
    bool Contains(const QString& key) const { return texts_.contains(key); }
    QStringList Keys() const { return texts_.keys(); }
    QString Error() const { return error_; }

private:
    QHash<QString, QString> texts_;
    QString error_;
};

}  // namespace talvik::toolkit
