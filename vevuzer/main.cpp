// vevuzer: fills the program folder on first start, loads the main window and runs until it closes.
//
//   vevuzer [--assign-exchange-lines] [--serial-modem DEVICE]
//
// --assign-exchange-lines gives lines 1 to 4 that were never set up the line devices the Line
// control lists (the simulated exchange's), for a run without going through the settings window.
// --serial-modem puts the program in compatibility mode on a modem at DEVICE (port 1, the caller-ID
// enable command "AT+VCID=1"), as the modem set-up would: `make run MODEM=1` uses it with the
// modem simulator.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/com/registration.h"
#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/registry/registry.h"
#include "platform/serial/serial.h"
#include "platform/ui/font_warm_up.h"
#include "platform/ui/picture_prefetch.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/control_ids.h"
#include "vevuzer/shell/exchange_lines.h"
#include "vevuzer/shell/frm_main.h"
#include "vevuzer/shell/frm_start.h"
#include "vevuzer/shell/quit_signals.h"

namespace {

bool hasOption(int argc, char* argv[], const char* option) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0)
            return true;
    }
    return false;
}

// Where the control library is in a build tree, for the message that asks to register it.
std::string controlLibraryHint(const char* program) {
    const std::filesystem::path built =
        std::filesystem::path(program).parent_path() / ".." / "lib" / "liblkLK36.so";
    std::error_code ignored;
    return std::filesystem::exists(built, ignored)
               ? std::filesystem::weakly_canonical(built, ignored).string()
               : std::string("<path of liblkLK36.so>");
}

const char* optionValue(int argc, char* argv[], const char* option) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0)
            return argv[i + 1];
    }
    return nullptr;
}

// The device keeps the port number the map gives it; a device the map does not name takes the
// lowest number the map leaves free. The lines are marked as without a modem, which ends the first
// run as the settings window's set-up would.
void useSerialModem(const std::string& device) {
    int port = 0;
    std::set<int> taken;
    for (const auto& [path, data] :
         registry::stringValues(HKEY_LOCAL_MACHINE, serial::kSerialCommKey)) {
        const int number = std::atoi(data.size() > 3 ? data.c_str() + 3 : "0");
        taken.insert(number);
        if (path == device)
            port = number;
    }
    if (port < 1) {
        port = 1;
        while (taken.count(port))
            ++port;
        registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, device,
                              "COM" + std::to_string(port));
    }
    settings::write(settings::key::comp, settings::kTrue);
    settings::write(settings::key::commport, std::to_string(port));
    settings::write(settings::key::kind, settings::kStandardModem);
    settings::write(settings::key::init, "AT+VCID=1");
    for (const std::string_view line : {settings::key::line, settings::key::line2}) {
        if (settings::read(line, settings::kNeverSaved) == settings::kNeverSaved)
            settings::write(line, settings::kNoModem);
    }
    std::printf("vevuzer: compatibility mode on the modem at %s (port %d)\n", device.c_str(), port);
}

// The serial ports as the activity log lists them at start.
std::string serialPortsText(const std::vector<std::string>& devices) {
    std::string text;
    for (const std::string& port : serial::serialPortList(devices))
        text += (text.empty() ? "" : ", ") + port;
    return "Serial ports: " + (text.empty() ? std::string("none found") : text);
}

}  // namespace

