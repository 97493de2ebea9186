// CPU time of the wave engines on their two paths that must stay cheap. The clock is virtual, so
// the time measured is the engines' and the layer's own work, not the audio's duration.
//   - Recording an hour of 8 kHz mono audio with the Record engine, buffer by buffer, and saving
//     it as a wave file. Target: under 50 ms of CPU for the hour.
//   - Starting playback of a wave file with the Play engine, up to its one buffer being queued at
//     the device. Target: under 2 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "lkLK36/engines/lkPlay.h"
#include "lkLK36/engines/lkRecord.h"
#include "platform/core/virtual_time.h"
#include "platform/winmm/wave_devices.h"
#include "platform/winmm/wave_file.h"

namespace {

// A program folder and a scratch folder of the benchmark's own, gone at the end.
class Scratch {
  public:
    Scratch() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "wave-bench-XXXXXX").string();
        m_root = mkdtemp(pattern.data());
        setenv("BELLTALE_HOME", (m_root / "home").c_str(), 1);
    }
    ~Scratch() {
        unsetenv("BELLTALE_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    std::filesystem::path operator/(const std::string& name) const { return m_root / name; }

  private:
    std::filesystem::path m_root;
};

void recordAnHour(benchmark::State& state, TWAVFORMATS preset) {
    Scratch scratch;
    core::VirtualTime time;
    winmm::configureStandardWaveDevices("null");
    TlkRecordInternal engine;
    engine.Source.Format.SetID(preset);
    engine.SetSourceFileName((scratch / "hour.wav").string());
    for (auto _ : state) {
        engine.SetDeviceActive(true);
        time.advance(std::chrono::hours(1));
        engine.SetDeviceActive(false);
    }
    const auto expected =
        static_cast<std::uintmax_t>(engine.Source.Format.AvgBytesPerSec()) * 3600 + 46;
    if (std::filesystem::file_size(scratch / "hour.wav") != expected)
        state.SkipWithError("the hour was not saved whole");
}

void BM_RecordAnHourPcm8kHzMono(benchmark::State& state) {
    recordAnHour(state, wfPCM08000M16);
}
void BM_RecordAnHourMulaw8kHzMono(benchmark::State& state) {
    recordAnHour(state, wfuLaw08000M08);
}

void BM_StartPlayingAFile(benchmark::State& state) {
    Scratch scratch;
    core::VirtualTime time;
    winmm::configureStandardWaveDevices("null");
    const std::filesystem::path file = scratch / "ten-seconds.wav";
    {
        winmm::WaveFileWriter writer;
        writer.open(file, {WAVE_FORMAT_PCM, 1, 8000, 16});
        writer.write(std::vector<std::uint8_t>(160000, 0x40));
        writer.close();
    }
    TlkPlayInternal engine;
    engine.SetSourceFileName(file.string());
    for (auto _ : state) {
        engine.SetDeviceActive(true);
        state.PauseTiming();
        if (!engine.deviceOpen())
            state.SkipWithError("the file did not start");
        engine.SetDeviceActive(false);
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_RecordAnHourPcm8kHzMono)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_RecordAnHourMulaw8kHzMono)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_StartPlayingAFile)->Unit(benchmark::kMicrosecond);
