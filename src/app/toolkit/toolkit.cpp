#include "app/toolkit/toolkit.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QUiLoader>
#include <algorithm>

#include "app/toolkit/window.h"
#include "platform/app_paths.h"
#include "platform/trace.h"

namespace talvik::toolkit {

namespace {

// The stock loader plus the widget classes the program registered.
class LayoutLoader : public QUiLoader {
public:
    explicit LayoutLoader(const QHash<QString, Toolkit::WidgetFactory>& factories)
        : factories_(factories) {}

    QWidget* createWidget(const QString& class_name, QWidget* parent,
                          const QString& name) override {
        const auto it = factories_.constFind(class_name);
        if (it == factories_.constEnd()) {
            return QUiLoader::createWidget(class_name, parent, name);
        }
        QWidget* widget = (*it)(parent);
        if (widget != nullptr) {
            widget->setObjectName(name);
        }
        return widget;
    }

private:
    const QHash<QString, Toolkit::WidgetFactory>& factories_;
};

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

void SetControlText(QWidget* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (control->isWindow()) {
        control->setWindowTitle(text);
    } else {
        control->setProperty("text", text);
    }
}

}  // namespace

Toolkit::Toolkit(const QString& resource_dir)
    : resource_dir_(resource_dir.isEmpty()
                        ? QString::fromStdString(platform::GetAppDir()) + QStringLiteral("res/")
                        : resource_dir) {
    if (!resource_dir_.endsWith(QLatin1Char('/'))) {
        resource_dir_ += QLatin1Char('/');
    }
    dump_geometry_ = qEnvironmentVariableIntValue("TALVIK_DUMP_GEOMETRY") == 1;
}

Toolkit::~Toolkit() = default;

QString Toolkit::ResourcePath(const QString& relative) const {
    return resource_dir_ + relative;
}

void Toolkit::RegisterWidgetClass(const QString& class_name, WidgetFactory factory) {
    factories_.insert(class_name, std::move(factory));
}

std::unique_ptr<QWidget> Toolkit::LoadLayout(const QString& relative, QString* error) const {
    const QString path = ResourcePath(relative);
    QString reason;
    QFile file(path);
    std::unique_ptr<QWidget> root;
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
    } else {
        LayoutLoader loader(factories_);
        loader.setWorkingDirectory(QDir(resource_dir_));
        root.reset(loader.load(&file, nullptr));
        if (!root) {
            reason = loader.errorString();
            if (reason.isEmpty()) {
                reason = QStringLiteral("not a layout");
            }
        }
    }
    if (!root) {
        platform::Trace("layout %s: %s\n", Utf8(path).constData(), Utf8(reason).constData());
        if (error != nullptr) {
            *error = QStringLiteral("%1: %2").arg(path, reason);
        }
    }
    return root;
}

bool Toolkit::LoadLanguage(const QString& relative) {
    const QString path = ResourcePath(relative);
    if (!language_.Load(path)) {
        platform::Trace("language %s: %s\n", Utf8(path).constData(),
                        Utf8(language_.Error()).constData());
        return false;
    }
    reported_missing_.clear();
    ReloadAllTexts();
    emit languageChanged();
    return true;
}

QString Toolkit::Text(const QString& key) const {
    if (language_.Contains(key)) {
        return language_.Text(key);
    }
    if (!reported_missing_.contains(key)) {
        reported_missing_.insert(key);
        platform::Trace("no text for key %s\n", Utf8(key).constData());
    }
    return key;
}

void Toolkit::SetTextKey(QWidget* control, const QString& key) const {
    if (control == nullptr) {
        return;
    }
    control->setProperty(kTextKeyProperty, key);
    SetControlText(control, Text(key));
}

void Toolkit::ClearTextKey(QWidget* control) {
    if (control != nullptr) {
        control->setProperty(kTextKeyProperty, QVariant());
    }
}

void Toolkit::ApplyTexts(QWidget* root) const {
    if (root == nullptr) {
        return;
    }
    QList<QWidget*> controls = root->findChildren<QWidget*>();
    controls.prepend(root);
    for (QWidget* control : controls) {
        const QString key = control->property(kTextKeyProperty).toString();
        if (!key.isEmpty()) {
            SetControlText(control, Text(key));
        }
        const QString tip_key = control->property(kToolTipKeyProperty).toString();
        if (!tip_key.isEmpty()) {
            control->setToolTip(Text(tip_key));
        }
    }
}

void Toolkit::ReloadAllTexts() {
    // A copy: re-laying out may not add windows, but a slot reacting to it might.
    const std::vector<Window*> windows = windows_;
    for (Window* window : windows) {
        window->ReloadTexts();
    }
}

void Toolkit::AddWindow(Window* window) {
    if (std::find(windows_.begin(), windows_.end(), window) == windows_.end()) {
        windows_.push_back(window);
    }
}

void Toolkit::RemoveWindow(Window* window) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

void Toolkit::RetainMailbox(std::shared_ptr<Mailbox> mailbox) {
    retained_mailboxes_.push_back(std::move(mailbox));
}

}  // namespace talvik::toolkit
