#include "lkLK36/engines/lkRecord.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <new>
#include <string>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/wave_device_choice.h"
#include "platform/core/folders.h"
#include "platform/winmm/wave_format.h"

namespace {

constexpr DWORD kOpenQuery = WAVE_FORMAT_QUERY | WAVE_MAPPED;
constexpr DWORD kOpenWindow = CALLBACK_WINDOW | WAVE_MAPPED;
constexpr DWORD kStopTimeoutMs = 5000;
constexpr LONG kMinBuffer = 100;
constexpr LONG kMaxBuffer = 60000;
// The header written before the data: RIFF header 12, "fmt " chunk 8 + 18, "data" chunk header 8.
constexpr DWORD kHeaderBytes = 46;

std::string withoutTrailingBlanks(const std::string& text) {
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

// The input devices, their names without trailing blanks.
const TlkWaveDeviceNames kDeviceNames{ReadWaveInName, withoutTrailingBlanks};

std::string boolText(bool value) {
    return TlkVantage::BooleanText(value);
}

// The byte a format's silence is made of, for the one byte an empty recording declares.
char silenceOf(const WAVEFORMATEX& format) {
    if (format.wFormatTag == WAVE_FORMAT_MULAW || format.wFormatTag == WAVE_FORMAT_ALAW ||
        (format.wFormatTag == WAVE_FORMAT_PCM && format.wBitsPerSample == 8)) {
        winmm::SampleFormat sample;
        sample.tag = format.wFormatTag;
        sample.bitsPerSample = 8;
        return static_cast<char>(winmm::silenceByte(sample));
    }
    return 0;
}

}  // namespace

TlkRecordInternal::TlkRecordInternal() {
    InitCtrl(lkKindRecord, "TLKRECORD", "lkRecord");
    Device.Count = static_cast<LONG>(waveInGetNumDevs());
    DeviceList();
    Device.Name = Device.List.empty() ? std::string() : Device.List.front();
}

TlkRecordInternal::~TlkRecordInternal() {
    Vantage().SetEvents(false);
    beginDestroy();
    // Nothing waits and nothing is saved: the device gives its buffer back and closes at once.
    if (m_handle) {
        waveInReset(m_handle);
        waveInClose(m_handle);
        m_handle = nullptr;
    }
    m_window.reset();
    m_queued.reset();
    m_chain.clear();
    log().Add(1, "OnDone");
}

bool TlkRecordInternal::FillErrorStrings(bool warning, LONG code) {
    return FillWaveErrorStrings(*this, warning, code, Popup.OnWarning, "lkRecord");
}

// ---- device properties ----

void TlkRecordInternal::SetDeviceActive(bool value) {
    log().Add(1, "Device.Active := " + boolText(value));
    if (value && !Device.Active) {
        StartRecord();
    } else if (!value && Device.Active) {
        StopSequence();
    }
}

void TlkRecordInternal::SetDevicePause(bool value) {
    log().Add(1, "Device.Pause := " + boolText(value));
    Error().Clear();
    if (!Device.Active) {
        Device.Pause = false;
        FillErrorStrings(WAV_ERROR_DEVICEINACTIVE);
        return;
    }
    // Asking for the state it is in already would queue a second buffer or reset for nothing.
    if (value == Device.Pause)
        return;
    if (value) {
        log().Add(0, "\tDevice.Byte = " + FormatCount(Source.Format.Bytes()));
        log().Add(0, "\tDevice.Second = " + FormatSeconds(Source.Format.Seconds()));
        StopCapture();
        Device.Pause = true;
    } else if (StartRecord()) {
        Device.Pause = false;
    }
    view().UpdateDeviceSettings();
    DesignerUpdate();
}

void TlkRecordInternal::SetDeviceID(LONG value) {
    if (Device.Count != 0 && value == Device.ID)
        return;
    log().Add(1, "Device.ID := " + std::to_string(value));
    Error().Clear();
    Device.Count = static_cast<LONG>(waveInGetNumDevs());
    ChooseWaveDevice(*this, Device, value, kDeviceNames);
    view().UpdateDeviceList();
    DesignerUpdate();
}

void TlkRecordInternal::SetDeviceName(const std::string& value) {
    if (Device.Count == 0 || value == Device.Name)
        return;
    log().Add(1, "Device.Name := '" + value + "'");
    if (const LONG id = FindWaveDevice(*this, Device, value, kDeviceNames); id >= 0)
        SetDeviceID(id);
}

void TlkRecordInternal::SetDeviceBuffer(LONG value) {
    log().Add(1, "Device.Buffer := " + std::to_string(value) + " //milliseconds");
    Error().Clear();
    if (Device.Active)
        FillErrorStrings(WAV_ERROR_DEVICEACTIVE);
    else if (value < kMinBuffer || value > kMaxBuffer)
        FillErrorStrings(WAV_ERROR_INVALIDBUFSIZE);
    else
        Device.Buffer = value;
    view().UpdateDeviceSettings();
    DesignerUpdate();
}

void TlkRecordInternal::SetDeviceDelay(LONG value) {
    log().Add(1, "Device.Delay := " + std::to_string(value) + " //milliseconds");
    Error().Clear();
    if (Device.Active)
        FillErrorStrings(WAV_ERROR_DEVICEACTIVE);
    else
        Device.Delay = value;
    view().UpdateDeviceSettings();
    DesignerUpdate();
}

void TlkRecordInternal::SetDeviceTrim(LONG value) {
    log().Add(1, "Device.Trim := " + std::to_string(value) + " //milliseconds");
    Error().Clear();
    if (Device.Active)
        FillErrorStrings(WAV_ERROR_DEVICEACTIVE);
    else
        Device.Trim = value;
    view().UpdateDeviceSettings();
    DesignerUpdate();
}

const TlkStringList& TlkRecordInternal::DeviceList() {
    return RebuildWaveDeviceList(Device, kDeviceNames);
}

void TlkRecordInternal::SetSourceFileName(const std::string& value) {
    if (value == Source.FileName)
        return;
    log().Add(1, "Source.FileName := '" + value + "'");
    Source.FileName = value;
    const std::filesystem::path path(value);
    std::error_code ec;
    const std::filesystem::path folder = path.parent_path();
    // A bare name would be saved wherever the process happens to run: the folder must be named.
    Source.Valid =
        !path.filename().empty() && !folder.empty() && std::filesystem::is_directory(folder, ec);
    view().UpdateFileName();
    DesignerUpdate();
}

void TlkRecordInternal::SetSourceMaxSize(LONG value) {
    log().Add(1, "Source.MaxSize := " + std::to_string(value) + " //kilobytes");
    Source.MaxSize = value;
    view().UpdateMaxSize();
    DesignerUpdate();
}

// ---- starting ----

bool TlkRecordInternal::StartRecord() {
    const bool resume = m_handle != nullptr;
    if (!Source.Valid) {
        FillErrorStrings(WAV_ERROR_DIRNOTFOUND);
        // A paused recording whose file became unusable still ends in order.
        if (resume)
            CloseOut();
        return false;
    }
    Device.Active = true;
    Error().Clear();
    if (!resume) {
        m_warned = false;
        m_chain.clear();
        m_chainBytes = 0;
        m_queued.reset();
        Source.Format.setBytes(0);
        view().UpdateFormat();
        m_formatBlock = std::make_unique<WAVEFORMATEX>();
        m_formatBlock->wFormatTag = static_cast<WORD>(Source.Format.Tag());
        m_formatBlock->nChannels = static_cast<WORD>(Source.Format.Channels());
        m_formatBlock->nSamplesPerSec = static_cast<DWORD>(Source.Format.SamplesPerSec());
        m_formatBlock->nAvgBytesPerSec = static_cast<DWORD>(Source.Format.AvgBytesPerSec());
        m_formatBlock->nBlockAlign = static_cast<WORD>(Source.Format.BlockAlign());
        m_formatBlock->wBitsPerSample = static_cast<WORD>(Source.Format.BitsPerSample());
        m_formatBlock->cbSize = 0;
        if (const MMRESULT code = waveInOpen(nullptr, static_cast<UINT>(Device.ID),
                                             m_formatBlock.get(), 0, 0, kOpenQuery))
            return FailStart(static_cast<LONG>(code), false);
        const double bits = Device.Buffer / 1000.0 * Source.Format.SamplesPerSec() *
                            Source.Format.Channels() * Source.Format.BitsPerSample();
        m_bufferSize = static_cast<DWORD>(std::llround(bits) / 8);
        if (m_bufferSize == 0)
            return FailStart(WAV_ERROR_UNSUPPORTEDFORMAT, false);
        if (Popup.OnError)
            log().Add(0, "\tAllocate Window Handle");
        m_window = std::make_unique<core::MessageWindow>(
            [this](UINT message, WPARAM wParam, LPARAM lParam) {
                return WaveInWndProc(message, wParam, lParam);
            });
        if (const MMRESULT code =
                waveInOpen(&m_handle, static_cast<UINT>(Device.ID), m_formatBlock.get(),
                           reinterpret_cast<DWORD_PTR>(m_window->hwnd()), 0, kOpenWindow)) {
            m_handle = nullptr;
            return FailStart(static_cast<LONG>(code), false);
        }
    }
    m_capturing = true;
    if (!queueBuffer())
        return FailStart(Error().Number(), resume);
    if (const MMRESULT code = waveInStart(m_handle))
        return FailStart(static_cast<LONG>(code), resume);
    Error().Clear();
    view().UpdateDeviceSettings();
    return true;
}

// Gives the device a fresh buffer; on failure the error is recorded (not reported) and nothing of
// the buffer is left.
bool TlkRecordInternal::queueBuffer() {
    std::unique_ptr<Buffer> buffer;
    try {
        buffer = std::make_unique<Buffer>();
        buffer->data.assign(m_bufferSize, 0);
    } catch (const std::bad_alloc&) {
        Error().set(WAV_ERROR_NOMEMORY, errorName(WAV_ERROR_NOMEMORY));
        return false;
    }
    WAVEHDR& header = buffer->header;
    header.lpData = buffer->data.data();
    header.dwBufferLength = m_bufferSize;
    MMRESULT code = waveInPrepareHeader(m_handle, &header, sizeof header);
    if (!code)
        code = waveInAddBuffer(m_handle, &header, sizeof header);
    if (code) {
        if (header.dwFlags & WHDR_PREPARED)
            waveInUnprepareHeader(m_handle, &header, sizeof header);
        Error().set(static_cast<LONG>(code), errorName(static_cast<LONG>(code)));
        return false;
    }
    header.dwUser = reinterpret_cast<DWORD_PTR>(buffer.get());
    m_queued = std::move(buffer);
    return true;
}

// A start that fails gives back everything it took, the open device included, so the next start
// is a new recording. A resume that fails ends the recording in order, keeping what was recorded.
bool TlkRecordInternal::FailStart(LONG code, bool resume) {
    m_capturing = false;
    FillErrorStrings(code);
    if (resume) {
        CloseOut();
        return false;
    }
    if (m_handle) {
        waveInReset(m_handle);
        waveInClose(m_handle);
        m_handle = nullptr;
    }
    m_queued.reset();
    m_chain.clear();
    m_chainBytes = 0;
    m_formatBlock.reset();
    destroyWindow();
    Device.Active = false;
    view().UpdateDeviceSettings();
    return false;
}

// ---- the device's messages ----

LRESULT TlkRecordInternal::WaveInWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const char* name = message == MM_WIM_OPEN    ? "MM_WIM_OPEN"
                       : message == MM_WIM_CLOSE ? "MM_WIM_CLOSE"
                       : message == MM_WIM_DATA  ? "MM_WIM_DATA"
                                                 : nullptr;
    if (!name)
        return 0;
    if (Popup.OnError)
        log().Add(1, std::string("Windows message \"") + name + "\"");
    if (message == MM_WIM_DATA && reinterpret_cast<HWAVEIN>(wParam) == m_handle)
        bufferFilled(reinterpret_cast<WAVEHDR*>(lParam));
    return 0;
}

