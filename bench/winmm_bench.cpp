// CPU time to record one second of 8 kHz audio to a file through winmm, as the recorder does it:
// one buffer queued at a time, each returned buffer written with mmioWrite and queued again. The
// clock is virtual, so the time measured is the layer's own work, not the audio's duration.
// Target: under 2 ms per second of audio (0.2% of one core).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/messages.h"
#include "platform/core/virtual_time.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/wave_devices.h"

namespace {

constexpr int kSecondsPerFile = 60;  // the file is rewound every minute of audio to stay small

void recordToFile(benchmark::State& state, const WAVEFORMATEX& format) {
    core::VirtualTime time;
    winmm::configureStandardWaveDevices("null");
    const auto bufferMs = static_cast<DWORD>(state.range(0));
    std::string path = (std::filesystem::temp_directory_path() / "winmm_bench.wav").string();
    HMMIO file = mmioOpenA(path.data(), nullptr, MMIO_CREATE | MMIO_WRITE);
    std::vector<char> buffer(format.nAvgBytesPerSec * bufferMs / 1000);
    WAVEHDR header{};
    HWAVEIN device = nullptr;
    bool failed = !file;

    core::MessageWindow window([&](UINT message, WPARAM, LPARAM lParam) {
        if (message != MM_WIM_DATA)
            return LRESULT{0};
        auto* done = reinterpret_cast<WAVEHDR*>(lParam);
        failed |= mmioWrite(file, done->lpData, static_cast<LONG>(done->dwBytesRecorded)) < 0;
        waveInUnprepareHeader(device, done, sizeof *done);
        done->dwFlags = 0;
        waveInPrepareHeader(device, done, sizeof *done);
        waveInAddBuffer(device, done, sizeof *done);
        return LRESULT{0};
    });
    failed |= waveInOpen(&device, 0, &format, reinterpret_cast<DWORD_PTR>(window.hwnd()), 0,
                         CALLBACK_WINDOW | WAVE_MAPPED) != MMSYSERR_NOERROR;
    header.lpData = buffer.data();
    header.dwBufferLength = static_cast<DWORD>(buffer.size());
    failed |= waveInPrepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR ||
              waveInAddBuffer(device, &header, sizeof header) != MMSYSERR_NOERROR ||
              waveInStart(device) != MMSYSERR_NOERROR;
    if (failed) {
        state.SkipWithError("could not start recording");
        return;
    }

    int seconds = 0;
    for (auto _ : state) {
        time.advance(std::chrono::seconds(1));
        if (++seconds % kSecondsPerFile == 0)
            mmioSeek(file, 0, SEEK_SET);
    }
    if (failed)
        state.SkipWithError("a write failed");
    state.counters["audio_s_per_cpu_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);

    waveInReset(device);
    time.runUntilIdle();
    waveInUnprepareHeader(device, &header, sizeof header);
    waveInClose(device);
    mmioClose(file, 0);
    std::filesystem::remove(path);
}

void BM_RecordPcm8kHzToFile(benchmark::State& state) {
    recordToFile(state, {WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0});
}
void BM_RecordMulaw8kHzToFile(benchmark::State& state) {
    recordToFile(state, {WAVE_FORMAT_MULAW, 1, 8000, 8000, 1, 8, 0});
}

// The argument is the buffer length in milliseconds: the recorder's default and a short one.
BENCHMARK(BM_RecordPcm8kHzToFile)->Arg(1000)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordMulaw8kHzToFile)->Arg(1000)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace
