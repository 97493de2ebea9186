// The device table, open planning, notifications and the standard null and file devices.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "platform/registry/registry.h"
#include "platform/winmm/wave_file.h"
#include "platform/winmm/wave_internal.h"

namespace winmm {

void WaveStream::play(std::span<const std::uint8_t>) {}
std::size_t WaveStream::record(std::span<std::uint8_t>) {
    return 0;
}
void WaveStream::setRunning(bool) {}

namespace {

using detail::DeviceEntry;

struct DeviceTable {
    std::mutex mutex;
    bool configured = false;
    std::vector<std::optional<DeviceEntry>> outputs;
    std::vector<std::optional<DeviceEntry>> inputs;

    std::vector<std::optional<DeviceEntry>>& of(WaveDirection direction) {
        return direction == WaveDirection::Output ? outputs : inputs;
    }
};

// Never destroyed: the exchange may take its line devices away while the process ends.
DeviceTable& table() {
    static auto* instance = new DeviceTable;
    return *instance;
}

void trimEmptyTail(std::vector<std::optional<DeviceEntry>>& entries) {
    while (!entries.empty() && !entries.back())
        entries.pop_back();
}

UINT insertLocked(DeviceTable& t, WaveDeviceInfo info, std::shared_ptr<WaveDeviceBackend> backend) {
    auto& entries = t.of(info.direction);
    auto hole = std::find_if(entries.begin(), entries.end(), [](auto& e) { return !e; });
    DeviceEntry entry{std::move(info), std::move(backend), std::make_shared<DWORD>(0xFFFFFFFF)};
    if (hole != entries.end()) {
        *hole = std::move(entry);
        return static_cast<UINT>(hole - entries.begin());
    }
    entries.push_back(std::move(entry));
    return static_cast<UINT>(entries.size() - 1);
}

std::vector<std::string> splitList(std::string_view spec) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= spec.size()) {
        std::size_t comma = spec.find(',', start);
        if (comma == std::string_view::npos)
            comma = spec.size();
        std::string item(spec.substr(start, comma - start));
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (!item.empty())
            items.push_back(std::move(item));
        start = comma + 1;
    }
    return items;
}

void registerStandardItem(const std::string& item) {
    using detail::makeFileInBackend;
    using detail::makeFileOutBackend;
    using detail::makeNullBackend;
    const std::string owner(kStandardOwner);
    if (item == "alsa") {
        detail::registerAlsaDevices();
    } else if (item.starts_with("alsa=")) {
        detail::registerAlsaDevice(item.substr(5));
    } else if (item == "null") {
        registerWaveDevice({"Null Output", WaveDirection::Output, owner},
                           makeNullBackend(WaveDirection::Output));
        registerWaveDevice({"Null Input", WaveDirection::Input, owner},
                           makeNullBackend(WaveDirection::Input));
    } else if (item.starts_with("file-out=")) {
        const std::filesystem::path path = item.substr(9);
        registerWaveDevice(
            {"File Output " + path.filename().string(), WaveDirection::Output, owner},
            makeFileOutBackend(path));
    } else if (item.starts_with("file-in=")) {
        const std::filesystem::path path = item.substr(8);
        registerWaveDevice({"File Input " + path.filename().string(), WaveDirection::Input, owner},
                           makeFileInBackend(path));
    }
}

void (*g_firstUseHook)() = nullptr;

void ensureConfigured() {
    {
        std::lock_guard lock(table().mutex);
        if (table().configured)
            return;
    }
    configureStandardWaveDevices(standardWaveDeviceSetting());
    if (g_firstUseHook)
        g_firstUseHook();
}

// Null device: plays into nothing, records silence; takes any PCM.
class NullStream : public WaveStream {
  public:
    explicit NullStream(const PcmFormat& format)
        : m_silence(format.bitsPerSample == 8 ? 0x80 : 0) {}
    std::size_t record(std::span<std::uint8_t> into) override {
        std::memset(into.data(), m_silence, into.size());
        return into.size();
    }

  private:
    int m_silence;
};