void TlkRecordInternal::bufferFilled(WAVEHDR* header) {
    if (!header || !(header->dwFlags & WHDR_DONE) || !m_queued || header != &m_queued->header)
        return;
    waveInUnprepareHeader(m_handle, header, sizeof(WAVEHDR));
    adoptQueued();
    view().UpdateFormat();
    view().UpdateFormatSize();
    if (!Device.Active || !m_capturing)
        return;
    const TlkLifeGuard guard = lifeGuard();
    if (Source.MaxSize > 0 && !m_warned &&
        static_cast<std::int64_t>(Source.Format.Bytes()) >=
            static_cast<std::int64_t>(Source.MaxSize) * 1024) {
        const bool goOn = continueAfterWarning(WAV_ERROR_FILETOOBIG);
        if (!guard)
            return;
        if (goOn) {
            m_warned = true;
        } else {
            StopCapture();
            FillErrorStrings(WAV_ERROR_CANCELED);
            if (guard)
                CloseOut();
            return;
        }
    }
    if (!Device.Active || !m_capturing || !m_handle)
        return;  // a handler stopped or paused the recording meanwhile
    if (!queueBuffer()) {
        // The stop clears the error record: the reason is kept to be reported after it.
        const LONG code = Error().Number();
        StopCapture();
        FillErrorStrings(code);
        if (guard)
            CloseOut();
    }
}

