// ALSA devices. The layer's clock paces the stream, as for every device; ALSA only has to keep up.
// Playback keeps a little audio queued ahead (written without blocking) so that timer jitter does
// not starve the card; capture reads what the card has, without blocking.
//
// libasound is loaded, not linked, when the devices are first looked for on a machine with a sound
// card or a named PCM is asked for: without a card the program never loads it. The library is
// "libasound.so.2", or the file named by BELLTALE_LIBASOUND when it is set.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "platform/core/loaded_library.h"
#include "platform/winmm/wave_internal.h"

namespace winmm::detail {

namespace {

constexpr unsigned kLatencyUs = 250000;
constexpr unsigned kLeadMs = 100;

// The libasound functions the devices use, resolved from the loaded library.
struct Alsa {
    int (*card_next)(int*);
    int (*card_get_name)(int, char**);
    int (*pcm_open)(snd_pcm_t**, const char*, snd_pcm_stream_t, int);
    int (*pcm_set_params)(snd_pcm_t*, snd_pcm_format_t, snd_pcm_access_t, unsigned int,
                          unsigned int, int, unsigned int);
    int (*pcm_close)(snd_pcm_t*);
    int (*pcm_prepare)(snd_pcm_t*);
    int (*pcm_start)(snd_pcm_t*);
    snd_pcm_sframes_t (*pcm_writei)(snd_pcm_t*, const void*, snd_pcm_uframes_t);
    snd_pcm_sframes_t (*pcm_readi)(snd_pcm_t*, void*, snd_pcm_uframes_t);
};

void quietErrors(const char*, int, const char*, int, const char*, ...) {}

std::string bind(core::LibrarySymbols& symbols, Alsa& alsa) {
    int (*setErrorHandler)(snd_lib_error_handler_t) = nullptr;
    symbols.resolve("snd_lib_error_set_handler", setErrorHandler);
    symbols.resolve("snd_card_next", alsa.card_next);
    symbols.resolve("snd_card_get_name", alsa.card_get_name);
    symbols.resolve("snd_pcm_open", alsa.pcm_open);
    symbols.resolve("snd_pcm_set_params", alsa.pcm_set_params);
    symbols.resolve("snd_pcm_close", alsa.pcm_close);
    symbols.resolve("snd_pcm_prepare", alsa.pcm_prepare);
    symbols.resolve("snd_pcm_start", alsa.pcm_start);
    symbols.resolve("snd_pcm_writei", alsa.pcm_writei);
    symbols.resolve("snd_pcm_readi", alsa.pcm_readi);
    // ALSA prints its complaints (no card, a device that will not open) on stderr; the layer
    // answers with its own results instead.
    if (symbols.complete())
        setErrorHandler(quietErrors);
    return {};
}

core::LoadedLibrary<Alsa> gLibrary("libasound", "the sound cards are not used",
                                   "BELLTALE_LIBASOUND", "libasound.so.2", bind);

// Whether the kernel shows a sound card: ALSA's cards are its control devices. Without one there is
// nothing to look for, and the library is not loaded for it.
bool anyCard() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/snd", error))
        if (entry.path().filename().string().starts_with("controlC"))
            return true;
    return false;
}

snd_pcm_stream_t streamOf(WaveDirection direction) {
    return direction == WaveDirection::Output ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
}

class AlsaStream : public WaveStream {
  public:
    AlsaStream(const Alsa& alsa, snd_pcm_t* pcm, const PcmFormat& format)
        : m_alsa(alsa), m_pcm(pcm), m_format(format) {}
    ~AlsaStream() override { m_alsa.pcm_close(m_pcm); }

    void play(std::span<const std::uint8_t> samples) override {
        if (!m_primed)
            prime();
        const snd_pcm_uframes_t frames = samples.size() / m_format.blockAlign();
        snd_pcm_sframes_t written = m_alsa.pcm_writei(m_pcm, samples.data(), frames);
        if (written == -EPIPE || written == -ESTRPIPE) {
            // The card ran dry (a stalled UI thread): start over with a fresh lead.
            m_alsa.pcm_prepare(m_pcm);
            prime();
            m_alsa.pcm_writei(m_pcm, samples.data(), frames);
        }
        // -EAGAIN means the card is far enough ahead; the surplus is dropped to stay in time.
    }

    std::size_t record(std::span<std::uint8_t> into) override {
        if (!m_primed) {
            m_alsa.pcm_start(m_pcm);
            m_primed = true;
        }
        const snd_pcm_uframes_t frames = into.size() / m_format.blockAlign();
        snd_pcm_sframes_t got = m_alsa.pcm_readi(m_pcm, into.data(), frames);
        if (got == -EPIPE || got == -ESTRPIPE) {
            m_alsa.pcm_prepare(m_pcm);
            m_alsa.pcm_start(m_pcm);
            got = m_alsa.pcm_readi(m_pcm, into.data(), frames);
        }
        return got > 0 ? static_cast<std::size_t>(got) * m_format.blockAlign() : 0;
    }

  private:
    void prime() {
        const std::size_t bytes = m_format.bytesPerSec() * kLeadMs / 1000;
        std::vector<std::uint8_t> silence(bytes, m_format.bitsPerSample == 8 ? 0x80 : 0);
        m_alsa.pcm_writei(m_pcm, silence.data(), bytes / m_format.blockAlign());
        m_primed = true;
    }

    const Alsa& m_alsa;  // the loaded library's, alive for the process
    snd_pcm_t* m_pcm;
    PcmFormat m_format;
    bool m_primed = false;
};

class AlsaBackend : public WaveDeviceBackend {
  public:
    AlsaBackend(std::string pcmName, WaveDirection direction)
        : m_pcmName(std::move(pcmName)), m_direction(direction) {}

    bool supports(const PcmFormat& format) const override {
        return (format.bitsPerSample == 8 || format.bitsPerSample == 16) && format.channels <= 2 &&
               format.samplesPerSec >= 8000 && format.samplesPerSec <= 48000;
    }
    PcmFormat mappedFormat(const PcmFormat& client) const override {
        return {std::clamp<DWORD>(client.samplesPerSec, 8000, 48000),
                static_cast<WORD>(std::min<WORD>(client.channels, 2)), 16};
    }

    std::unique_ptr<WaveStream> open(const PcmFormat& format, MMRESULT& error) override {
        const Alsa* alsa = gLibrary.load();
        if (!alsa) {
            error = MMSYSERR_NODRIVER;
            return nullptr;
        }
        snd_pcm_t* pcm = nullptr;
        int result =
            alsa->pcm_open(&pcm, m_pcmName.c_str(), streamOf(m_direction), SND_PCM_NONBLOCK);
        if (result < 0) {
            error = result == -EBUSY ? MMSYSERR_ALLOCATED : MMSYSERR_NODRIVER;
            return nullptr;
        }
        result = alsa->pcm_set_params(
            pcm, format.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE,
            SND_PCM_ACCESS_RW_INTERLEAVED, format.channels, format.samplesPerSec, 1, kLatencyUs);
        if (result < 0) {
            alsa->pcm_close(pcm);
            error = WAVERR_BADFORMAT;
            return nullptr;
        }
        try {
            auto stream = std::make_unique<AlsaStream>(*alsa, pcm, format);
            error = MMSYSERR_NOERROR;
            return stream;
        } catch (const std::bad_alloc&) {
            alsa->pcm_close(pcm);
            throw;
        }
    }

  private:
    std::string m_pcmName;
    WaveDirection m_direction;
};

bool opens(const Alsa& alsa, const std::string& pcmName, WaveDirection direction) {
    snd_pcm_t* pcm = nullptr;
    if (alsa.pcm_open(&pcm, pcmName.c_str(), streamOf(direction), SND_PCM_NONBLOCK) < 0)
        return false;
    alsa.pcm_close(pcm);
    return true;
}

void registerIfPresent(const Alsa& alsa, const std::string& pcmName, const std::string& label) {
    for (WaveDirection direction : {WaveDirection::Output, WaveDirection::Input})
        if (opens(alsa, pcmName, direction))
            registerWaveDevice({label, direction, std::string(kStandardOwner)},
                               std::make_shared<AlsaBackend>(pcmName, direction));
}

// The library, or null after saying on stderr why the devices are missing: a sound system that is
// there but cannot be reached is worth a line, an absent one is not.
const Alsa* loadOrSay() {
    std::string why;
    const Alsa* alsa = gLibrary.load(&why);
    if (!alsa)
        std::fprintf(stderr, "belltale: %s\n", why.c_str());
    return alsa;
}

}  // namespace

void registerAlsaDevices() {
    if (!anyCard())
        return;
    const Alsa* alsa = loadOrSay();
    if (!alsa)
        return;
    int card = -1;
    std::vector<int> cards;
    while (alsa->card_next(&card) == 0 && card >= 0)
        cards.push_back(card);
    if (cards.empty())
        return;
    registerIfPresent(*alsa, "default", "Default Sound Device");
    for (int index : cards) {
        char* name = nullptr;
        std::string label = "Sound Card " + std::to_string(index);
        if (alsa->card_get_name(index, &name) == 0 && name) {
            label = name;
            free(name);
        }
        registerIfPresent(*alsa, "plughw:" + std::to_string(index), label);
    }
}

void registerAlsaDevice(const std::string& pcmName) {
    if (const Alsa* alsa = loadOrSay())
        registerIfPresent(*alsa, pcmName, "ALSA " + pcmName);
}

}  // namespace winmm::detail
