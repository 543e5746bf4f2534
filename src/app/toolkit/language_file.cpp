#include "app/toolkit/language_file.h"

#include <QFile>
#include <QXmlStreamReader>

namespace talvik::toolkit {

bool LanguageFile::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return LoadFromData(file.readAll(), path);
}

bool LanguageFile::LoadFromData(const QByteArray& xml, const QString& origin) {
    QXmlStreamReader reader(xml);
    QHash<QString, QString> texts;
    bool root_seen = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement()) {
            continue;
        }
        if (!root_seen) {
            if (reader.name() != QLatin1String("language")) {
                reader.raiseError(QStringLiteral("root element is not <language>"));
                break;
            }
            root_seen = true;
            continue;
        }
        if (reader.name() != QLatin1String("text")) {
            reader.skipCurrentElement();
            continue;
        }
        const QString key = reader.attributes().value(QLatin1String("key")).toString();
        const QString text = reader.readElementText();
        if (key.isEmpty()) {
            reader.raiseError(QStringLiteral("<text> without a key"));
            break;
        }
        texts.insert(key, text);
    }
    if (!reader.hasError() && !root_seen) {
        reader.raiseError(QStringLiteral("no <language> element"));
    }
    if (reader.hasError()) {
        error_ = QStringLiteral("%1:%2: %3")
                     .arg(origin)
                     .arg(reader.lineNumber())
                     .arg(reader.errorString());
        return false;
    }
    texts_ = std::move(texts);
    error_.clear();
    return true;
}

}  // namespace talvik::toolkit
