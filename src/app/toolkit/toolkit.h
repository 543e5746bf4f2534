#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "app/toolkit/language_file.h"

namespace talvik::toolkit {

class Window;
class Mailbox;

// The dynamic properties that put a control into language-key mode: the control holds a text
// key and shows the key's text of the current language file, following every reload.
inline constexpr char kTextKeyProperty[] = "langKey";        // text (window title for windows)
inline constexpr char kToolTipKeyProperty[] = "langTipKey";  // tool tip

// What the windows of one program share: the resource folder the layouts, images and language
// files are read from, the current language, the custom widget classes known to the layout
// loader and the list of live windows (for reloading texts). Lives on the UI thread and must
// outlive every window made with it.
class Toolkit : public QObject {
    Q_OBJECT
public:
    using WidgetFactory = std::function<QWidget*(QWidget* parent)>;

    // resource_dir: folder holding the layouts and "lan/"; empty means "<app dir>/res/".
    explicit Toolkit(const QString& resource_dir = {});
    ~Toolkit() override;

    QString ResourceDir() const { return resource_dir_; }
    // `relative` (e.g. "lan/EN.xml") inside the resource folder.
    QString ResourcePath(const QString& relative) const;

    // Registers a widget class the layout files may name (e.g. a colour palette).
    void RegisterWidgetClass(const QString& class_name, WidgetFactory factory);

    // Builds the widget tree of a layout file. On failure returns null, traces the reason and
    // puts it into *error when given.
    std::unique_ptr<QWidget> LoadLayout(const QString& relative, QString* error = nullptr) const;

    // Loads a language file (relative to the resource folder). On success every key-mode
    // control of every window shows the new texts and languageChanged() is emitted; on failure
    // the current texts stay and the reason is traced.
    bool LoadLanguage(const QString& relative);
    // The text of `key`; a key the file lacks shows as itself (traced once per key).
    QString Text(const QString& key) const;

    // Language-key mode for one control.
    void SetTextKey(QWidget* control, const QString& key) const;
    // Leaves language-key mode; the control keeps its current text.
    static void ClearTextKey(QWidget* control);
    // Re-applies the texts of every key-mode control under `root` (root included).
    void ApplyTexts(QWidget* root) const;
    // ApplyTexts for every live window.
    void ReloadAllTexts();

    // Geometry dump for end-to-end scripts: on by TALVIK_DUMP_GEOMETRY=1 at construction.
    bool DumpGeometry() const { return dump_geometry_; }

    const std::vector<Window*>& Windows() const { return windows_; }

signals:
    // After a new language file was loaded and applied; pages rebuild composed texts here.
    void languageChanged();

private:
    friend class Window;
    void AddWindow(Window* window);
    void RemoveWindow(Window* window);
    // Keeps a mailbox handed out to a run-time library alive until the toolkit ends, so a late
    // post through a stale handle is dropped instead of touching freed memory.
    void RetainMailbox(std::shared_ptr<Mailbox> mailbox);

    QString resource_dir_;
    LanguageFile language_;
    mutable QSet<QString> reported_missing_;
    QHash<QString, WidgetFactory> factories_;
    std::vector<Window*> windows_;
    std::vector<std::shared_ptr<Mailbox>> retained_mailboxes_;
    bool dump_geometry_ = false;
};

}  // namespace talvik::toolkit
