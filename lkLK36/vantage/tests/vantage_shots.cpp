// Pictures of the monitor windows for a person to look at: the Line window with a call in
// progress, one per page and one per tree; the Phone window with its handset lifted, the Play
// window half way through a tone and the Record window recording it, one per page. Run on a real X
// display: vantage_shots <folder>. Prints one line per picture written and exits 0 when all were
// written.
#include <stdlib.h>

#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <QTreeWidget>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/lkPhone.h"
#include "lkLK36/engines/lkPlay.h"
#include "lkLK36/engines/lkRecord.h"
#include "lkLK36/vantage/lkLineVT.h"
#include "lkLK36/vantage/lkPhoneVT.h"
#include "lkLK36/vantage/lkPlayVT.h"
#include "lkLK36/vantage/lkRecordVT.h"
#include "lkLK36/vantage/vantage_windows.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/registry.h"
#include "platform/tapi/exchange.h"
#include "platform/winmm/wave_devices.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Lets the window system paint what changed.
void settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

bool shoot(QWidget* window, const fs::path& file) {
    settle();
    QScreen* screen = window->screen();
    const QPixmap picture = screen->grabWindow(window->winId());
    if (picture.isNull() || !picture.save(QString::fromStdString(file.string()), "PNG"))
        return false;
    std::printf("%s\n", file.c_str());
    return true;
}

void expandAll(QTreeWidget* tree) {
    tree->expandAll();
}

int shootLineWindow(const fs::path& folder) {
    int failures = 0;
    core::VirtualTime time;
    tapi::exchange().reset();
    setLkLibraryReady(true);
    installVantageWindows();
    auto line = std::make_unique<TlkLineInternal>();
    line->Vantage().SetDevEnv(deDelphi);
    line->SetDeviceActive(true);

    // A call in progress: offered with caller ID, answered, the transfer's primary call set.
    tapi::IncomingCall caller;
    caller.number = "01632960123";
    caller.name = "ANN SMITH";
    tapi::exchange().ring(0, caller);
    time.advance(1600ms);
    line->Call.Answer();
    time.advance(100ms);
    line->SetTransferPrimaryCall(line->Call.Handle);
    line->SetConferencePrimaryCall(line->Call.Handle);

    line->Vantage().SetWidth(760);
    line->Vantage().SetHeight(560);
    line->Vantage().SetVisible(true);
    auto* window = dynamic_cast<TlkLineVantage*>(line->Vantage().form());
    if (!window)
        return 1;
    window->move(20, 20);
    auto* pages = window->component<QTabWidget>("PageControl1");

    // The frame: the Log page with its settings row shown.
    window->component<QMenu>("MenuLog")->aboutToShow();
    window->component<QAction>("MenuLogCount")->trigger();
    failures += shoot(window, folder / "line_monitor_frame.png") ? 0 : 1;

    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        const std::string name = pages->widget(i)->objectName().toStdString();
        failures += shoot(window, folder / ("line_monitor_" + name + ".png")) ? 0 : 1;
    }
    // The trees, expanded, each on its own page.
    struct Tree {
        const char* page;
        const char* subPages;
        const char* subPage;
        const char* tree;
    };
    static constexpr Tree trees[] = {
        {"TabSheetCall", "PageControlCall", "TabSheetCallProperties", "TreeViewCallDetails"},
        {"TabSheetCall", "PageControlCall", "TabSheetCallCallerID", nullptr},
        {"TabSheetAddress", "PageControlAddress", "TabSheetAddressCaps", "TreeViewAddressCaps"},
        {"TabSheetAddress", "PageControlAddress", "TabSheetAddressProperties",
         "TreeViewAddressProperties"},
        {"TabSheetInfo", nullptr, nullptr, "TreeViewInfo"},
        {"TabSheetTerminal", nullptr, nullptr, "TreeViewTerminal"},
    };
    for (const Tree& t : trees) {
        pages->setCurrentWidget(window->component(t.page));
        if (t.subPages) {
            window->component<QTabWidget>(t.subPages)
                ->setCurrentWidget(window->component(t.subPage));
        }
        std::string name = t.tree ? t.tree : t.subPage;
        if (t.tree)
            expandAll(window->component<QTreeWidget>(t.tree));
        failures += shoot(window, folder / ("line_monitor_" + name + ".png")) ? 0 : 1;
    }
    line.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    removeVantageWindows();
    setLkLibraryReady(false);
    tapi::exchange().reset();
    return failures;
}

// Every page of a window, the trees expanded.
int shootPages(QWidget* window, QTabWidget* pages, const fs::path& folder,
               const std::string& prefix) {
    int failures = 0;
    for (QTreeWidget* tree : window->findChildren<QTreeWidget*>())
        expandAll(tree);
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        const std::string name = pages->widget(i)->objectName().toStdString();
        failures += shoot(window, folder / (prefix + name + ".png")) ? 0 : 1;
    }
    return failures;
}