// The queued buffer joins the chain (the device has given it back) and Bytes follows.
void TlkRecordInternal::adoptQueued() {
    if (!m_queued)
        return;
    m_queued->header.dwFlags &= ~WHDR_PREPARED;
    m_queued->header.lpNext = nullptr;
    m_chainBytes += m_queued->header.dwBytesRecorded;
    m_chain.push_back(std::move(m_queued));
    Source.Format.setBytes(static_cast<LONG>(std::min<std::int64_t>(m_chainBytes, 0x7FFFFFFF)));
}

bool TlkRecordInternal::continueAfterWarning(LONG code) {
    if (OnWarning) {
        FillErrorStrings(true, code);
        bool goOn = true;
        fire(OnWarning, *this, goOn);
        return goOn;
    }
    if (Popup.OnWarning)
        return FillErrorStrings(true, code);
    return false;
}

// ---- stopping ----

bool TlkRecordInternal::StopCapture() {
    if (Device.Pause)
        return true;
    const TlkLifeGuard guard = lifeGuard();
    m_capturing = false;
    Error().Clear();
    LONG code = 0;
    if (m_handle) {
        code = static_cast<LONG>(waveInReset(m_handle));
        if (!code && m_queued) {
            // The device gives the buffer back with what it holds; its message moves it to the
            // chain.
            if (!core::pumpUntil([&] { return !guard || !m_queued; }, kStopTimeoutMs))
                code = WAV_ERROR_TIMEOUT;
            if (!guard)
                return false;
        }
    }
    if (code)
        FillErrorStrings(code);
    view().UpdateDeviceSettings();
    view().UpdateFormat();
    return code == 0;
}

