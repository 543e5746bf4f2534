// A minimal program holding the single-instance guard, for the two-process tests. Prints its role,
// then "show" for every request a later start makes; a secondary exits 1 like the real program.
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "platform/single_instance.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: single_instance_probe RUNTIME_DIR\n");
        return 2;
    }
    talvik::platform::SingleInstance guard(QStringLiteral("Talvik Gaming Mouse"),
                                           QString::fromLocal8Bit(argv[1]));
    QObject::connect(&guard, &talvik::platform::SingleInstance::ShowRequested, [] {
        std::printf("show\n");
        std::fflush(stdout);
    });
    switch (guard.Acquire()) {
        case talvik::platform::SingleInstance::Role::kPrimary:
            std::printf("primary\n");
            std::fflush(stdout);
            QTimer::singleShot(60000, &app, &QCoreApplication::quit);  // never outlive a test
            return app.exec();
        case talvik::platform::SingleInstance::Role::kSecondary:
            std::printf("secondary\n");
            return 1;
        case talvik::platform::SingleInstance::Role::kFailed:
            std::printf("failed\n");
            return 3;
    }
    return 4;
}
