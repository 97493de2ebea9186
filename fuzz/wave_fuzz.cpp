// The wave-file reader: a RIFF image is read or refused, and what is read converts to the format
// a telephone line plays.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/winmm/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    winmm::WaveData wave;
    if (winmm::parseWaveImage(std::span(data, size), wave) != MMSYSERR_NOERROR)
        return 0;
    if (wave.samples.size() > size)
        __builtin_trap();            // nothing is made up beyond the image
    const winmm::SampleFormat line;  // 8 kHz, 16-bit, mono
    // Long images are read but not converted: a low rate converted up would only cost time.
    if (wave.samples.size() <= 64 * 1024)
        (void)winmm::convertSamples(wave, line);
    return 0;
}