// The host switched the recording off. A stop that failed still closes the device and saves what
// was recorded, so the recording is never lost and the next start is a new one.
void TlkRecordInternal::StopSequence() {
    const TlkLifeGuard guard = lifeGuard();
    Device.Active = false;
    StopCapture();
    if (!guard)
        return;
    CloseOut();
}

void TlkRecordInternal::CloseOut() {
    const TlkLifeGuard guard = lifeGuard();
    ReleaseDevice();
    if (!guard)
        return;
    SaveWaveFile();
    if (!guard)
        return;
    FreeChain();
    fireDone();
}

void TlkRecordInternal::ReleaseDevice() {
    if (!m_handle)
        return;
    const TlkLifeGuard guard = lifeGuard();
    if (Device.Active) {
        StopCapture();
        if (!guard)
            return;
        Device.Active = false;
    }
    Device.Pause = false;
    m_capturing = false;
    log().Add(0, "\tReleasing wave device");
    Error().Clear();
    DesignerUpdate();
    view().UpdateDeviceSettings();
    if (Device.Delay > 0) {
        log().Add(1, "\t\tDelaying");
        log().Add(
            0, "\t\t\tlkRecord.Device.Delay = " + std::to_string(Device.Delay) + " //nilliseconds");
        if (!DelayPumping(Device.Delay, guard))
            return;
        log().Add(1, "\t\t\tComplete");
    }
    // A buffer still queued (a stop that timed out) is taken back first: a device never closes
    // while it holds memory the engine is about to free.
    waveInReset(m_handle);
    waveInClose(m_handle);
    m_handle = nullptr;
    if (m_queued)
        adoptQueued();
    core::DoEvents();
    if (!guard)
        return;
    destroyWindow();
    view().UpdateDeviceSettings();
}

