// sndPlaySoundA: one sound at a time, played through the wave mapper from the UI thread. A new
// sound replaces the one playing; the player is a small client of waveOut* like any other.
#include <cstring>
#include <memory>
#include <new>

#include "platform/core/messages.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/wave_file.h"

namespace {

using namespace winmm;

constexpr std::size_t kMaxMemoryImage = std::size_t{256} << 20;

class SoundPlayer {
  public:
    SoundPlayer(WaveData wave, bool loop)
        : m_wave(std::move(wave)), m_loop(loop), m_window([this](UINT message, WPARAM, LPARAM) {
              if (message == MM_WOM_DONE)
                  onDone();
              return LRESULT{0};
          }) {}

    ~SoundPlayer() {
        if (!m_device)
            return;
        waveOutReset(m_device);
        waveOutUnprepareHeader(m_device, &m_header, sizeof m_header);
        waveOutClose(m_device);
    }

    bool start() {
        const WAVEFORMATEX format = makeFormatBlock(m_wave.format);
        if (waveOutOpen(&m_device, WAVE_MAPPER, &format,
                        reinterpret_cast<DWORD_PTR>(m_window.hwnd()), 0,
                        CALLBACK_WINDOW | WAVE_ALLOWSYNC) != MMSYSERR_NOERROR) {
            m_device = nullptr;
            return false;
        }
        m_header.lpData = reinterpret_cast<LPSTR>(m_wave.samples.data());
        m_header.dwBufferLength = static_cast<DWORD>(m_wave.samples.size());
        return submit();
    }

    bool finished() const { return m_finished; }

  private:
    bool submit() {
        m_header.dwFlags = 0;
        return waveOutPrepareHeader(m_device, &m_header, sizeof m_header) == MMSYSERR_NOERROR &&
               waveOutWrite(m_device, &m_header, sizeof m_header) == MMSYSERR_NOERROR;
    }

    void onDone();

    WaveData m_wave;
    bool m_loop;
    core::MessageWindow m_window;
    HWAVEOUT m_device = nullptr;
    WAVEHDR m_header{};
    bool m_finished = false;
};

std::unique_ptr<SoundPlayer>& currentPlayer() {
    static std::unique_ptr<SoundPlayer> player;
    return player;
}

void SoundPlayer::onDone() {
    if (m_finished)
        return;
    if (m_loop && submit())
        return;
    m_finished = true;
    // This runs inside the player's own window; it is let go from the next pump. Without memory
    // for that, the finished player stays until the next sound replaces it.
    if (currentPlayer().get() == this) {
        try {
            auto done = std::make_shared<std::unique_ptr<SoundPlayer>>();
            core::post([done] {});
            *done = std::move(currentPlayer());
        } catch (const std::bad_alloc&) {
        }
    }
}

bool soundPlaying() {
    return currentPlayer() && !currentPlayer()->finished();
}

MMRESULT loadSound(LPCSTR sound, UINT flags, WaveData& wave) {
    if (!(flags & SND_MEMORY))
        return readWaveFile(sound, wave);
    // An image in memory carries its size in the RIFF header.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(sound);
    DWORD riffSize;
    std::memcpy(&riffSize, bytes + 4, sizeof riffSize);
    const std::size_t size = std::size_t{riffSize} + 8;
    if (size > kMaxMemoryImage)
        return MMIOERR_OUTOFMEMORY;
    return parseWaveImage({bytes, size}, wave);
}

BOOL playSound(LPCSTR sound, UINT flags) {
    if (!sound) {
        currentPlayer().reset();
        return TRUE;
    }
    if ((flags & SND_NOSTOP) && soundPlaying())
        return FALSE;
    currentPlayer().reset();
    WaveData wave;
    if (loadSound(sound, flags, wave) != MMSYSERR_NOERROR)
        return FALSE;  // there is no system default sound to fall back on
    const bool async = flags & SND_ASYNC;
    const DWORD durationMs =
        static_cast<DWORD>(wave.samples.size() * 1000 / wave.format.bytesPerSec());
    auto player = std::make_unique<SoundPlayer>(std::move(wave), async && (flags & SND_LOOP));
    if (!player->start())
        return FALSE;
    SoundPlayer* playing = player.get();
    currentPlayer() = std::move(player);
    if (async)
        return TRUE;
    // A synchronous sound pumps until it ends, with a margin for a stalled clock.
    const bool done = core::pumpUntil(
        [&] { return currentPlayer().get() != playing || playing->finished(); }, durationMs + 5000);
    return done ? TRUE : FALSE;
}

}  // namespace

BOOL sndPlaySoundA(LPCSTR sound, UINT flags) {
    try {
        return playSound(sound, flags);
    } catch (const std::bad_alloc&) {
        currentPlayer().reset();  // a sound that could not be loaded or started plays nothing
        return FALSE;
    }
}
