#include "app/toolkit/popup_menu.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QXmlStreamReader>
#include <cstdio>

#include "app/toolkit/menu_command.h"
#include "app/toolkit/toolkit.h"
#include "app/toolkit/window.h"
#include "platform/messages.h"
#include "platform/trace.h"

namespace talvik::toolkit {

namespace {

bool IsFalse(QStringView value) {
    return value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
           value == QLatin1String("0");
}

}  // namespace

PopupMenu::PopupMenu(Window& owner) : owner_(&owner), menu_(std::make_unique<QMenu>()) {
    connect(menu_.get(), &QMenu::triggered, this, &PopupMenu::OnTriggered);
}

PopupMenu::~PopupMenu() = default;

bool PopupMenu::Load(const QString& relative) {
    menu_->clear();
    error_.clear();
    file_ = relative;
    if (!owner_) {
        return false;
    }
    const Toolkit& toolkit = owner_->toolkit();
    const QString path = toolkit.ResourcePath(relative);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("%1: %2").arg(path, file.errorString());
    } else {
        QXmlStreamReader reader(&file);
        bool root_seen = false;
        while (!reader.atEnd() && !reader.hasError()) {
            reader.readNext();
            if (!reader.isStartElement()) {
                continue;
            }
            if (!root_seen) {
                if (reader.name() != QLatin1String("menu")) {
                    reader.raiseError(QStringLiteral("root element is not <menu>"));
                    break;
                }
                root_seen = true;
                continue;
            }
            if (reader.name() == QLatin1String("separator")) {
                menu_->addSeparator();
                reader.skipCurrentElement();
                continue;
            }
            if (reader.name() != QLatin1String("item")) {
                reader.skipCurrentElement();
                continue;
            }
            const QXmlStreamAttributes attributes = reader.attributes();
            const QString name = attributes.value(QLatin1String("name")).toString();
            if (name.isEmpty()) {
                reader.raiseError(QStringLiteral("<item> without a name"));
                break;
            }
            auto* action = menu_->addAction(QString());
            action->setObjectName(name.left(MenuCommand::kMaxName));
            const QString key = attributes.value(QLatin1String("textKey")).toString();
            if (!key.isEmpty()) {
                action->setProperty(kTextKeyProperty, key);
                action->setText(toolkit.Text(key));
            } else {
                action->setText(attributes.value(QLatin1String("text")).toString());
            }
            action->setVisible(!IsFalse(attributes.value(QLatin1String("visible"))));
            action->setEnabled(!IsFalse(attributes.value(QLatin1String("enabled"))));
            reader.skipCurrentElement();
        }
        if (!reader.hasError() && !root_seen) {
            reader.raiseError(QStringLiteral("no <menu> element"));
        }
        if (reader.hasError()) {
            error_ = QStringLiteral("%1:%2: %3")
                         .arg(path)
                         .arg(reader.lineNumber())
                         .arg(reader.errorString());
        }
    }
    if (!error_.isEmpty()) {
        menu_->clear();
        platform::Trace("menu %s\n", error_.toUtf8().constData());
        return false;
    }
    return true;
}

void PopupMenu::Open(const QPoint& screen_point) {
    menu_->adjustSize();
    menu_->popup(screen_point);
    if (owner_ && owner_->toolkit().DumpGeometry()) {
        QTimer::singleShot(0, this, &PopupMenu::DumpGeometry);
    }
}

void PopupMenu::DumpGeometry() const {
    if (!menu_->isVisible()) {
        return;
    }
    const QByteArray file = file_.toUtf8();
    for (QAction* action : menu_->actions()) {
        if (!action->isVisible() || action->isSeparator()) {
            continue;
        }
        const QRect rect = menu_->actionGeometry(action);
        const QPoint origin = menu_->mapToGlobal(rect.topLeft());
        std::printf("GEOM %s %s %d %d %d %d\n", file.constData(),
                    action->objectName().toUtf8().constData(), origin.x(), origin.y(), rect.width(),
                    rect.height());
    }
    std::fflush(stdout);
}

QAction* PopupMenu::Item(const QString& name) const {
    for (QAction* action : menu_->actions()) {
        if (action->objectName() == name) {
            return action;
        }
    }
    return nullptr;
}

void PopupMenu::OnTriggered(QAction* action) {
    if (!owner_ || action == nullptr || action->isSeparator()) {
        return;
    }
    auto command = std::make_unique<MenuCommand>();
    command->name = action->objectName().left(MenuCommand::kMaxName);
    owner_->PostMenuCommand(msg::WM_MS5_MENU_CLICK, std::move(command));
}

}  // namespace talvik::toolkit