int shootPhoneWindow(const fs::path& folder) {
    core::VirtualTime time;
    tapi::exchange().reset();
    setLkLibraryReady(true);
    installVantageWindows();
    auto phone = std::make_unique<TlkPhoneInternal>();
    phone->Vantage().SetDevEnv(deDelphi);
    phone->SetDeviceActive(true);
    // The user lifts the handset and turns its volume up; the speakerphone is switched on.
    tapi::exchange().setHookSwitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MICSPEAKER);
    tapi::exchange().setPhoneVolume(0, PHONEHOOKSWITCHDEV_HANDSET, 0xC000);
    time.runUntilIdle();
    phone->Speakerphone.SetSpeakerOnly(true);

    phone->Vantage().SetWidth(640);
    phone->Vantage().SetHeight(480);
    phone->Vantage().SetVisible(true);
    auto* window = dynamic_cast<TlkPhoneVantage*>(phone->Vantage().form());
    if (!window)
        return 1;
    window->move(20, 20);
    const int failures =
        shootPages(window, window->component<QTabWidget>("PageControl1"), folder, "phone_monitor_");
    phone.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    removeVantageWindows();
    setLkLibraryReady(false);
    tapi::exchange().reset();
    return failures;
}

// A second of a 440 Hz tone, 8 kHz 16-bit mono, as a plain wave file.
bool writeTone(const fs::path& file) {
    const std::uint32_t rate = 8000, samples = rate, bytes = samples * 2;
    std::string image = "RIFF";
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            image.push_back(static_cast<char>(value >> (8 * i)));
    };
    put(36 + bytes, 4);
    image += "WAVEfmt ";
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);
    put(rate, 4);
    put(rate * 2, 4);
    put(2, 2);
    put(16, 2);
    image += "data";
    put(bytes, 4);
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double phase = 2 * 3.14159265358979 * 440 * i / rate;
        put(static_cast<std::uint16_t>(static_cast<std::int16_t>(8000 * std::sin(phase))), 2);
    }
    std::ofstream out(file, std::ios::binary);
    out << image;
    return static_cast<bool>(out);
}

int shootPlayWindow(const fs::path& folder, const fs::path& scratch) {
    core::VirtualTime time;
    const fs::path tone = scratch / "tone.wav";
    if (!writeTone(tone))
        return 1;
    winmm::configureStandardWaveDevices("file-out=" + (scratch / "played.wav").string() + ",null");
    setLkLibraryReady(true);
    installVantageWindows();
    auto play = std::make_unique<TlkPlayInternal>();
    play->Vantage().SetDevEnv(deDelphi);
    play->SetSourceFileName(tone.string());
    play->SetVolumePosition(60);

    play->Vantage().SetWidth(640);
    play->Vantage().SetHeight(480);
    play->Vantage().SetVisible(true);
    auto* window = dynamic_cast<TlkPlayVantage*>(play->Vantage().form());
    if (!window)
        return 1;
    window->move(20, 20);
    // Half way through the tone.
    play->SetDeviceActive(true);
    time.advance(500ms);
    const int failures =
        shootPages(window, window->component<QTabWidget>("PageControl1"), folder, "play_monitor_");
    play.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    removeVantageWindows();
    setLkLibraryReady(false);
    winmm::configureStandardWaveDevices("null");
    return failures;
}

// The id of the wave-in device of that name, or -1.
LONG inputNamed(const std::string& name) {
    for (UINT id = 0; id < waveInGetNumDevs(); ++id) {
        WAVEINCAPSA caps{};
        if (waveInGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR && caps.szPname == name)
            return static_cast<LONG>(id);
    }
    return -1;
}

int shootRecordWindow(const fs::path& folder, const fs::path& scratch) {
    core::VirtualTime time;
    const fs::path tone = scratch / "heard.wav";
    if (!writeTone(tone))
        return 1;
    winmm::configureStandardWaveDevices("file-in=" + tone.string() + ",null");
    setLkLibraryReady(true);
    installVantageWindows();
    auto record = std::make_unique<TlkRecordInternal>();
    record->Vantage().SetDevEnv(deDelphi);
    record->SetDeviceID(inputNamed("File Input heard.wav"));
    record->Source.Format.SetID(wfPCM08000M16);
    record->SetSourceFileName((scratch / "recorded.wav").string());

    record->Vantage().SetWidth(640);
    record->Vantage().SetHeight(480);
    record->Vantage().SetVisible(true);
    auto* window = dynamic_cast<TlkRecordVantage*>(record->Vantage().form());
    if (!window)
        return 1;
    window->move(20, 20);
    // A recording of the tone, its first second's buffer in.
    record->SetDeviceActive(true);
    time.advance(1500ms);
    const int failures = shootPages(window, window->component<QTabWidget>("PageControl1"), folder,
                                    "record_monitor_");
    record->SetDeviceActive(false);
    record.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    removeVantageWindows();
    setLkLibraryReady(false);
    winmm::configureStandardWaveDevices("null");
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vantage_shots <folder>\n");
        return 2;
    }
    const fs::path folder = argv[1];
    fs::create_directories(folder);
    std::string home = (fs::temp_directory_path() / "vantage-shots-XXXXXX").string();
    if (!mkdtemp(home.data()))
        return 1;
    setenv("BELLTALE_HOME", home.c_str(), 1);
    registry::dropCache();

    QApplication app(argc, argv);
    int failures = shootLineWindow(folder);
    failures += shootPhoneWindow(folder);
    failures += shootPlayWindow(folder, home);
    failures += shootRecordWindow(folder, home);
    std::error_code ignored;
    fs::remove_all(home, ignored);
    return failures == 0 ? 0 : 1;
}
