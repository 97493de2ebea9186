// ALSA devices. The layer's clock paces the stream, as for every device; ALSA only has to keep up.
// Playback keeps a little audio queued ahead (written without blocking) so that timer jitter does
// not starve the card; capture reads what the card has, without blocking.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "platform/winmm/wave_internal.h"

namespace winmm::detail {

namespace {

constexpr unsigned kLatencyUs = 250000;
constexpr unsigned kLeadMs = 100;

void quietErrors(const char*, int, const char*, int, const char*, ...) {}

snd_pcm_stream_t streamOf(WaveDirection direction) {
    return direction == WaveDirection::Output ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
}

class AlsaStream : public WaveStream {
  public:
    AlsaStream(snd_pcm_t* pcm, const PcmFormat& format) : m_pcm(pcm), m_format(format) {}
    ~AlsaStream() override { snd_pcm_close(m_pcm); }

    void play(std::span<const std::uint8_t> samples) override {
        if (!m_primed)
            prime();
        const snd_pcm_uframes_t frames = samples.size() / m_format.blockAlign();
        snd_pcm_sframes_t written = snd_pcm_writei(m_pcm, samples.data(), frames);
        if (written == -EPIPE || written == -ESTRPIPE) {
            // The card ran dry (a stalled UI thread): start over with a fresh lead.
            snd_pcm_prepare(m_pcm);
            prime();
            snd_pcm_writei(m_pcm, samples.data(), frames);
        }
        // -EAGAIN means the card is far enough ahead; the surplus is dropped to stay in time.
    }

    std::size_t record(std::span<std::uint8_t> into) override {
        if (!m_primed) {
            snd_pcm_start(m_pcm);
            m_primed = true;
        }
        const snd_pcm_uframes_t frames = into.size() / m_format.blockAlign();
        snd_pcm_sframes_t got = snd_pcm_readi(m_pcm, into.data(), frames);
        if (got == -EPIPE || got == -ESTRPIPE) {
            snd_pcm_prepare(m_pcm);
            snd_pcm_start(m_pcm);
            got = snd_pcm_readi(m_pcm, into.data(), frames);
        }
        return got > 0 ? static_cast<std::size_t>(got) * m_format.blockAlign() : 0;
    }

  private:
    void prime() {
        const std::size_t bytes = m_format.bytesPerSec() * kLeadMs / 1000;
        std::vector<std::uint8_t> silence(bytes, m_format.bitsPerSample == 8 ? 0x80 : 0);
        snd_pcm_writei(m_pcm, silence.data(), bytes / m_format.blockAlign());
        m_primed = true;
    }

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
        snd_pcm_t* pcm = nullptr;
        int result = snd_pcm_open(&pcm, m_pcmName.c_str(), streamOf(m_direction), SND_PCM_NONBLOCK);
        if (result < 0) {
            error = result == -EBUSY ? MMSYSERR_ALLOCATED : MMSYSERR_NODRIVER;
            return nullptr;
        }
        result = snd_pcm_set_params(
            pcm, format.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE,
            SND_PCM_ACCESS_RW_INTERLEAVED, format.channels, format.samplesPerSec, 1, kLatencyUs);
        if (result < 0) {
            snd_pcm_close(pcm);
            error = WAVERR_BADFORMAT;
            return nullptr;
        }
        try {
            auto stream = std::make_unique<AlsaStream>(pcm, format);
            error = MMSYSERR_NOERROR;
            return stream;
        } catch (const std::bad_alloc&) {
            snd_pcm_close(pcm);
            throw;
        }
    }

  private:
    std::string m_pcmName;
    WaveDirection m_direction;
};

bool opens(const std::string& pcmName, WaveDirection direction) {
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, pcmName.c_str(), streamOf(direction), SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_close(pcm);
    return true;
}

void registerIfPresent(const std::string& pcmName, const std::string& label) {
    for (WaveDirection direction : {WaveDirection::Output, WaveDirection::Input})
        if (opens(pcmName, direction))
            registerWaveDevice({label, direction, std::string(kStandardOwner)},
                               std::make_shared<AlsaBackend>(pcmName, direction));
}

}  // namespace

void registerAlsaDevices() {
    // Without a card ALSA prints its complaints on stderr; an absent sound system is not an error.
    snd_lib_error_set_handler(quietErrors);
    int card = -1;
    std::vector<int> cards;
    while (snd_card_next(&card) == 0 && card >= 0)
        cards.push_back(card);
    if (cards.empty())
        return;
    registerIfPresent("default", "Default Sound Device");
    for (int index : cards) {
        char* name = nullptr;
        std::string label = "Sound Card " + std::to_string(index);
        if (snd_card_get_name(index, &name) == 0 && name) {
            label = name;
            free(name);
        }
        registerIfPresent("plughw:" + std::to_string(index), label);
    }
}

}  // namespace winmm::detail
