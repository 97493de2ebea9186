// The daily update check: once a day, when online, the program asks its maker's web server for
// the newest version, offers a later one to the user once per version, and on request downloads
// the update program, starts it and ends. It is the last step of the post-call timer's tick.
// UI thread only; the transfers pump messages, so other ticks and events run meanwhile.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/inet/inet.h"

class frm_update;

namespace vevuzer {

class MainWindow;

// The web server asked for updates: $BELLTALE_UPDATE_SERVER, else the REG_SZ value "Server" of
// HKEY_LOCAL_MACHINE\Software\Belltale\Update in the program folder's registry, else the maker's
// address. No trailing "/".
std::string updateServer();
// The page from which an update can be fetched by hand.
std::string downloadPage();
inline constexpr std::string_view kVersionListPath = "/versions.txt";
inline constexpr std::string_view kUpdateProgramPath = "/updates/diverudura.exe";
// Where the downloaded update program is kept: this name in the program folder.
std::filesystem::path updateProgramPath();

// The newest version named in the version list: the text after the first "belltale" (in any
// case), its next ":", up to the following ":" or the end of the list. Nothing when the keyword
// is missing or no ":" follows it.
std::optional<std::string> offeredVersion(std::string_view list);
// Whether `offered` is later than `running`, both numbers separated by points, compared number by
// number (a missing number counts as 0). False when `offered` is not such a text.
bool isLaterVersion(std::string_view offered, std::string_view running);

class UpdateCheck {
  public:
    explicit UpdateCheck(MainWindow& window);
    ~UpdateCheck();
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // The check, as the timer's tick runs it: does nothing once it ran in this run, while offline,
    // or when the day's check was made already.
    void run();

    // The main window's transfer control; its state event sets `inetstate`.
    inet::Inet& Inet() { return m_inet; }
    // The update notice while it is loaded, else nullptr.
    frm_update* notice() const { return m_notice.get(); }

  private:
    bool checkedToday();
    void offer(const std::string& version);
    void download();
    void downloaded(const std::string& bytes);
    void downloadFailed();
    void unloadNotice();

    MainWindow& m_window;
    inet::Inet m_inet;
    std::unique_ptr<frm_update> m_notice;
};

}  // namespace vevuzer