class AnyPcmBackend : public WaveDeviceBackend {
  public:
    bool supports(const PcmFormat& format) const override {
        return format.bitsPerSample == 8 || format.bitsPerSample == 16;
    }
    PcmFormat mappedFormat(const PcmFormat& client) const override { return client; }
};

class NullBackend : public AnyPcmBackend {
  public:
    std::unique_ptr<WaveStream> open(const PcmFormat& format, MMRESULT& error) override {
        error = MMSYSERR_NOERROR;
        return std::make_unique<NullStream>(format);
    }
};

// File output: one open at a time; each open rewrites the file.
class FileOutBackend : public AnyPcmBackend, public std::enable_shared_from_this<FileOutBackend> {
  public:
    explicit FileOutBackend(std::filesystem::path path) : m_path(std::move(path)) {}

    std::unique_ptr<WaveStream> open(const PcmFormat& format, MMRESULT& error) override;

  private:
    class Stream : public WaveStream {
      public:
        explicit Stream(std::shared_ptr<FileOutBackend> owner) : m_owner(std::move(owner)) {}
        ~Stream() override {
            m_writer.close();
            m_owner->m_busy = false;
        }
        void play(std::span<const std::uint8_t> samples) override { m_writer.write(samples); }
        WaveFileWriter m_writer;

      private:
        std::shared_ptr<FileOutBackend> m_owner;
    };

    std::filesystem::path m_path;
    bool m_busy = false;
};

std::unique_ptr<WaveStream> FileOutBackend::open(const PcmFormat& format, MMRESULT& error) {
    if (m_busy) {
        error = MMSYSERR_ALLOCATED;
        return nullptr;
    }
    auto stream = std::make_unique<Stream>(shared_from_this());
    if (stream->m_writer.open(m_path, toSampleFormat(format)) != MMSYSERR_NOERROR) {
        error = MMSYSERR_ERROR;
        return nullptr;
    }
    m_busy = true;
    error = MMSYSERR_NOERROR;
    return stream;
}

// File input: the file is read at each open (so it may change between recordings), converted to
// the stream's format, and followed by silence.
class FileInStream : public WaveStream {
  public:
    FileInStream(std::vector<std::uint8_t> samples, std::uint8_t silence)
        : m_samples(std::move(samples)), m_silence(silence) {}
    std::size_t record(std::span<std::uint8_t> into) override {
        const std::size_t copied = std::min(into.size(), m_samples.size() - m_next);
        std::memcpy(into.data(), m_samples.data() + m_next, copied);
        std::memset(into.data() + copied, m_silence, into.size() - copied);
        m_next += copied;
        return into.size();
    }

  private:
    std::vector<std::uint8_t> m_samples;
    std::size_t m_next = 0;
    std::uint8_t m_silence;
};

class FileInBackend : public AnyPcmBackend {
  public:
    explicit FileInBackend(std::filesystem::path path) : m_path(std::move(path)) {}
    std::unique_ptr<WaveStream> open(const PcmFormat& format, MMRESULT& error) override {
        WaveData wave;
        if (readWaveFile(m_path, wave) != MMSYSERR_NOERROR) {
            error = MMSYSERR_ERROR;
            return nullptr;
        }
        const SampleFormat target = toSampleFormat(format);
        error = MMSYSERR_NOERROR;
        return std::make_unique<FileInStream>(convertSamples(wave, target), silenceByte(target));
    }

  private:
    std::filesystem::path m_path;
};

}  // namespace

UINT registerWaveDevice(WaveDeviceInfo info, std::shared_ptr<WaveDeviceBackend> backend) {
    ensureConfigured();
    std::lock_guard lock(table().mutex);
    return insertLocked(table(), std::move(info), std::move(backend));
}

bool unregisterWaveDevice(WaveDirection direction, UINT id) {
    ensureConfigured();
    std::optional<DeviceEntry> gone;  // a backend's destructor may call back in: freed unlocked
    std::lock_guard lock(table().mutex);
    auto& entries = table().of(direction);
    if (id >= entries.size() || !entries[id])
        return false;
    gone.swap(entries[id]);
    trimEmptyTail(entries);
    return true;
}