bool TlkRecordInternal::SaveWaveFile() {
    log().Add(0, "\tSaving file");
    Error().Clear();
    if (Source.FileName.empty()) {
        FillErrorStrings(WAV_ERROR_NOFILE);
        return false;
    }
    std::string name = Source.FileName;
    if (std::filesystem::path(name).extension().empty())
        name += ".wav";
    const std::filesystem::path path(name);
    std::error_code ec;
    if (!std::filesystem::is_directory(path.parent_path(), ec)) {
        FillErrorStrings(WAV_ERROR_FILEOPEN);
        return false;
    }
    WAVEFORMATEX format = m_formatBlock ? *m_formatBlock : WAVEFORMATEX{};
    if (Device.Trim > 0) {
        log().Add(0, "\t\tTriming");
        log().Add(
            0, "\t\t\tlkRecord.Device.Trim = " + std::to_string(Device.Trim) + " //nilliseconds");
        // Trimmed in whole frames of the format recorded, so the data never ends in half a
        // sample.
        const std::int64_t align = std::max<std::int64_t>(format.nBlockAlign, 1);
        std::int64_t cut = std::llround(format.nAvgBytesPerSec * (Device.Trim / 1000.0));
        cut = (cut + align - 1) / align * align;
        Source.Format.setBytes(
            static_cast<LONG>(std::max<std::int64_t>(Source.Format.Bytes() - cut, 0)));
        view().UpdateFormatSize();
    }
    const DWORD bytes = static_cast<DWORD>(Source.Format.Bytes());
    const DWORD n = bytes == 0 ? 1 : bytes;
    // The file is made whole in memory and put in place by a temporary copy and a rename, so a
    // crash while saving never leaves a broken recording under the name.
    std::string content;
    try {
        content.reserve(kHeaderBytes + n);
        auto write = [&](const void* data, std::size_t count) {
            content.append(static_cast<const char*>(data), count);
        };
        auto writeWord = [&](DWORD value) { write(&value, sizeof value); };
        write("RIFF", 4);
        writeWord(n + kHeaderBytes - 8);
        write("WAVE", 4);
        write("fmt ", 4);
        writeWord(sizeof(WAVEFORMATEX));
        write(&format, sizeof format);
        write("data", 4);
        writeWord(n);
        DWORD left = bytes;
        for (const auto& buffer : m_chain) {
            const DWORD count = std::min(left, buffer->header.dwBytesRecorded);
            write(buffer->data.data(), count);
            left -= count;
            if (left == 0)
                break;
        }
        // An empty recording declares one byte: it is written, as silence, so the file holds what
        // its header says.
        if (bytes == 0) {
            const char silence = silenceOf(format);
            write(&silence, 1);
        }
    } catch (const std::bad_alloc&) {
        FillErrorStrings(WAV_ERROR_NOMEMORY);
        return false;
    }
    // Every byte reaches the disk before the name is given: a disk that fills up half way gives
    // an error, never a file that claims to be complete.
    if (!core::rewriteFile(path, content)) {
        FillErrorStrings(WAV_ERROR_FILEWRITE);
        return false;
    }
    return true;
}

void TlkRecordInternal::FreeChain() {
    if (!m_chain.empty()) {
        log().Add(0, "\tFree memory");
        Error().Clear();
        view().UpdateFormat();
    }
    m_chain.clear();
    m_chainBytes = 0;
    m_queued.reset();
    m_formatBlock.reset();
}

void TlkRecordInternal::fireDone() {
    log().Add(1, "OnDone");
    if (!fire(OnDone, *this))
        return;
    Vantage().Popup(Popup.OnDone);
}

// Messages still queued for the window are dropped with it, as a destroyed window's are. It may
// be the window whose message is being handled: the pump holds that handler until it returns.
void TlkRecordInternal::destroyWindow() {
    if (!m_window)
        return;
    if (Popup.OnError)
        log().Add(0, "\tDeallocate Window Handle");
    m_window.reset();
}
