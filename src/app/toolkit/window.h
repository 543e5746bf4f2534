#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "app/toolkit/notification.h"
#include "platform/messages.h"

class QAbstractButton;
class QAbstractItemView;
class QAbstractSlider;
class QComboBox;
class QEventLoop;
class QLineEdit;
class QTimer;

namespace talvik::toolkit {

class Toolkit;
class Mailbox;
struct MenuCommand;

// A window built from a layout file. Subclasses name their class and layout, bind the controls
// they need, and receive notifications, custom messages and timers. The object lives on the UI
// thread; Post, SetTimer and KillTimer may be called from any thread while the window exists;
// a thread that may outlive it posts through Handle() instead.
class Window : public QObject, public platform::MessageTarget {
    Q_OBJECT
public:
    explicit Window(Toolkit& toolkit);
    // Subclasses owning a virtual window's page unregister it before the page dies.
    ~Window() override;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    virtual QString ClassName() const = 0;
    // Relative to the toolkit's resource folder, e.g. "main.xml".
    virtual QString LayoutFile() const = 0;

    // Loads the layout, resolves the controls bound in BindControls(), wires the notifications,
    // shows the language texts and calls OnInit(). Returns false, without calling OnInit(),
    // when the layout cannot be loaded (LoadError()) or a bound control is missing or of the
    // wrong class (MissingControls()). A dialog passes its owner; it then stays above it.
    bool Create(Window* owner = nullptr);
    QString LoadError() const { return load_error_; }
    QStringList MissingControls() const { return missing_; }

    Toolkit& toolkit() const { return toolkit_; }
    QWidget* Widget() const { return root_; }

    // The control of that name (the root included), or null when absent or of another class.
    template <class T = QWidget>
    T* Find(const QString& name) const {
        return qobject_cast<T*>(FindControl(name));
    }

    void Show();
    void Hide();
    // Shows the window, restores it when minimised and brings it to the front.
    void Activate();
    // Shows the window modal to the whole program and returns the code given to Close();
    // any other way of closing it (window manager, Escape in a dialog) returns 0.
    int ShowModal();
    // Hides the window; ends ShowModal() with `code`.
    void Close(int code = 0);
    void CenterWindow();
    // Re-lays the window out after texts changed (and dumps its geometry when asked to).
    void Relayout();
    // Shows the current language's texts in this window's key-mode controls.
    void ReloadTexts();

    // Queued; handled one at a time on the UI thread in posting order by HandleCustomMessage.
    void Post(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
    // Window timers by id: OnTimer(id) every period_ms until killed. Setting a running id
    // restarts it with the new period. Called off the UI thread, the request is queued behind
    // the messages posted before it.
    void SetTimer(int id, int period_ms) override;
    void KillTimer(int id) override;
    bool HasTimer(int id) const;
    // The menu record of the WM_MS5_MENU_CLICK message being handled, when `wparam` names it;
    // null for any other value, so a message posted with a made-up wparam is never trusted.
    const MenuCommand* DeliveredMenuCommand(uintptr_t wparam) const;
    // For the run-time libraries: posts through it reach Post(). Valid while the toolkit
    // lives; posts after this window is gone are dropped.
    TalvikWindowHandle* Handle();

    // Notifications of the controls inside `container` go to `table` instead of Notify(),
    // carrying `name` as their virtual window.
    void RegisterVirtualWindow(const QString& name, QWidget* container, NotifyTable table);
    void UnregisterVirtualWindow(const QString& name);

    // Programmatic changes raise nothing. This selects or deselects an option (also one of an
    // exclusive group), raising "selectchanged" only when asked and the state changed.
    void SetOptionSelected(QAbstractButton* option, bool selected, bool notify);

    // Wires controls added after Create() (e.g. list rows) and shows their language texts.
    void Attach(QWidget* subtree);
    // A sub-control of a row added after Create().
    template <class T = QWidget>
    static T* FindIn(QWidget* row, const QString& name) {
        if (row == nullptr) {
            return nullptr;
        }
        if (row->objectName() == name) {
            return qobject_cast<T*>(row);
        }
        return row->findChild<T*>(name);
    }

signals:
    // The window was closed: by Close(code) or by the user (code 0).
    void closed(int code);

protected:
    // Called by Create() before OnInit(); bind controls with Bind() / Require() here.
    virtual void BindControls() {}
    template <class T>
    void Bind(T*& slot, const QString& name) {
        slot = qobject_cast<T*>(Resolve(name, T::staticMetaObject));
        bind_resets_.push_back([&slot] { slot = nullptr; });
    }
    void Require(const QString& name) { Resolve(name, QWidget::staticMetaObject); }

    virtual void OnInit() {}
    virtual void Notify(const Notification& notification) { (void)notification; }
    // Returns true when the message was handled.
    virtual bool HandleCustomMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
        (void)message, (void)wparam, (void)lparam;
        return false;
    }
    virtual void OnTimer(int id) { (void)id; }

    void customEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class PopupMenu;
    friend class ColorRelay;

    QWidget* FindControl(const QString& name) const;
    QWidget* Resolve(const QString& name, const QMetaObject& type);
    void Wire(QWidget* control);
    void WireButton(QAbstractButton* button);
    void WireCombo(QComboBox* combo);
    void WireSlider(QAbstractSlider* slider);
    void WireEdit(QLineEdit* edit);
    void WireItemView(QAbstractItemView* view);
    void WireColorSignals(QWidget* control);
    bool RedispatchUserInput(QObject* watched, QEvent* event, QAbstractItemView* view);

    void Raise(NotifyType type, QWidget* sender, intptr_t wparam = 0, intptr_t lparam = 0);
    void Deliver(const Notification& notification);
    QString VirtualWindowOf(QWidget* control) const;

    void PostMenuCommand(uint32_t message, std::unique_ptr<MenuCommand> command);
    void StartTimer(int id, int period_ms);
    void StopTimer(int id);
    void ScheduleGeometryDump();
    void DumpGeometry();

    struct VirtualWindow {
        QPointer<QWidget> container;
        NotifyTable table;
    };

    Toolkit& toolkit_;
    QPointer<QWidget> root_;
    std::vector<std::function<void()>> bind_resets_;
    bool dying_ = false;
    QString load_error_;
    QStringList missing_;
    std::shared_ptr<Mailbox> mailbox_;
    bool mailbox_retained_ = false;
    std::map<int, QTimer*> timers_;
    std::map<QString, VirtualWindow> virtual_windows_;
    std::deque<Notification> pending_;
    bool delivering_ = false;
    QEventLoop* modal_loop_ = nullptr;
    const MenuCommand* delivering_command_ = nullptr;
    int modal_result_ = 0;
    bool closing_ = false;
    bool dump_pending_ = false;
    QObject* user_input_view_ = nullptr;
    QObject* redispatching_ = nullptr;
};

}  // namespace talvik::toolkit
