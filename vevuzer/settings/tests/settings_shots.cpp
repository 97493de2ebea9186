// Pictures of every page of the settings window, for a person to look at. Run on a real X display:
// settings_shots <folder>. The program folder is a fresh one under the folder; the lines list the
// simulated exchange's devices. Prints one line per picture written and exits 0 when all were.
#include <stdlib.h>

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/core/folders.h"
#include "platform/registry/registry.h"
#include "vevuzer/settings/frm_settings.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/frm_main.h"
#include "vevuzer/shell/testing/control_library.h"

namespace fs = std::filesystem;

namespace {

void settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: settings_shots <folder>\n");
        return 2;
    }
    const fs::path folder = argv[1];
    fs::create_directories(folder);
    const fs::path home = folder / "settings-home";
    fs::remove_all(home);
    fs::create_directories(home);
    setenv("BELLTALE_HOME", home.c_str(), 1);
    setenv("BELLTALE_EXCHANGE_SOCKET", "off", 1);
    QApplication app(argc, argv);
    if (vevuzer::testing::registerControlLibrary() != S_OK) {
        std::fprintf(stderr, "settings_shots: the control library could not be registered\n");
        return 1;
    }
    settings::write(settings::key::firstrun, settings::kFalse);
    settings::write(settings::key::line, "Belltale 56K Voice Modem #1");
    settings::write(settings::key::emailto, "me@example.net");
    settings::write(settings::key::smtp, "smtp.example.net");
    core::rewriteFile(home / "blocked.ini", " 01632 960999, 0800 123,\r\n");

    frm_main main;
    frm_settings& window = main.showSettings();
    QTabWidget* pages = window.findChild<QTabWidget*>("SSTab1");
    int written = 0;
    for (int page = 0; page < pages->count(); ++page) {
        window.setTab(page);
        settle();
        const QPixmap picture = window.screen()->grabWindow(window.winId());
        std::string caption = pages->tabText(page).toStdString();
        for (char& c : caption)
            c = c == ' ' ? '_' : c;
        const fs::path file =
            folder / ("settings_" + std::to_string(page) + "_" + caption + ".png");
        if (!picture.isNull() && picture.save(QString::fromStdString(file.string()), "PNG")) {
            std::printf("%s\n", file.c_str());
            ++written;
        }
    }
    std::fflush(stdout);
    std::_Exit(written == pages->count() ? 0 : 1);
}
