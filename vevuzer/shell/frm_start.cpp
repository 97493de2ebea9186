#include "vevuzer/shell/frm_start.h"

#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/folders.h"
#include "platform/shell/launch.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/mod_clock.h"

namespace {

constexpr char kNotice[] =
    "PLEASE WAIT! Essential files are now being installed on to your computer. This should take "
    "no longer than 20 seconds.";
constexpr DWORD kTickMs = 1000;
constexpr int kBarMax = 20;
constexpr int kAgentTick = 1;
constexpr int kSpeechTick = 10;
constexpr int kRestartTick = 19;
constexpr int kInstallRuns = 2;
constexpr char kInstallerArgument[] = "/Q:A";

// Started without waiting; one that cannot start is simply not run.
std::vector<std::string>& restartArguments() {
    static std::vector<std::string> arguments;
    return arguments;
}

void startInProgramFolder(const char* program, bool installer,
                          const std::vector<std::string>& arguments = {}) {
    const std::string folder = core::programFolder().string();
    std::vector<std::string> argv{(core::programFolder() / program).string()};
    if (installer)
        argv.emplace_back(kInstallerArgument);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    shell::startDetached(argv, folder);
}

// Whether the marker file `relative` lies under the Windows folder, its name in any case.
bool markerPresent(const std::string& windir, std::string_view relative, std::string_view name) {
    const auto found = core::findFileNoCase(std::filesystem::path(windir) / relative);
    if (!found || !std::filesystem::is_regular_file(*found))
        return false;
    std::string onDisk = found->filename().string();
    std::transform(onDisk.begin(), onDisk.end(), onDisk.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return onDisk == name;
}

// `instrun` as a 16-bit whole number; any other text counts as 0.
int installRuns() {
    const std::optional<double> value = settings::number(settings::shell::instrun);
    if (!value || *value < std::numeric_limits<short>::min() ||
        *value > std::numeric_limits<short>::max()) {
        return 0;
    }
    return static_cast<int>(*value);
}

void countInstallRun(int runs) {
    settings::write(settings::key::instrun, std::to_string(runs + 1));
}

}  // namespace

frm_wait::frm_wait(std::function<void()> endProgram, QWidget* parent)
    : ui::Form(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_endProgram(std::move(endProgram)) {
    setObjectName("frm_wait");
    setCaption("Belltale");
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* label = new QLabel(QString::fromUtf8(kNotice), this);
    label->setObjectName("Label1");
    label->setWordWrap(true);
    ui::placeControl(label, 120, 120, 5760, 900);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName("bar");
    m_bar->setRange(0, kBarMax);
    ui::placeControl(m_bar, 120, 1200, 5760, 360);
    m_Timer2.setOnTimer([this] { Timer2_Timer(); });
}

frm_wait::~frm_wait() = default;

void frm_wait::Form_Load() {
    // Top left corner, above every window, shown without taking the activation.
    moveTwips(0, 0);
    setTwipsHeight(2100);
    setTwipsWidth(6075);
    m_ticks = 0;
    m_bar->setValue(0);
    show();
    m_Timer2.setInterval(kTickMs);
}

void frm_wait::Timer2_Timer() {
    if (m_ticks == kAgentTick)
        startInProgramFolder("agent.exe", true);
    if (m_ticks == kSpeechTick)
        startInProgramFolder("speech.exe", true);
    if (m_ticks >= kRestartTick) {
        m_Timer2.setInterval(0);
        moveTwips(0, 0);
        // The start after the installation is the one the user asked for: same arguments.
        startInProgramFolder("reboot.exe", false, restartArguments());
        m_endProgram();
        return;
    }
    ++m_ticks;
    m_bar->setValue(m_ticks);
}

namespace vevuzer {

void setRestartArguments(std::vector<std::string> arguments) {
    restartArguments() = std::move(arguments);
}

void startRestartProgram() {
    startInProgramFolder("reboot.exe", false);
}

bool frm_start_Load(const std::function<void()>& endProgram) {
    const std::string windir = mod_clock::GetWinDir();
    const int runs = installRuns();
    if (runs >= kInstallRuns)
        return true;
    const bool firstMissing = !markerPresent(windir, "speech/speech.hlp", "speech.hlp");
    const bool secondMissing =
        !firstMissing && !markerPresent(windir, "lhsp/tv/Tv_enua.dll", "tv_enua.dll");
    if (!firstMissing && !secondMissing)
        return true;

    // The installer window ends the program; it also closes itself, so a test's end returns here.
    frm_wait wait([&wait, &endProgram] {
        wait.hide();
        endProgram();
    });
    // The two markers count the run on either side of showing the window.
    if (firstMissing)
        countInstallRun(runs);
    wait.Form_Load();
    if (secondMissing)
        countInstallRun(runs);
    core::pumpUntil([&wait] { return !wait.isVisible(); }, std::numeric_limits<DWORD>::max());
    return false;
}

}  // namespace vevuzer
