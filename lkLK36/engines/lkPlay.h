// The Play control's engine: plays one wave file, or a comma-separated list of files in one
// format back to back, on a wave-output device. All files are read into one block handed to the
// device as one buffer; looping hands the same buffer over again. It keeps the device's volume,
// reports the position, ticks a timer while playing and can make its caller wait for the end.
// Everything runs on the UI thread, driven by the device's messages to the engine's own window.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKShare.h"
#include "lkLK36/engines/lkWaveFormat.h"
#include "platform/core/messages.h"
#include "platform/winmm/mmsystem.h"

class TlkPlayInternal;

class TlkWavePlayDevice : public TlkSharedDevice {
  public:
    using TlkSharedDevice::TlkSharedDevice;

    bool Loop = false;
    bool Pause = false;
    bool Wait = false;
    LONG Delay = 0;  // ms the device stays open after the end
};

struct TlkPlaySource {
    std::string FileName;  // one file or a comma-separated list
    LONG MaxSize = 0;      // kilobytes; 0 = no limit
    bool Valid = false;
    TlkFormat Format;  // read-only: filled from the loaded files
};

struct TlkPlayPopup {
    bool OnTimer = false;
    bool OnWarning = false;
    bool OnError = false;
    bool OnDone = false;
    bool OnLoop = false;
    bool OnLoaded = false;
};

struct TlkPlayTimer {
    bool Enabled = true;
    DWORD Interval = 100;  // ms
};

struct TlkPlayVolume {
    bool Enabled = true;
    bool Default = true;     // take the device's volume at the start instead of Position
    bool Reset = true;       // give the device its volume back at the end
    LONG Position = 50;      // percent
    DWORD SystemVolume = 0;  // the device's volume found at the start, both channels
};

// The file list of a FileName: items split at commas, left blanks and (so that a list stays the
// same list on a system whose paths may end in blanks) right blanks trimmed; ".wav" added to an
// item without extension; an item without folder takes the first item's folder.
std::vector<std::string> PlayFileItems(const std::string& fileName);

class TlkPlayInternal : public TlkSharedControl {
  public:
    TlkPlayInternal();
    ~TlkPlayInternal() override;

    // ---- published properties ----
    void SetDeviceActive(bool value);
    void SetDevicePause(bool value);
    void SetDeviceID(LONG value);
    void SetDeviceName(const std::string& value);
    void SetDeviceDelay(LONG value);
    void SetDeviceLoop(bool value);
    void SetDeviceWait(bool value);
    // Rebuilt from the devices' capabilities on each read.
    const TlkStringList& DeviceList();
    void SetSourceFileName(const std::string& value);
    void SetSourceMaxSize(LONG value);
    void SetTimerEnabled(bool value);
    void SetTimerInterval(DWORD value);
    void SetVolumeEnabled(bool value);
    void SetVolumeDefault(bool value);
    void SetVolumeReset(bool value);
    void SetVolumePosition(LONG value);
    // The position in the data; all 0 while not playing.
    LONG PositionByte();
    LONG PositionPercent();
    double PositionSecond();

    // The reporter: an error (result True only for code 0), or a warning that answers whether to
    // go on.
    using TlkSharedControl::FillErrorStrings;
    bool FillErrorStrings(bool warning, LONG code);

    bool deviceActive() const override { return Device.Active; }
    // The monitor opens on its log after an error or with a readable list (there is something to
    // watch), else on the Source page, where a list is chosen.
    bool vantageOpensOnLogPage() const override { return Error().Number() != 0 || Source.Valid; }

    TlkWavePlayDevice Device{this};
    TlkPlaySource Source;
    TlkPlayPopup Popup;
    TlkPlayTimer Timer;
    TlkPlayVolume Volume;

    using Event = std::function<void(TlkPlayInternal&)>;
    Event OnDone, OnLoaded, OnLoop, OnTimer;
    std::function<void(TlkPlayInternal&, bool& Continue)> OnWarning;

    // Seams for tests and the monitor window: whether the device is open and the data loaded.
    bool deviceOpen() const { return m_handle != nullptr; }
    bool dataLoaded() const { return m_header != nullptr; }

  protected:
    bool popupOnError() const override { return Popup.OnError; }

  private:
    // One wave file opened at its data, with the format block of its "fmt " chunk.
    struct WaveFile {
        HMMIO file = nullptr;
        DWORD dataSize = 0;
        std::vector<char> format;  // at least 18 bytes
        ~WaveFile();
    };
    LONG ReadWaveFile(const std::string& name, WaveFile& wave);
    void LoadFileList(const std::string& value, bool silent);
    bool StartPlay(bool wait);
    bool ResumePlay();
    bool LoadData();
    bool OpenAndPlay(bool wait);
    bool FailStart(LONG code);
    bool StopPlay();
    void FinishPlay(bool notify);
    LRESULT WaveOutWndProc(UINT message, WPARAM wParam, LPARAM lParam);
    void TimerTick();
    bool continueAfterWarning(LONG code);
    void applyVolumePosition();
    void restoreSystemVolume(const char* text, const char* end = "]");
    void followTimer();
    void closeDevice();
    void freeData();
    void destroyWindow();
    void refreshViews();
    void logPosition(const char* indent);
    PlayVantageObserver& view() { return Vantage().observer<PlayVantageObserver>(); }

    std::unique_ptr<core::MessageWindow> m_window;
    HWAVEOUT m_handle = nullptr;
    std::vector<char> m_data;  // every file's data, in list order
    std::unique_ptr<WAVEHDR> m_header;
    std::vector<char> m_format;  // the first file's format block until the device opens
    TlkFormatNumbers m_formatNumbers;
    core::Timer m_timer;
    bool m_loadedWaiting = false;  // loaded while paused: the device opens when Pause clears
    bool m_doneWanted = false;
    bool m_stopping = false;
    bool m_closed = true;
};
