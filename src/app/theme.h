#pragma once

#include <QPalette>
#include <QString>

class QApplication;

namespace talvik::app {

// The program's dark palette: window backgrounds, texts and selections of every widget the
// style sheet does not style itself.
QPalette ThemePalette();

// Gives the program its look: the Fusion style (which honours palettes), ThemePalette() and
// the style sheet "theme.qss" of `resource_dir`, whose images are named "skins:<file>" and
// found in "<resource_dir>skins/". A missing or unreadable sheet is traced and the program
// goes on with the palette alone (returns false).
bool ApplyTheme(QApplication& app, const QString& resource_dir);

}  // namespace talvik::app