std::optional<WaveDeviceInfo> waveDeviceInfo(WaveDirection direction, UINT id) {
    ensureConfigured();
    std::lock_guard lock(table().mutex);
    auto& entries = table().of(direction);
    if (id >= entries.size() || !entries[id])
        return std::nullopt;
    return entries[id]->info;
}

std::vector<UINT> waveDevicesOwnedBy(std::string_view owner, WaveDirection direction) {
    ensureConfigured();
    std::lock_guard lock(table().mutex);
    std::vector<UINT> ids;
    auto& entries = table().of(direction);
    for (UINT id = 0; id < entries.size(); ++id)
        if (entries[id] && entries[id]->info.owner == owner)
            ids.push_back(id);
    return ids;
}

std::string standardWaveDeviceSetting() {
    if (const char* spec = std::getenv("BELLTALE_WAVE_DEVICES"))
        return spec;
    // The registry lives inside the program folder: asking for sound must not create it.
    if (core::existingProgramFolder()) {
        if (auto spec =
                registry::readString(HKEY_LOCAL_MACHINE, kWaveDevicesKey, kWaveDevicesValue))
            return *spec;
    }
    return "alsa,null";
}

void configureStandardWaveDevices(std::string_view spec) {
    std::vector<DeviceEntry> gone;  // their backends are let go with the table unlocked
    {
        std::lock_guard lock(table().mutex);
        table().configured = true;
        for (auto* entries : {&table().outputs, &table().inputs}) {
            for (auto& entry : *entries)
                if (entry && entry->info.owner == kStandardOwner) {
                    gone.push_back(std::move(*entry));
                    entry.reset();
                }
            trimEmptyTail(*entries);
        }
    }
    for (const std::string& item : splitList(spec))
        registerStandardItem(item);
}

