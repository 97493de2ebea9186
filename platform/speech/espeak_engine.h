// Internal: the espeak-ng engine, synthesising a whole sentence into memory. The engine is one per
// process and not reentrant; calls are serialised here.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace speech {

struct Pcm {
    int samplesPerSec = 0;  // mono, 16-bit signed samples
    std::vector<std::int16_t> samples;
};

// Loads the engine and its default voice on first use. False when espeak-ng's data or the voice
// is missing (the engine then stays unloaded and every synthesis fails).
bool espeakReady();

// Synthesises an SSML document with the default voice. Nothing when the engine is not ready or
// the synthesis fails.
std::optional<Pcm> synthesize(std::string_view ssml);

}  // namespace speech
