#include "app/toolkit/window.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "app/toolkit/toolkit.h"
#include "app/toolkit/window_messages.h"
#include "platform/trace.h"

namespace talvik::toolkit {

namespace {

bool OnUiThread(const QObject* object) {
    return QThread::currentThread() == object->thread();
}

}  // namespace

Window::Window(Toolkit& toolkit) : toolkit_(toolkit), mailbox_(std::make_shared<Mailbox>(this)) {}

Window::~Window() {
    // Widgets dying below may still report focus changes: nobody is listening any more.
    dying_ = true;
    pending_.clear();
    virtual_windows_.clear();
    mailbox_->Detach();
    if (mailbox_retained_) {
        toolkit_.RetainMailbox(mailbox_);
    }
    toolkit_.RemoveWindow(this);
    if (modal_loop_ != nullptr) {
        modal_loop_->exit(0);
    }
    for (auto& [id, timer] : timers_) {
        delete timer;
    }
    delete root_.data();
}

bool Window::Create(Window* owner) {
    if (root_) {
        load_error_ = QStringLiteral("window already created");
        return false;
    }
    load_error_.clear();
    missing_.clear();
    std::unique_ptr<QWidget> root = toolkit_.LoadLayout(LayoutFile(), &load_error_);
    if (!root) {
        return false;
    }
    root_ = root.release();
    bind_resets_.clear();
    BindControls();
    if (!missing_.isEmpty()) {
        for (const auto& reset : bind_resets_) {
            reset();  // no pointer into the discarded widget tree survives
        }
        bind_resets_.clear();
        const QByteArray names = missing_.join(QStringLiteral(", ")).toUtf8();
        platform::Trace("%s: missing controls: %s\n", ClassName().toUtf8().constData(),
                        names.constData());
        load_error_ =
            QStringLiteral("missing controls: %1").arg(missing_.join(QStringLiteral(", ")));
        delete root_.data();
        root_ = nullptr;
        return false;
    }
    bind_resets_.clear();
    if (owner != nullptr && owner->Widget() != nullptr) {
        root_->setParent(owner->Widget(), Qt::Dialog);
    }
    root_->setProperty("talvikWindowClass", ClassName());
    root_->installEventFilter(this);
    Attach(root_);
    toolkit_.AddWindow(this);
    OnInit();
    return true;
}

QWidget* Window::FindControl(const QString& name) const {
    if (!root_ || name.isEmpty()) {
        return nullptr;
    }
    if (root_->objectName() == name) {
        return root_;
    }
    return root_->findChild<QWidget*>(name);
}

QWidget* Window::Resolve(const QString& name, const QMetaObject& type) {
    QWidget* control = FindControl(name);
    if (control == nullptr || type.cast(control) == nullptr) {
        if (control != nullptr) {
            platform::Trace("%s: control %s is a %s, not a %s\n", ClassName().toUtf8().constData(),
                            name.toUtf8().constData(), control->metaObject()->className(),
                            type.className());
        }
        missing_.append(name);
        return nullptr;
    }
    return control;
}

void Window::Show() {
    if (root_) {
        root_->show();
        root_->raise();
    }
}

void Window::Activate() {
    if (!root_) {
        return;
    }
    if (root_->isMinimized()) {
        root_->showNormal();
    } else {
        root_->show();
    }
    root_->raise();
    root_->activateWindow();
}

void Window::Hide() {
    if (root_) {
        root_->hide();
    }
}

int Window::ShowModal() {
    if (!root_ || modal_loop_ != nullptr) {
        return 0;
    }
    QEventLoop loop;
    modal_loop_ = &loop;
    modal_result_ = 0;
    QPointer<QWidget> root = root_;
    root->setWindowModality(Qt::ApplicationModal);
    root->show();
    root->raise();
    root->activateWindow();
    QPointer<Window> self(this);
    loop.exec(QEventLoop::DialogExec);
    if (!self) {
        return 0;
    }
    modal_loop_ = nullptr;
    if (root) {
        root->hide();
        root->setWindowModality(Qt::NonModal);
    }
    return modal_result_;
}

void Window::Close(int code) {
    if (!root_) {
        return;
    }
    modal_result_ = code;
    closing_ = true;
    root_->hide();
    closing_ = false;
    if (modal_loop_ != nullptr) {
        modal_loop_->exit(code);
    }
    emit closed(code);
}

void Window::CenterWindow() {
    if (!root_) {
        return;
    }
    QScreen* screen = root_->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    QRect frame(QPoint(0, 0), root_->frameGeometry().size());
    frame.moveCenter(screen->availableGeometry().center());
    root_->move(frame.topLeft());
}

void Window::Relayout() {
    if (!root_) {
        return;
    }
    if (QLayout* layout = root_->layout()) {
        layout->invalidate();
        layout->activate();
    }
    root_->updateGeometry();
    root_->update();
    ScheduleGeometryDump();
}

void Window::ReloadTexts() {
    toolkit_.ApplyTexts(root_);
    Relayout();
}

void Window::Post(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    mailbox_->Post(
        std::make_unique<MessageEvent>(MessageEvent::Kind::kMessage, message, wparam, lparam));
}

void Window::PostMenuCommand(uint32_t message, std::unique_ptr<MenuCommand> command) {
    auto event = std::make_unique<MessageEvent>(MessageEvent::Kind::kMessage, message,
                                                reinterpret_cast<uintptr_t>(command.get()), 0);
    event->payload = std::move(command);
    mailbox_->Post(std::move(event));
}

const MenuCommand* Window::DeliveredMenuCommand(uintptr_t wparam) const {
    if (delivering_command_ == nullptr ||
        reinterpret_cast<uintptr_t>(delivering_command_) != wparam) {
        return nullptr;
    }
    return delivering_command_;
}

void Window::SetTimer(int id, int period_ms) {
    if (OnUiThread(this)) {
        StartTimer(id, period_ms);
        return;
    }
    mailbox_->Post(std::make_unique<MessageEvent>(MessageEvent::Kind::kSetTimer,
                                                  static_cast<uint32_t>(id),
                                                  static_cast<uintptr_t>(period_ms), 0));
}

void Window::KillTimer(int id) {
    if (OnUiThread(this)) {
        StopTimer(id);
        return;
    }
    mailbox_->Post(std::make_unique<MessageEvent>(MessageEvent::Kind::kKillTimer,
                                                  static_cast<uint32_t>(id), 0, 0));
}

bool Window::HasTimer(int id) const {
    return timers_.count(id) != 0;
}

void Window::StartTimer(int id, int period_ms) {
    QTimer*& timer = timers_[id];
    if (timer == nullptr) {
        timer = new QTimer();
        // A coarse timer may fire 5 % early: a 500 ms delay would end at 475 ms.
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }
    timer->start(std::max(0, period_ms));
}

void Window::StopTimer(int id) {
    const auto it = timers_.find(id);
    if (it == timers_.end()) {
        return;
    }
    // deleteLater: KillTimer is often called from inside OnTimer of the same timer.
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

TalvikWindowHandle* Window::Handle() {
    mailbox_retained_ = true;
    return mailbox_->Handle();
}

void Window::customEvent(QEvent* event) {
    mailbox_->Received();
    if (event->type() != MessageEvent::EventType()) {
        QObject::customEvent(event);
        return;
    }
    auto* message = static_cast<MessageEvent*>(event);
    switch (message->kind) {
        case MessageEvent::Kind::kMessage: {
            const MenuCommand* outer = delivering_command_;
            delivering_command_ = message->payload.get();
            HandleCustomMessage(message->message, message->wparam, message->lparam);
            delivering_command_ = outer;
            break;
        }
        case MessageEvent::Kind::kSetTimer:
            StartTimer(static_cast<int>(message->message), static_cast<int>(message->wparam));
            break;
        case MessageEvent::Kind::kKillTimer:
            StopTimer(static_cast<int>(message->message));
            break;
    }
}

void Window::ScheduleGeometryDump() {
    if (!toolkit_.DumpGeometry() || dump_pending_ || !root_) {
        return;
    }
    dump_pending_ = true;
    QTimer::singleShot(0, this, [this] {
        dump_pending_ = false;
        DumpGeometry();
    });
}

void Window::DumpGeometry() {
    if (!root_ || !root_->isVisible()) {
        return;
    }
    const QByteArray window_class = ClassName().toUtf8();
    QList<QWidget*> controls = root_->findChildren<QWidget*>();
    controls.prepend(root_);
    for (QWidget* control : controls) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || !control->isVisible()) {
            continue;
        }
        const QPoint origin = control->mapToGlobal(QPoint(0, 0));
        std::printf("GEOM %s %s %d %d %d %d\n", window_class.constData(), name.toUtf8().constData(),
                    origin.x(), origin.y(), control->width(), control->height());
    }
    std::fflush(stdout);
}

}  // namespace talvik::toolkit
