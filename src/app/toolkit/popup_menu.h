#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

class QAction;
class QMenu;

namespace talvik::toolkit {

class Window;

// A pop-up menu built from a menu layout file:
//   <menu>
//     <item name="configuration" textKey="configuration_text"/>
//     <separator/>
//     <item name="exit" textKey="exit_text" visible="true"/>
//   </menu>
// `text` may stand instead of `textKey` for a literal text. The chosen item reaches the owner
// as WM_MS5_MENU_CLICK with a MenuCommand record (menu_command.h). With the geometry dump on,
// an opened menu prints its visible items as "GEOM <menu file> <item name> x y w h".
class PopupMenu : public QObject {
    Q_OBJECT
public:
    explicit PopupMenu(Window& owner);
    ~PopupMenu() override;

    // False (traced, Error() set) when the file is missing or malformed; the menu then stays
    // empty.
    bool Load(const QString& relative);
    QString Error() const { return error_; }

    // Opens the menu with its top-left corner at `screen_point`.
    void Open(const QPoint& screen_point);

    QAction* Item(const QString& name) const;
    QMenu* Menu() const { return menu_.get(); }

private:
    void OnTriggered(QAction* action);
    void DumpGeometry() const;

    QPointer<Window> owner_;
    std::unique_ptr<QMenu> menu_;
    QString file_;
    QString error_;
};

}  // namespace talvik::toolkit