int main(int argc, char* argv[]) {
    // The main window fits its buttons' captions as it is built: the fonts load meanwhile, their
    // configuration while the application object is made, the faces while the folder is checked
    // and the controls are made.
    const ui::FontConfigLoad fontConfiguration;
    QApplication app(argc, argv);
    QApplication::setApplicationName("vevuzer");
    const ui::FontWarmUp fonts(fontConfiguration, {"Arial"});

    // Settings, logs and the call list all live in the program folder: a run that cannot write
    // there would lose every change, and a first start without a display would wait for ever on a
    // welcome box no one sees. No activity log can be written there, so standard error says it.
    std::string error;
    if (!core::programFolderWritable(&error)) {
        std::fprintf(stderr,
                     "vevuzer: the program folder cannot be written (%s); make it writable or set "
                     "BELLTALE_HOME to a folder that is\n",
                     error.c_str());
        return 2;
    }
    // The start looks at the program folder and the settings files once, as an event does: they
    // are named hundreds of times while it runs. Not across the installer's wait below, which
    // handles messages.
    std::optional<core::AppendScope> startEvent(std::in_place);
    // The Line controls' library loads on a thread of its own while the start goes on, and the
    // same thread then starts decoding the skin picture, so the main window's load finds both
    // ready; neither needs the GUI thread. Making the picture's thread while the library loads
    // would wait for that load. On a first start the skin may be copied in below only after its
    // decoding began: the window's load then reads the file itself.
    std::optional<ui::PicturePrefetch> skinPicture;
    const com::ServerPreload controlLibrary(
        vevuzer::controls::CLSID_lkLine,
        [&skinPicture, skin = settings::read(settings::shell::skin)] {
            skinPicture.emplace(skin);
        });
    // A run killed while replacing a file may have left its temporary copy; this start clears
    // them, also where it writes nothing.
    for (const char* folder : {".", "registry", "notes"})
        core::removeStaleTemporaries(core::programFolder() / folder);
    // A start, a settings window or a call writes many settings at once: each turn of the event
    // loop writes them in one go, and the last ones are written at exit.
    registry::gatherWrites(true);
    // A missing asset is reported where it is needed; the program can still start without it.
    if (!core::fillProgramFolder(&error)) {
        std::fprintf(stderr, "vevuzer: could not fill the program folder: %s\n", error.c_str());
    }
    // The serial-port map follows the machine's devices, as Windows keeps it.
    const std::vector<std::string> serialDevices = serial::machineSerialDevices();
    serial::fillSerialCommMap(serialDevices, "/dev/serial/by-id");
    if (const char* device = optionValue(argc, argv, "--serial-modem")) {
        useSerialModem(device);
    }
    vevuzer::setRestartArguments(std::vector<std::string>(argv + 1, argv + argc));
    startEvent.reset();

    // The restart program that ends a first-run installation starts the program named here; one
    // named by whoever started us is kept.
    setenv("BELLTALE_PROGRAM", QCoreApplication::applicationFilePath().toLocal8Bit().constData(),
           0);
    // A start that installs the speech components first ends here: the restart program starts the
    // program again once they are in.
    const bool showMain = vevuzer::frm_start_Load([] {
        registry::flush();
        std::fflush(nullptr);
        std::_Exit(0);
    });
    if (!showMain)
        return 0;

    startEvent.emplace();
    frm_main mainWindow;
    if (hasOption(argc, argv, "--assign-exchange-lines")) {
        for (const std::string& assigned :
             vevuzer::assignLineDevicesIfUnset(mainWindow.main().lkLine(1)))
            std::printf("vevuzer: assigned %s\n", assigned.c_str());
    }
    // Ending the program closes everything at once: nothing queued runs afterwards, and no wait
    // that was pumping messages resumes.
    mainWindow.setEndProgram([] {
        registry::flush();
        std::fflush(nullptr);
        std::_Exit(0);
    });
    closeOnQuitSignals(&mainWindow);
    mainWindow.Form_Load();
    vevuzer::log(serialPortsText(serialDevices));
    if (!mainWindow.main().controlLibraryRegistered()) {
        std::fprintf(stderr, "vevuzer: the control library is not registered: run regsvr %s\n",
                     controlLibraryHint(argv[0]).c_str());
    }
    mainWindow.show();
    startEvent.reset();
    // Said once the event loop runs, so whoever started us knows the window is up.
    core::post([] {
        std::printf("vevuzer: the main window is open; close it or press Ctrl+C to quit.\n");
        std::printf("vevuzer: the activity log is %s\n", vevuzer::logFilePath().c_str());
        std::fflush(stdout);
    });
    return app.exec();
}