namespace detail {

void setFirstUseHook(void (*hook)()) {
    g_firstUseHook = hook;
}

UINT deviceCount(WaveDirection direction) {
    ensureConfigured();
    std::lock_guard lock(table().mutex);
    return static_cast<UINT>(table().of(direction).size());
}

MMRESULT lookupDevice(WaveDirection direction, UINT id, DeviceEntry& out) {
    ensureConfigured();
    DeviceEntry found;
    {
        std::lock_guard lock(table().mutex);
        auto& entries = table().of(direction);
        if (id >= entries.size())
            return MMSYSERR_BADDEVICEID;
        if (!entries[id])
            return MMSYSERR_NODRIVER;
        found = *entries[id];
    }
    out = std::move(found);  // what `out` held before is let go with the table unlocked
    return MMSYSERR_NOERROR;
}

namespace {

MMRESULT planOnDevice(const DeviceEntry& device, const SampleFormat& client, bool mapped,
                      OpenPlan& plan) {
    const PcmFormat asPcm = client.asPcm();
    if (client.isPcm() && device.backend->supports(asPcm)) {
        plan.deviceFormat = asPcm;
    } else if (mapped) {
        plan.deviceFormat = device.backend->mappedFormat(asPcm);
        if (!device.backend->supports(plan.deviceFormat))
            return WAVERR_BADFORMAT;
    } else {
        return WAVERR_BADFORMAT;
    }
    plan.device = device;
    plan.client = client;
    return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT planOpen(WaveDirection direction, UINT deviceId, const WAVEFORMATEX* format, DWORD flags,
                  OpenPlan& plan) {
    if (!format)
        return MMSYSERR_INVALPARAM;
    const auto client = readFormatBlock(*format);
    const bool mapped =
        (deviceId == WAVE_MAPPER || (flags & WAVE_MAPPED)) && !(flags & WAVE_FORMAT_DIRECT);
    if (deviceId != WAVE_MAPPER) {
        DeviceEntry device;
        if (MMRESULT error = lookupDevice(direction, deviceId, device))
            return error;
        return client ? planOnDevice(device, *client, mapped, plan) : WAVERR_BADFORMAT;
    }
    // The mapper plays and records on the machine's own devices, never on a telephone line.
    const UINT count = deviceCount(direction);
    MMRESULT result = MMSYSERR_NODRIVER;
    for (UINT id = 0; id < count; ++id) {
        DeviceEntry device;
        if (lookupDevice(direction, id, device) != MMSYSERR_NOERROR ||
            device.info.owner != kStandardOwner)
            continue;
        if (!client)
            return WAVERR_BADFORMAT;
        result = planOnDevice(device, *client, mapped, plan);
        if (result == MMSYSERR_NOERROR)
            return result;
    }
    return result;
}

MMRESULT Notifier::set(DWORD flags, DWORD_PTR callback, DWORD_PTR instance) {
    const DWORD kind = flags & CALLBACK_TYPEMASK;
    if (kind != CALLBACK_NULL && kind != CALLBACK_WINDOW && kind != CALLBACK_FUNCTION)
        return MMSYSERR_INVALFLAG;
    if (kind == CALLBACK_WINDOW && callback && !IsWindow(reinterpret_cast<HWND>(callback)))
        return MMSYSERR_INVALPARAM;
    m_kind = kind;
    m_callback = callback;
    m_instance = instance;
    return MMSYSERR_NOERROR;
}

void Notifier::notify(void* handle, UINT message, WAVEHDR* header) const {
    if (!m_callback)
        return;
    if (m_kind == CALLBACK_WINDOW) {
        PostMessageA(reinterpret_cast<HWND>(m_callback), message, reinterpret_cast<WPARAM>(handle),
                     reinterpret_cast<LPARAM>(header));
    } else if (m_kind == CALLBACK_FUNCTION) {
        auto function = reinterpret_cast<WAVECALLBACK>(m_callback);
        const DWORD_PTR instance = m_instance;
        core::post(
            [=] { function(handle, message, instance, reinterpret_cast<DWORD_PTR>(header), 0); });
    }
}

std::uintptr_t nextHandleValue() {
    // Far above any device id, since calls that take an id also take a handle.
    static std::uintptr_t next = 0x10000;
    next += 0x10;
    return next;
}

void fillName(char (&target)[MAXPNAMELEN], const std::string& name) {
    std::memset(target, 0, MAXPNAMELEN);
    std::memcpy(target, name.data(), std::min<std::size_t>(name.size(), MAXPNAMELEN - 1));
}

bool headerUsable(const WAVEHDR* header, UINT size) {
    return header && size >= sizeof(WAVEHDR) && (header->lpData || header->dwBufferLength == 0);
}

void fillTime(MMTIME& time, std::uint64_t bytes, const SampleFormat& format) {
    switch (time.wType) {
        case TIME_MS:
            time.u.ms = static_cast<DWORD>(bytes * 1000 / format.bytesPerSec());
            break;
        case TIME_SAMPLES:
            time.u.sample = static_cast<DWORD>(bytes / format.blockAlign());
            break;
        default:
            time.wType = TIME_BYTES;
            time.u.cb = static_cast<DWORD>(bytes);
    }
}

DWORD standardFormats(const WaveDeviceBackend& backend) {
    // One bit per rate (11.025, 22.05, 44.1 kHz), then mono/stereo, then 8/16 bits.
    DWORD formats = 0;
    DWORD bit = WAVE_FORMAT_1M08;
    for (DWORD rate : {11025u, 22050u, 44100u})
        for (WORD channels : {1, 2})
            for (WORD bits : {8, 16}) {
                if (backend.supports({rate, channels, bits}))
                    formats |= bit;
                bit <<= 1;
            }
    return formats;
}

WORD channelCount(const WaveDeviceBackend& backend) {
    return backend.supports({8000, 2, 16}) || backend.supports({11025, 2, 16}) ? 2 : 1;
}

std::shared_ptr<WaveDeviceBackend> makeNullBackend(WaveDirection) {
    return std::make_shared<NullBackend>();
}

std::shared_ptr<WaveDeviceBackend> makeFileOutBackend(const std::filesystem::path& path) {
    return std::make_shared<FileOutBackend>(path);
}

std::shared_ptr<WaveDeviceBackend> makeFileInBackend(const std::filesystem::path& path) {
    return std::make_shared<FileInBackend>(path);
}

}  // namespace detail

}  // namespace winmm
