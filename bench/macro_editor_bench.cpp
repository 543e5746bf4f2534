// The macro editor with 100 macros of 190 actions each, on the offscreen platform: opening the
// window, showing a 190-action macro for the first time (rows built), showing another one (every
// row rewritten) and one edit (move up: commit and two rows rewritten), with the program's style
// sheet. Each step includes the layout and paint that follow it. Prints the median and the worst of
// the runs in ms.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/theme.h"
#include "app/toolkit/toolkit.h"
#include "macro/record_name.h"
#include "page/macro_editor_window.h"

namespace {

using talvik::macro::MacroInfo;

class Texts : public talvik::macro::TextLookup {
public:
    std::string Text(std::string_view) const override { return "Macro"; }
};

class NoDialogs : public talvik::page::MacroEditorDialogs {
public:
    bool Confirm(std::string_view) override { return false; }
    void Warn(std::string_view) override {}
    std::optional<std::filesystem::path> ChooseMacroToImport(
        const std::filesystem::path&) override {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> ChooseMacroExport(const std::filesystem::path&) override {
        return std::nullopt;
    }
};

void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %7.2f ms   worst %7.2f ms   (%zu runs)\n", what, ms[ms.size() / 2],
                ms.back(), ms.size());
}

void ClickRow(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    talvik::app::ApplyTheme(app, QStringLiteral(TALVIK_SOURCE_DIR "/res/"));
    QTemporaryDir dir;
    Texts texts;
    talvik::toolkit::Toolkit toolkit(QStringLiteral(TALVIK_SOURCE_DIR "/res/"));
    toolkit.LoadLanguage(QStringLiteral("lan/EN.xml"));
    talvik::macro::MacroList macros;
    for (int m = 0; m < 100; ++m) {
        auto record = std::make_unique<MacroInfo>();
        talvik::macro::WriteName(record->name, u"Macro" + std::u16string(1, u'A' + m % 26) +
                                                   std::u16string(1, u'A' + m / 26));
        for (int a = 0; a < 190; ++a) {
            record->actions[a].code = static_cast<std::uint8_t>(0x04 + (a + m) % 40);
            record->actions[a].kind = static_cast<std::uint8_t>(1 + a % 2);
            record->actions[a].delay = static_cast<std::uint16_t>(1 + a);
        }
        record->action_count = 190;
        macros.push_back(std::move(record));
    }
    talvik::macro::MacroStore store(dir.path().toStdString(), texts);
    NoDialogs dialogs;

    std::vector<double> open, first, other, edit;
    QElapsedTimer timer;
    for (int run = 0; run < 15; ++run) {
        talvik::page::MacroEditorWindow::Context context;
        context.macros = &macros;
        context.store = &store;
        context.dialogs = &dialogs;
        timer.start();
        talvik::page::MacroEditorWindow window(toolkit, context);
        if (!window.Create()) {
            std::fprintf(stderr, "layout: %s\n", qPrintable(window.LoadError()));
            return 1;
        }
        window.Show();
        Settle();
        open.push_back(timer.nsecsElapsed() / 1e6);

        auto* list = window.Find<QListWidget>(QStringLiteral("ms_5_macro_list"));
        timer.start();
        ClickRow(list, run % 2);
        Settle();
        first.push_back(timer.nsecsElapsed() / 1e6);

        timer.start();
        ClickRow(list, 1 - run % 2);
        Settle();
        other.push_back(timer.nsecsElapsed() / 1e6);

        auto* up = window.Find<QPushButton>(QStringLiteral("ms_5_macro_up_btn"));
        timer.start();
        QTest::mouseClick(up, Qt::LeftButton);
        Settle();
        edit.push_back(timer.nsecsElapsed() / 1e6);
        store.WaitForSaves();
    }
    Report("open with 100 macros of 190 actions", open);
    Report("show a 190-action macro (rows built)", first);
    Report("show another one (every row rewritten)", other);
    Report("move an action up (commit, two rows)", edit);
    return 0;
}
