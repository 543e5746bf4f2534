#include <QApplication>
#include <QLabel>

#include "app/theme.h"
#include "platform/app_paths.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    talvik::app::ApplyTheme(
        app, QString::fromStdString(talvik::platform::GetAppDir()) + QStringLiteral("res/"));
    QLabel label(QStringLiteral("Talvik"));
    label.show();
    return app.exec();
}
