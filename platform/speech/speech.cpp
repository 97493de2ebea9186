#include "platform/speech/speech.h"

#include <mutex>

#include "platform/speech/espeak_engine.h"
#include "platform/speech/voice.h"

namespace speech {
namespace {

std::mutex g_factoryMutex;
VoiceFactory g_factory;

std::unique_ptr<Voice> makeVoice() {
    std::lock_guard lock(g_factoryMutex);
    return g_factory ? g_factory() : makeEspeakVoice();
}

}  // namespace

VoiceFactory setVoiceFactory(VoiceFactory factory) {
    std::lock_guard lock(g_factoryMutex);
    std::swap(g_factory, factory);
    return factory;
}

DirectSS::DirectSS() = default;

DirectSS::~DirectSS() {
    if (m_voice) {
        m_voice->stop();
        m_voice.reset();  // no "finished" can reach this object after this line
    }
}

void DirectSS::Speak(const std::string& text) {
    m_queue.push_back(text);
    if (!m_speaking) {
        startNext();
    }
}

void DirectSS::AudioReset() {
    m_queue.clear();
    if (m_speaking) {
        m_speaking = false;
        ++m_phrase;
        m_voice->stop();
    }
}

bool DirectSS::Speaking() const {
    return m_speaking;
}

void DirectSS::startNext() {
    if (m_queue.empty()) {
        m_speaking = false;
        return;
    }
    if (!m_voice) {
        m_voice = makeVoice();
    }
    std::string text = std::move(m_queue.front());
    m_queue.pop_front();
    m_speaking = true;
    const std::uint64_t phrase = ++m_phrase;
    m_voice->start(text, [this, phrase] { finished(phrase); });
}

void DirectSS::finished(std::uint64_t phrase) {
    if (phrase == m_phrase) {
        startNext();
    }
}

bool speechComponentsInstalled() {
    return espeakReady();
}

}  // namespace speech
