#include "lkLK36/engines/lkPlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/wave_device_choice.h"

namespace {

constexpr DWORD kOpenQuery = WAVE_FORMAT_QUERY | WAVE_MAPPED;
constexpr DWORD kOpenWindow = CALLBACK_WINDOW | WAVE_ALLOWSYNC | WAVE_MAPPED;
constexpr DWORD kStopTimeoutMs = 5000;
// A format chunk is 16 to 40 bytes in practice; a declared size far beyond that is a broken file,
// never a reason to allocate.
constexpr DWORD kMaxFormatChunk = 64 * 1024;
constexpr std::size_t kFormatBlockSize = sizeof(WAVEFORMATEX);

const char* mmioOpenErrorName(UINT code) {
    switch (code) {
        case MMIOERR_PATHNOTFOUND:
            return "MMIOERR_PATHNOTFOUND";
        case MMIOERR_ACCESSDENIED:
            return "MMIOERR_ACCESSDENIED";
        case MMIOERR_SHARINGVIOLATION:
            return "MMIOERR_SHARINGVIOLATION";
        case MMIOERR_NETWORKERROR:
            return "MMIOERR_NETWORKERROR";
        case MMIOERR_TOOMANYOPENFILES:
            return "MMIOERR_TOOMANYOPENFILES";
        case MMIOERR_INVALIDFILE:
            return "MMIOERR_INVALIDFILE";
        default:
            return nullptr;
    }
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The output devices, their names trimmed of blanks at both ends.
const TlkWaveDeviceNames kDeviceNames{ReadWaveOutName, trimmed};

LONG volumePercent(DWORD volume) {
    return static_cast<LONG>(std::lround(LOWORD(volume) / 65535.0 * 100));
}

DWORD volumeOfPercent(LONG percent) {
    return static_cast<DWORD>(std::lround(percent / 100.0 * 0xFFFF)) * 0x10001u;
}

TlkFormatNumbers numbersOf(const std::vector<char>& block) {
    WAVEFORMATEX format{};
    std::memcpy(&format, block.data(), std::min(block.size(), sizeof format));
    return {format.wFormatTag,      format.nChannels,   format.nSamplesPerSec,
            format.nAvgBytesPerSec, format.nBlockAlign, format.wBitsPerSample};
}

std::string boolText(bool value) {
    return TlkVantage::BooleanText(value);
}

}  // namespace

std::vector<std::string> PlayFileItems(const std::string& fileName) {
    std::vector<std::string> items;
    std::string folder;
    std::size_t start = 0;
    while (start <= fileName.size()) {
        std::size_t comma = fileName.find(',', start);
        if (comma == std::string::npos)
            comma = fileName.size();
        std::string item = trimmed(fileName.substr(start, comma - start));
        start = comma + 1;
        if (item.empty())
            continue;
        const std::size_t slash = item.find_last_of("/\\");
        const std::string name = slash == std::string::npos ? item : item.substr(slash + 1);
        if (name.find('.') == std::string::npos)
            item += ".wav";
        if (items.empty()) {
            folder = slash == std::string::npos ? std::string() : item.substr(0, slash + 1);
        } else if (slash == std::string::npos) {
            item = folder + item;
        }
        items.push_back(std::move(item));
    }
    return items;
}

TlkPlayInternal::WaveFile::~WaveFile() {
    if (file)
        mmioClose(file, 0);
}

TlkPlayInternal::TlkPlayInternal() {
    InitCtrl(lkKindPlay, "TLKPLAY", "lkPlay");
    Device.Count = static_cast<LONG>(waveOutGetNumDevs());
    DeviceList();
    Device.Name = Device.List.empty() ? std::string() : Device.List.front();
    m_timer.setOnTimer([this] { TimerTick(); });
}

TlkPlayInternal::~TlkPlayInternal() {
    Vantage().SetEvents(false);
    beginDestroy();
    // Nothing reaches the host any more and nothing waits: the device is reset and closed at once.
    m_timer.setInterval(0);
    if (m_handle) {
        // The device's level is given back silently, so the next player does not inherit it.
        if (Volume.Enabled && Volume.Reset)
            waveOutSetVolume(m_handle, Volume.SystemVolume);
        waveOutReset(m_handle);
    }
    closeDevice();
    freeData();
    m_window.reset();
}

// ---- the reporter ----

bool TlkPlayInternal::FillErrorStrings(bool warning, LONG code) {
    return FillWaveErrorStrings(*this, warning, code, Popup.OnWarning, "lkPlay");
}

bool TlkPlayInternal::continueAfterWarning(LONG code) {
    if (OnWarning) {
        FillErrorStrings(true, code);
        bool goOn = true;
        Vantage().Popup(Popup.OnWarning);
        fire(OnWarning, *this, goOn);
        return goOn;
    }
    if (Popup.OnWarning)
        return FillErrorStrings(true, code);
    return false;
}

// ---- device properties ----

void TlkPlayInternal::SetDeviceActive(bool value) {
    log().Add(1, "Device.Active := " + boolText(value));
    if (value && !Device.Active) {
        view().CommitFileName();
        StartPlay(Device.Wait);
    } else if (!value && Device.Active && !m_stopping) {
        if (StopPlay())
            Device.Active = false;
    }
}

void TlkPlayInternal::logPosition(const char* indent) {
    log().Add(0, std::string(indent) + "Position.Byte = " + FormatCount(PositionByte()));
    log().Add(
        0, std::string(indent) + "Position.Percent = " + std::to_string(PositionPercent()) + "%");
    log().Add(0, std::string(indent) + "Position.Second = " + FormatSeconds(PositionSecond()));
}

void TlkPlayInternal::SetDevicePause(bool value) {
    if (value == Device.Pause)
        return;
    log().Add(1, "Device.Pause := " + boolText(value));
    if (!Device.Active) {
        Device.Pause = value;
    } else if (value) {
        if (m_handle) {
            Error().Clear();
            if (const MMRESULT code = waveOutPause(m_handle)) {
                FillErrorStrings(static_cast<LONG>(code));
                return;
            }
            logPosition("\t");
            if (Volume.Enabled && Volume.Reset)
                restoreSystemVolume("\tReset system volume := [");
        }
        m_timer.setInterval(0);
        Device.Pause = true;
    } else {
        Device.Pause = false;
        if (m_loadedWaiting || m_handle)
            StartPlay(Device.Wait);
    }
    view().UpdateDeviceSettings();
    DesignerUpdate();
}

void TlkPlayInternal::SetDeviceID(LONG value) {
    if (Device.Count != 0 && value == Device.ID)
        return;
    log().Add(1, "Device.ID := " + std::to_string(value));
    Error().Clear();
    ChooseWaveDevice(*this, Device, value, kDeviceNames);
    view().UpdateDeviceList();
    DesignerUpdate();
}

void TlkPlayInternal::SetDeviceName(const std::string& value) {
    if (Device.Count == 0 || value == Device.Name)
        return;
    log().Add(1, "Device.Name := '" + value + "'");
    if (const LONG id = FindWaveDevice(*this, Device, value, kDeviceNames); id >= 0)
        SetDeviceID(id);
}

void TlkPlayInternal::SetDeviceDelay(LONG value) {
    log().Add(1, "Device.Delay := " + std::to_string(value) + " //milliseconds");
    Error().Clear();
    if (Device.Active) {
        FillErrorStrings(WAV_ERROR_DEVICEACTIVE);
    } else {
        Device.Delay = value;
    }
    view().UpdateDeviceSettings();
    DesignerUpdate();
}

void TlkPlayInternal::SetDeviceLoop(bool value) {
    Device.Loop = value;
    view().UpdateDeviceSettings();
    DesignerUpdate();
}

void TlkPlayInternal::SetDeviceWait(bool value) {
    if (!Device.Active)
        Device.Wait = value;
    view().UpdateDeviceSettings();
    DesignerUpdate();
}

const TlkStringList& TlkPlayInternal::DeviceList() {
    return RebuildWaveDeviceList(Device, kDeviceNames);
}

// ---- source, timer and volume properties ----

void TlkPlayInternal::SetSourceFileName(const std::string& value) {
    LoadFileList(value, false);
}

void TlkPlayInternal::SetSourceMaxSize(LONG value) {
    Source.MaxSize = value;
    view().UpdateMaxSize();
    DesignerUpdate();
}

void TlkPlayInternal::SetTimerEnabled(bool value) {
    Timer.Enabled = value;
    followTimer();
    view().UpdateTimerEnabled();
    DesignerUpdate();
}

void TlkPlayInternal::SetTimerInterval(DWORD value) {
    Timer.Interval = value;
    followTimer();
    view().UpdateTimerInterval();
    DesignerUpdate();
}

void TlkPlayInternal::SetVolumeEnabled(bool value) {
    log().Add(0, "Volume.Enabled := " + boolText(value));
    Volume.Enabled = value;
    view().UpdateVolume();
    DesignerUpdate();
}

void TlkPlayInternal::SetVolumeDefault(bool value) {
    log().Add(0, "Volume.Default := " + boolText(value));
    Volume.Default = value;
    view().UpdateVolume();
    DesignerUpdate();
}

void TlkPlayInternal::SetVolumeReset(bool value) {
    log().Add(0, "Volume.Reset := " + boolText(value));
    Volume.Reset = value;
    view().UpdateVolume();
    DesignerUpdate();
}

void TlkPlayInternal::SetVolumePosition(LONG value) {
    log().Add(0, "Volume.Position := " + std::to_string(value));
    Error().Clear();
    if (value < 0 || value > 100) {
        FillErrorStrings(WAV_ERROR_INVALIDVOLUME);
    } else {
        Volume.Position = value;
        if (Volume.Enabled && m_handle) {
            if (const MMRESULT code = waveOutSetVolume(m_handle, volumeOfPercent(value)))
                FillErrorStrings(static_cast<LONG>(code));
        }
    }
    view().UpdateVolume();
    DesignerUpdate();
}

void TlkPlayInternal::applyVolumePosition() {
    if (const MMRESULT code = waveOutSetVolume(m_handle, volumeOfPercent(Volume.Position)))
        FillErrorStrings(static_cast<LONG>(code));
}

void TlkPlayInternal::restoreSystemVolume(const char* text, const char* end) {
    log().Add(0, text + std::to_string(volumePercent(Volume.SystemVolume)) + end);
    if (const MMRESULT code = waveOutSetVolume(m_handle, Volume.SystemVolume))
        FillErrorStrings(static_cast<LONG>(code));
}

// ---- position ----

LONG TlkPlayInternal::PositionByte() {
    if (!Device.Active || !m_handle)
        return 0;
    MMTIME time{};
    time.wType = TIME_BYTES;
    if (waveOutGetPosition(m_handle, &time, sizeof time) != MMSYSERR_NOERROR)
        return 0;
    std::uint64_t position = time.u.cb;
    const std::uint64_t total = m_data.size();
    // The device counts on across the passes of a loop.
    if (total > 0 && position > total)
        position %= total;
    return static_cast<LONG>(position);
}

LONG TlkPlayInternal::PositionPercent() {
    if (m_data.empty())
        return 0;
    return static_cast<LONG>(std::lround(static_cast<double>(PositionByte()) /
                                         static_cast<double>(m_data.size()) * 100));
}

double TlkPlayInternal::PositionSecond() {
    const LONG avg = Source.Format.AvgBytesPerSec();
    return avg > 0 ? static_cast<double>(PositionByte()) / avg : 0.0;
}

// ---- reading the files ----

LONG TlkPlayInternal::ReadWaveFile(const std::string& name, WaveFile& wave) {
    MMIOINFO info{};
    std::string path = name;
    wave.file = mmioOpenA(path.data(), &info, MMIO_ALLOCBUF);
    if (!wave.file) {
        if (const char* reason = mmioOpenErrorName(info.wErrorRet))
            log().Add(0, reason);
        return WAV_ERROR_FILEOPEN;
    }
    const LONG fileSize = mmioSeek(wave.file, 0, SEEK_END);
    mmioSeek(wave.file, 0, SEEK_SET);
    // Whether a chunk whose data starts at the file's current position fits in the file: a size
    // read from the file is never trusted beyond what the file holds.
    auto fits = [&](DWORD size) {
        const LONG at = mmioSeek(wave.file, 0, SEEK_CUR);
        return at >= 0 && fileSize >= at &&
               static_cast<std::uint64_t>(size) <= static_cast<std::uint64_t>(fileSize - at);
    };
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(wave.file, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR)
        return WAV_ERROR_FILECORRUPT;
    MMCKINFO chunk{};
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(wave.file, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
        return WAV_ERROR_FILECORRUPT;
    if (chunk.cksize > kMaxFormatChunk || !fits(chunk.cksize))
        return WAV_ERROR_FILECORRUPT;
    wave.format.assign(std::max<std::size_t>(chunk.cksize, kFormatBlockSize), 0);
    if (mmioRead(wave.file, wave.format.data(), static_cast<LONG>(chunk.cksize)) !=
        static_cast<LONG>(chunk.cksize))
        return WAV_ERROR_FILECORRUPT;
    mmioAscend(wave.file, &chunk, 0);
    MMCKINFO data{};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(wave.file, &data, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR ||
        data.cksize == 0 || !fits(data.cksize))
        return WAV_ERROR_FILECORRUPT;
    wave.dataSize = data.cksize;
    return 0;
}

void TlkPlayInternal::LoadFileList(const std::string& value, bool silent) {
    // A start reloads the stored list to see the files as they are now; that reload is silent and
    // leaves the name exactly as it was (no blank is added to it).
    if (!silent && value != Source.FileName)
        log().Add(1, "Source.FileName := '" + value + "'");
    Error().Clear();
    Source.FileName = value;
    Source.Format.clear();
    Source.Valid = !value.empty();
    std::uint64_t bytes = 0;
    bool first = true;
    for (const std::string& item : PlayFileItems(value)) {
        WaveFile wave;
        if (const LONG code = ReadWaveFile(item, wave)) {
            FillErrorStrings(code);
            log().AppendToLast("    File: " + item);
            Source.Valid = false;
            continue;
        }
        const TlkFormatNumbers numbers = numbersOf(wave.format);
        if (first) {
            Source.Format.assignFromFile(numbers);
            first = false;
        } else if (numbers != Source.Format.numbers()) {
            FillErrorStrings(WAV_ERROR_FORMATMISMATCH);
            log().AppendToLast("    File: " + item);
            Source.Valid = false;
            continue;
        }
        bytes += wave.dataSize;
        Source.Format.setBytes(static_cast<LONG>(std::min<std::uint64_t>(bytes, 0x7FFFFFFF)));
    }
    view().UpdateFormatTree();
    view().UpdateFileName();
    DesignerUpdate();
}

// ---- starting ----

bool TlkPlayInternal::StartPlay(bool wait) {
    if (m_handle)
        return ResumePlay();
    const TlkLifeGuard guard = lifeGuard();
    LoadFileList(Source.FileName, true);
    if (!guard)
        return false;
    m_loadedWaiting = false;
    m_stopping = false;
    m_doneWanted = true;
    if (Source.FileName.empty()) {
        FillErrorStrings(WAV_ERROR_NOFILE);
        return false;
    }
    if (!m_header) {
        Device.Active = true;
        if (!LoadData())
            return false;
        if (!guard)
            return false;
    }
    if (Device.Pause) {
        log().Add(1, "\tDevice.Pause = True");
        log().Add(0, "\t\tPosition.Byte = 0");
        log().Add(0, "\t\tPosition.Percent = 0%");
        log().Add(0, "\t\tPosition.Second = " + FormatSeconds(0));
        m_loadedWaiting = true;
        return true;
    }
    return OpenAndPlay(wait);
}

// Reads every file of the list into the data block and makes the one header; OnLoaded follows.
bool TlkPlayInternal::LoadData() {
    const TlkLifeGuard guard = lifeGuard();
    std::uint64_t total = 0;
    bool sizeChecked = false;
    m_format.clear();
    m_data.clear();
    for (const std::string& item : PlayFileItems(Source.FileName)) {
        WaveFile wave;
        if (const LONG code = ReadWaveFile(item, wave)) {
            FailStart(code);
            log().AppendToLast("    File: " + item);
            return false;
        }
        if (m_format.empty()) {
            m_format = wave.format;
            m_formatNumbers = numbersOf(wave.format);
        } else if (numbersOf(wave.format) != m_formatNumbers) {
            FailStart(WAV_ERROR_FORMATMISMATCH);
            log().AppendToLast("    File: " + item);
            return false;
        }
        total += wave.dataSize;
        if (!sizeChecked && Source.MaxSize > 0 &&
            static_cast<std::uint64_t>(Source.MaxSize) * 1024 < total) {
            sizeChecked = true;
            const bool goOn = continueAfterWarning(WAV_ERROR_FILETOOBIG);
            if (!guard)
                return false;
            if (!goOn)
                return FailStart(WAV_ERROR_CANCELED);
        }
        // Bytes and positions are 32-bit numbers: more data than they count cannot be played.
        if (total > 0x7FFFFFFF)
            return FailStart(WAV_ERROR_NOMEMORY);
        const std::size_t at = m_data.size();
        try {
            m_data.resize(static_cast<std::size_t>(total));
        } catch (const std::bad_alloc&) {
            return FailStart(WAV_ERROR_NOMEMORY);
        }
        const LONG size = static_cast<LONG>(wave.dataSize);
        if (mmioRead(wave.file, m_data.data() + at, size) != size) {
            FailStart(WAV_ERROR_FILECORRUPT);
            log().AppendToLast("    File: " + item);
            return false;
        }
    }
    if (m_format.empty())
        return FailStart(WAV_ERROR_FILECORRUPT);
    m_header = std::make_unique<WAVEHDR>();
    m_header->lpData = m_data.data();
    m_header->dwBufferLength = static_cast<DWORD>(m_data.size());
    DesignerUpdate();
    refreshViews();
    log().Add(1, "OnLoaded");
    if (!fire(OnLoaded, *this))
        return false;
    Vantage().Popup(Popup.OnLoaded);
    return true;
}

bool TlkPlayInternal::OpenAndPlay(bool wait) {
    const TlkLifeGuard guard = lifeGuard();
    auto* format = reinterpret_cast<const WAVEFORMATEX*>(m_format.data());
    if (const MMRESULT code =
            waveOutOpen(nullptr, static_cast<UINT>(Device.ID), format, 0, 0, kOpenQuery))
        return FailStart(static_cast<LONG>(code));
    if (!m_window) {
        if (Popup.OnError)
            log().Add(0, "\tAllocate Window Handle");
        m_window = std::make_unique<core::MessageWindow>(
            [this](UINT message, WPARAM wParam, LPARAM lParam) {
                return WaveOutWndProc(message, wParam, lParam);
            });
    }
    if (const MMRESULT code =
            waveOutOpen(&m_handle, static_cast<UINT>(Device.ID), format,
                        reinterpret_cast<DWORD_PTR>(m_window->hwnd()), 0, kOpenWindow)) {
        m_handle = nullptr;
        return FailStart(static_cast<LONG>(code));
    }
    m_closed = false;
    if (Volume.Enabled) {
        waveOutGetVolume(m_handle, &Volume.SystemVolume);
        log().Add(0,
                  "\tStore system volume := " + std::to_string(volumePercent(Volume.SystemVolume)));
    }
    m_format.clear();
    m_header->dwFlags = 0;
    if (const MMRESULT code = waveOutPrepareHeader(m_handle, m_header.get(), sizeof(WAVEHDR)))
        return FailStart(static_cast<LONG>(code));
    if (Volume.Enabled) {
        if (Volume.Default) {
            SetVolumePosition(volumePercent(Volume.SystemVolume));
            log().Add(
                0, "\tVolume.Position := System volume (" + std::to_string(Volume.Position) + ")");
        } else {
            log().Add(
                0, "\tSystem volume := Volume.Position (" + std::to_string(Volume.Position) + ")");
            applyVolumePosition();
        }
    }
    followTimer();
    if (const MMRESULT code = waveOutWrite(m_handle, m_header.get(), sizeof(WAVEHDR)))
        return FailStart(static_cast<LONG>(code));
    Device.Pause = false;
    if (wait) {
        log().Add(1, "\tWaiting");
        const double limit = (Source.Format.Seconds() + 4) * 1000;
        const bool ended = core::pumpUntil([&] { return !guard || !Device.Active; },
                                           static_cast<DWORD>(std::min(limit, 4.0e9)));
        if (!guard)
            return false;
        if (!ended)
            return FailStart(WAV_ERROR_TIMEOUT);
        log().Add(1, "\tWaiting complete");
    }
    DesignerUpdate();
    refreshViews();
    return true;
}

bool TlkPlayInternal::ResumePlay() {
    Device.Pause = false;
    Device.Active = true;
    if (Volume.Enabled) {
        log().Add(0,
                  "\tSystem volume := Volume.Position [" + std::to_string(Volume.Position) + "]");
        applyVolumePosition();
    }
    if (const MMRESULT code = waveOutRestart(m_handle)) {
        FillErrorStrings(static_cast<LONG>(code));
        StopPlay();
        return false;
    }
    followTimer();
    return true;
}

// Undoes what a start acquired. The buffer is taken back from the device (reset, then unprepared)
// before the device closes and the memory goes, so no device ever holds freed memory.
bool TlkPlayInternal::FailStart(LONG code) {
    const TlkLifeGuard guard = lifeGuard();
    FillErrorStrings(code);
    if (!guard)
        return false;
    m_timer.setInterval(0);
    Device.Active = false;
    Device.Pause = false;
    m_loadedWaiting = false;
    if (m_handle) {
        if (Volume.Enabled && Volume.Reset)
            restoreSystemVolume("\tReset system volume := ", "");
        waveOutReset(m_handle);
        closeDevice();
    }
    freeData();
    DesignerUpdate();
    destroyWindow();
    refreshViews();
    return false;
}

// ---- stopping ----

bool TlkPlayInternal::StopPlay() {
    const TlkLifeGuard guard = lifeGuard();
    m_doneWanted = false;
    m_stopping = true;
    m_timer.setInterval(0);
    Error().Clear();
    LONG code = 0;
    if (m_handle) {
        waveOutReset(m_handle);
        if (!core::pumpUntil([&] { return !guard || m_closed; }, kStopTimeoutMs))
            code = WAV_ERROR_TIMEOUT;
        if (!guard)
            return false;
        // A device that never gave its buffer back is still let go, so the control can start
        // again.
        if (!m_closed)
            FinishPlay(false);
    } else {
        FinishPlay(false);
    }
    m_stopping = false;
    if (code) {
        FillErrorStrings(code);
        return false;
    }
    return true;
}

void TlkPlayInternal::FinishPlay(bool notify) {
    const TlkLifeGuard guard = lifeGuard();
    m_timer.setInterval(0);
    m_loadedWaiting = false;
    if (m_handle) {
        log().Add(1, "Device.Active = False");
        if (Volume.Enabled && Volume.Reset)
            restoreSystemVolume("\tReset system volume = [");
    }
    Device.Active = false;
    Device.Pause = false;
    if (m_handle && m_header) {
        const bool playing = waveOutUnprepareHeader(m_handle, m_header.get(), sizeof(WAVEHDR)) ==
                             WAVERR_STILLPLAYING;
        const char* indent = playing ? "\t\t" : "\t\t\t";
        if (Device.Delay > 0) {
            log().Add(1, "\tDelaying");
            log().Add(0, indent + std::string("lkPlay.Device.Delay = ") +
                             std::to_string(Device.Delay) + " //nilliseconds");
            if (!DelayPumping(Device.Delay, guard))
                return;
            log().Add(1, playing ? "\tComplete " : "\tComplete");
        }
        // A buffer the device still holds is taken back; the wait is bounded and pumps, so a
        // device that needs the UI thread to finish cannot hang it.
        if (playing) {
            waveOutReset(m_handle);
            core::pumpUntil(
                [&] {
                    return !guard || waveOutUnprepareHeader(m_handle, m_header.get(),
                                                            sizeof(WAVEHDR)) != WAVERR_STILLPLAYING;
                },
                kStopTimeoutMs);
            if (!guard)
                return;
        }
    }
    closeDevice();
    freeData();
    DesignerUpdate();
    view().UpdateDeviceSettings();
    view().UpdatePosition();
    destroyWindow();
    if (notify && m_doneWanted) {
        log().Add(1, "OnDone");
        if (!fire(OnDone, *this))
            return;
        Vantage().Popup(Popup.OnDone);
    }
}

void TlkPlayInternal::closeDevice() {
    if (!m_handle)
        return;
    if (m_header && (m_header->dwFlags & WHDR_PREPARED))
        waveOutUnprepareHeader(m_handle, m_header.get(), sizeof(WAVEHDR));
    waveOutClose(m_handle);
    m_handle = nullptr;
    m_closed = true;
}

void TlkPlayInternal::freeData() {
    m_header.reset();
    m_data.clear();
    m_data.shrink_to_fit();
    m_format.clear();
}

// Messages still queued for the window are dropped with it, as a destroyed window's are. It may
// be the window whose message is being handled: the pump holds that handler until it returns.
void TlkPlayInternal::destroyWindow() {
    if (!m_window)
        return;
    if (Popup.OnError)
        log().Add(0, "\tDeallocate Window Handle");
    m_window.reset();
}

// ---- the device's messages and the timer ----

LRESULT TlkPlayInternal::WaveOutWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const char* name = message == MM_WOM_OPEN    ? "MM_WOM_OPEN"
                       : message == MM_WOM_CLOSE ? "MM_WOM_CLOSE"
                       : message == MM_WOM_DONE  ? "MM_WOM_DONE"
                                                 : nullptr;
    if (!name)
        return 0;
    if (Popup.OnError)
        log().Add(1, std::string("Windows message \"") + name + "\"");
    if (message != MM_WOM_DONE || !Device.Active)
        return 0;
    if (reinterpret_cast<HWAVEOUT>(wParam) != m_handle ||
        reinterpret_cast<WAVEHDR*>(lParam) != m_header.get())
        return 0;
    if (m_stopping || !Device.Loop) {
        Device.Active = false;
        FinishPlay(true);
        return 0;
    }
    const TlkLifeGuard guard = lifeGuard();
    log().Add(1, "OnLoop");
    if (!fire(OnLoop, *this))
        return 0;
    Vantage().Popup(Popup.OnLoop);
    if (!m_handle || !m_header || !Device.Active)
        return 0;  // the handler stopped the play
    m_header->dwFlags = 0;
    MMRESULT code = waveOutPrepareHeader(m_handle, m_header.get(), sizeof(WAVEHDR));
    if (!code)
        code = waveOutWrite(m_handle, m_header.get(), sizeof(WAVEHDR));
    if (code) {
        FillErrorStrings(static_cast<LONG>(code));
        if (!guard)
            return 0;
        Device.Active = false;
        FinishPlay(true);
    }
    return 0;
}

void TlkPlayInternal::followTimer() {
    const bool run = Timer.Enabled && Device.Active && m_handle && !Device.Pause;
    m_timer.setInterval(run ? Timer.Interval : 0);
}

void TlkPlayInternal::TimerTick() {
    if (m_handle && Volume.Enabled) {
        DWORD volume = 0;
        if (waveOutGetVolume(m_handle, &volume) == MMSYSERR_NOERROR)
            Volume.Position = volumePercent(volume);
    }
    refreshViews();
    DesignerUpdate();
    if (Popup.OnTimer) {
        log().Add(1, "OnTimer");
        log().Add(0, "\tVolume.Position = [" + std::to_string(Volume.Position) + "]");
        log().Add(0, "\tPosition.Byte = [" + std::to_string(PositionByte()) + "]");
        log().Add(0, "\tPosition.Percent = [" + std::to_string(PositionPercent()) + "%]");
        log().Add(0, "\tPosition.Second = [" + FormatSeconds(PositionSecond()) + "]");
    }
    if (!fire(OnTimer, *this))
        return;
    Vantage().Popup(Popup.OnTimer);
}

void TlkPlayInternal::refreshViews() {
    PlayVantageObserver& observer = view();
    observer.UpdateFormatTree();
    observer.UpdateDeviceSettings();
    observer.UpdateVolume();
    observer.UpdatePosition();
}
