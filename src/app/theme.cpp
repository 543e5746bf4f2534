#include "app/theme.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QStyleFactory>

#include "platform/trace.h"

namespace talvik::app {

namespace {

constexpr char kSkinsPrefix[] = "skins";

}  // namespace

QPalette ThemePalette() {
    const QColor window(0x12, 0x15, 0x1c);
    const QColor surface(0x23, 0x2a, 0x36);
    const QColor text(0xe6, 0xe9, 0xef);
    const QColor muted(0x8b, 0x93, 0xa5);
    const QColor disabled(0x5b, 0x63, 0x75);
    const QColor accent(0x14, 0xb8, 0xa6);
    const QColor ink(0x0b, 0x12, 0x16);

    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(0x15, 0x1a, 0x22));
    palette.setColor(QPalette::AlternateBase, QColor(0x1a, 0x1f, 0x29));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::PlaceholderText, muted);
    palette.setColor(QPalette::Button, surface);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xf8, 0x71, 0x71));
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, ink);
    palette.setColor(QPalette::ToolTipBase, surface);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Link, QColor(0x5e, 0xea, 0xd4));
    palette.setColor(QPalette::Light, QColor(0x3a, 0x44, 0x56));
    palette.setColor(QPalette::Midlight, QColor(0x2e, 0x36, 0x45));
    palette.setColor(QPalette::Mid, QColor(0x25, 0x2c, 0x38));
    palette.setColor(QPalette::Dark, QColor(0x0e, 0x11, 0x16));
    palette.setColor(QPalette::Shadow, QColor(0x05, 0x06, 0x08));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, disabled);
    }
    return palette;
}

bool ApplyTheme(QApplication& app, const QString& resource_dir) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
    QApplication::setPalette(ThemePalette());

    QString dir = resource_dir;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/'))) {
        dir += QLatin1Char('/');
    }
    // The sheet names its images by prefix, so it does not depend on the working folder.
    QDir::setSearchPaths(QLatin1String(kSkinsPrefix), {dir + QStringLiteral("skins")});

    const QString path = dir + QStringLiteral("theme.qss");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        platform::Trace("theme %s: %s\n", path.toUtf8().constData(),
                        file.errorString().toUtf8().constData());
        return false;
    }
    app.setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}

}  // namespace talvik::app
