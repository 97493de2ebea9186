// The real voice: a sentence is synthesised whole (a few milliseconds) and played as one buffer on
// the default wave-out device; the device's "done" message ends the sentence. The device is opened
// per sentence, so other sounds can use it between sentences.
#include <functional>
#include <memory>

#include "platform/core/messages.h"
#include "platform/speech/control_tags.h"
#include "platform/speech/espeak_engine.h"
#include "platform/speech/voice.h"
#include "platform/winmm/mmsystem.h"

namespace speech {
namespace {

class EspeakVoice final : public Voice {
  public:
    EspeakVoice()
        : m_window([this](UINT message, WPARAM wParam, LPARAM) {
              onDeviceMessage(message, reinterpret_cast<HWAVEOUT>(wParam));
              return LRESULT{0};
          }) {}
    ~EspeakVoice() override { stop(); }

    void start(const std::string& text, std::function<void()> finished) override {
        stop();
        m_finished = std::move(finished);
        if (!play(text)) {
            // Nothing can be heard (no engine, no device): the sentence is over at once, but
            // "finished" still comes from the pump, as it would after playing.
            m_finishedLater = std::make_shared<std::function<void()>>(std::move(m_finished));
            core::post([pending = std::weak_ptr(m_finishedLater)] {
                if (auto finished = pending.lock(); finished && *finished) {
                    (*finished)();
                }
            });
        }
    }

    void stop() override {
        m_finishedLater.reset();
        m_finished = nullptr;
        closeDevice();
    }

  private:
    bool play(const std::string& text) {
        auto pcm = synthesize(toSsml(text));
        if (!pcm || pcm->samples.empty()) {
            return false;
        }
        m_pcm = std::move(pcm->samples);
        const WAVEFORMATEX format{WAVE_FORMAT_PCM,
                                  1,
                                  static_cast<DWORD>(pcm->samplesPerSec),
                                  static_cast<DWORD>(pcm->samplesPerSec * 2),
                                  2,
                                  16,
                                  0};
        if (waveOutOpen(&m_device, WAVE_MAPPER, &format,
                        reinterpret_cast<DWORD_PTR>(m_window.hwnd()), 0,
                        CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
            m_device = nullptr;
            return false;
        }
        m_header = WAVEHDR{};
        m_header.lpData = reinterpret_cast<LPSTR>(m_pcm.data());
        m_header.dwBufferLength = static_cast<DWORD>(m_pcm.size() * sizeof(std::int16_t));
        if (waveOutPrepareHeader(m_device, &m_header, sizeof m_header) != MMSYSERR_NOERROR ||
            waveOutWrite(m_device, &m_header, sizeof m_header) != MMSYSERR_NOERROR) {
            closeDevice();
            return false;
        }
        return true;
    }

    // Only the "done" of the device now open counts: one left over from a stopped sentence is
    // for a device already closed.
    void onDeviceMessage(UINT message, HWAVEOUT device) {
        if (message != MM_WOM_DONE || device == nullptr || device != m_device) {
            return;
        }
        closeDevice();
        if (auto finished = std::move(m_finished)) {
            m_finished = nullptr;
            finished();
        }
    }

    void closeDevice() {
        if (m_device == nullptr) {
            return;
        }
        waveOutReset(m_device);
        waveOutUnprepareHeader(m_device, &m_header, sizeof m_header);
        waveOutClose(m_device);
        m_device = nullptr;
    }

    core::MessageWindow m_window;
    HWAVEOUT m_device = nullptr;
    WAVEHDR m_header{};
    std::vector<std::int16_t> m_pcm;
    std::function<void()> m_finished;
    std::shared_ptr<std::function<void()>> m_finishedLater;
};

}  // namespace

std::unique_ptr<Voice> makeEspeakVoice() {
    return std::make_unique<EspeakVoice>();
}

}  // namespace speech
