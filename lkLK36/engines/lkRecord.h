// The Record control's engine: records a wave-input device into a chain of buffers, one queued at
// a time, and writes them to a wave file when the recording stops. The host vevuzer records the
// announcement of a caller it calls back with it. Everything runs on the UI thread, driven by the
// device's messages to the engine's own window.
#pragma once

#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKShare.h"
#include "lkLK36/engines/lkWaveFormat.h"
#include "platform/core/messages.h"
#include "platform/winmm/mmsystem.h"

class TlkWaveRecordDevice : public TlkSharedDevice {
  public:
    using TlkSharedDevice::TlkSharedDevice;

    bool Pause = false;
    LONG Delay = 0;      // ms the device stays open after the recording stops
    LONG Trim = 0;       // ms cut from the end of the recording
    LONG Buffer = 1000;  // ms of sound each buffer holds
};

struct TlkRecordSource {
    explicit TlkRecordSource(TlkSharedControl* owner) : Format(owner) {}

    std::string FileName;
    LONG MaxSize = 0;  // kilobytes; 0 = no limit
    bool Valid = false;
    TlkFormat Format;
};

struct TlkRecordPopup {
    bool OnDone = false;
    bool OnWarning = false;
    bool OnError = false;
};

class TlkRecordInternal : public TlkSharedControl {
  public:
    TlkRecordInternal();
    ~TlkRecordInternal() override;

    // ---- published properties ----
    void SetDeviceActive(bool value);
    void SetDevicePause(bool value);
    void SetDeviceID(LONG value);
    void SetDeviceName(const std::string& value);
    void SetDeviceBuffer(LONG value);
    void SetDeviceDelay(LONG value);
    void SetDeviceTrim(LONG value);
    // Rebuilt from the devices' capabilities on each read.
    const TlkStringList& DeviceList();
    void SetSourceFileName(const std::string& value);
    void SetSourceMaxSize(LONG value);

    // The reporter: an error (result True only for code 0), or a warning that answers whether to
    // go on.
    using TlkSharedControl::FillErrorStrings;
    bool FillErrorStrings(bool warning, LONG code);

    bool deviceActive() const override { return Device.Active; }
    // The monitor opens on its log after an error or with a usable file name (there is something
    // to watch), else on the Source page, where a file is chosen.
    bool vantageOpensOnLogPage() const override { return Error().Number() != 0 || Source.Valid; }

    TlkWaveRecordDevice Device{this};
    TlkRecordSource Source{this};
    TlkRecordPopup Popup;

    using Event = std::function<void(TlkRecordInternal&)>;
    Event OnDone;
    std::function<void(TlkRecordInternal&, bool& Continue)> OnWarning;

    // Seams for tests and the monitor window.
    bool deviceOpen() const { return m_handle != nullptr; }
    std::size_t bufferCount() const { return m_chain.size() + (m_queued ? 1 : 0); }
    DWORD bufferSize() const { return m_bufferSize; }

  protected:
    bool popupOnError() const override { return Popup.OnError; }

  private:
    // One buffer of the recording with its header; the header's dwUser points back at it.
    struct Buffer {
        std::vector<char> data;
        WAVEHDR header{};
    };

    bool StartRecord();
    bool FailStart(LONG code, bool resume);
    bool queueBuffer();
    LRESULT WaveInWndProc(UINT message, WPARAM wParam, LPARAM lParam);
    void bufferFilled(WAVEHDR* header);
    bool continueAfterWarning(LONG code);
    bool StopCapture();
    void StopSequence();
    void CloseOut();
    void ReleaseDevice();
    bool SaveWaveFile();
    void FreeChain();
    void fireDone();
    void adoptQueued();
    void countBytes();
    void destroyWindow();
    RecordVantageObserver& view() { return Vantage().observer<RecordVantageObserver>(); }

    std::unique_ptr<core::MessageWindow> m_window;
    HWAVEIN m_handle = nullptr;
    DWORD m_bufferSize = 0;
    std::list<std::unique_ptr<Buffer>> m_chain;   // filled buffers, in recording order
    std::int64_t m_chainBytes = 0;                // what they hold
    std::unique_ptr<Buffer> m_queued;             // the buffer the device is filling
    std::unique_ptr<WAVEFORMATEX> m_formatBlock;  // the recording's format, from start to save
    bool m_warned = false;
    // Off while a pause or stop takes the queued buffer back, so its return queues no new one.
    bool m_capturing = false;
};
