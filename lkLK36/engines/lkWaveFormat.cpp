#include "lkLK36/engines/lkWaveFormat.h"

#include <cmath>
#include <cstdio>

#include "lkLK36/engines/lkLKShare.h"
#include "platform/ui/dialogs.h"

std::string FormatCount(long long value) {
    const bool negative = value < 0;
    std::string digits = std::to_string(negative ? -value : value);
    for (std::ptrdiff_t at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return negative ? "-" + digits : digits;
}

std::string FormatSeconds(double value) {
    const long long hundredths = std::llround(value * 100);
    const long long whole = hundredths / 100;
    const long long fraction = std::llabs(hundredths % 100);
    std::string text = (hundredths < 0 && whole == 0 ? "-" : "") + FormatCount(whole) + ".";
    char decimals[3];
    std::snprintf(decimals, sizeof decimals, "%02lld", fraction);
    text += decimals[0];
    if (decimals[1] != '0')
        text += decimals[1];
    return text;
}

// clang-format off
const std::array<TlkWaveFormatPreset, kWaveFormatCount> TxWAVFORMATS = {{
    {"wfUnknown", "Unknown", {0, 0, 0, 0, 0, 0}},
    {"wfPCM08000M08", "PCM 8,000 Hz, 8-bit, Mono", {1, 1, 8000, 8000, 1, 8}},
    {"wfPCM08000S08", "PCM 8,000 Hz, 8-bit, Stereo", {1, 2, 8000, 16000, 2, 8}},
    {"wfPCM08000M16", "PCM 8,000 Hz, 16-bit, Mono", {1, 1, 8000, 16000, 2, 16}},
    {"wfPCM08000S16", "PCM 8,000 Hz, 16-bit, Stereo", {1, 2, 8000, 32000, 4, 16}},
    {"wfPCM11025M08", "PCM 11,025 Hz, 8-bit, Mono", {1, 1, 11025, 11025, 1, 8}},
    {"wfPCM11025S08", "PCM 11,025 Hz, 8-bit, Stereo", {1, 2, 11025, 22050, 2, 8}},
    {"wfPCM11025M16", "PCM 11,025 Hz, 16-bit, Mono", {1, 1, 11025, 22050, 2, 16}},
    {"wfPCM11025S16", "PCM 11,025 Hz, 16-bit, Stereo", {1, 2, 11025, 44100, 4, 16}},
    {"wfPCM22050M08", "PCM 22,050 Hz, 8-bit, Mono", {1, 1, 22050, 22050, 1, 8}},
    {"wfPCM22050S08", "PCM 22,050 Hz, 8-bit, Stereo", {1, 2, 22050, 44100, 2, 8}},
    {"wfPCM22050M16", "PCM 22,050 Hz, 16-bit, Mono", {1, 1, 22050, 44100, 2, 16}},
    {"wfPCM22050S16", "PCM 22,050 Hz, 16-bit, Stereo", {1, 2, 22050, 88200, 4, 16}},
    {"wfPCM44100M08", "PCM 44,100 Hz, 8-bit, Mono", {1, 1, 44100, 44100, 1, 8}},
    {"wfPCM44100S08", "PCM 44,100 Hz, 8-bit, Stereo", {1, 2, 44100, 88200, 2, 8}},
    {"wfPCM44100M16", "PCM 44,100 Hz, 16-bit, Mono", {1, 1, 44100, 88200, 2, 16}},
    {"wfPCM44100S16", "PCM 44,100 Hz, 16-bit, Stereo", {1, 2, 44100, 176400, 4, 16}},
    {"wfuLaw06000M08", "uLaw 6,000 Hz, 8-bit, Mono", {7, 1, 6000, 6000, 1, 8}},
    {"wfuLaw08000M08", "uLaw 8,000 Hz, 8-bit, Mono", {7, 1, 8000, 8000, 1, 8}},
    {"wfADPCM06000M04", "ADPCM 6,000 Hz, 4-bit, Mono", {23, 1, 6000, 3000, 1, 4}},
    {"wfADPCM08000M04", "ADPCM 8,000 Hz, 4-bit, Mono", {23, 1, 8000, 4000, 1, 4}},
    {"wfIMAADPCM04800M04", "IMA_ADPCM 4,800 Hz, 4-bit, Mono", {17, 1, 4800, 2400, 1, 4}},
    {"wfIMAADPCM07200M04", "IMA_ADPCM 7,200 Hz, 4-bit, Mono", {17, 1, 7200, 3600, 1, 4}},
    {"wfIMAADPCM08000M04", "IMA_ADPCM 8,000 Hz, 4-bit, Mono", {17, 1, 8000, 4000, 1, 4}},
}};
// clang-format on

TWAVFORMATS MatchPresetOf(const TlkFormatNumbers& numbers) {
    for (int i = 1; i < kWaveFormatCount; ++i) {
        if (TxWAVFORMATS[static_cast<std::size_t>(i)].numbers == numbers)
            return static_cast<TWAVFORMATS>(i);
    }
    return wfUnknown;
}

TlkFormat::TlkFormat(TlkSharedControl* owner) : m_owner(owner) {
    if (owner) {
        m_id = wfPCM08000M16;
        m_numbers = TxWAVFORMATS[wfPCM08000M16].numbers;
        m_name = std::string(TxWAVFORMATS[wfPCM08000M16].Name);
    }
}

double TlkFormat::Seconds() const {
    if (m_bytes <= 0 || m_numbers.AvgBytesPerSec == 0)
        return 0;
    return static_cast<double>(m_bytes) / m_numbers.AvgBytesPerSec;
}

void TlkFormat::setNumber(DWORD TlkFormatNumbers::*field, std::string_view name, LONG value) {
    if (m_owner)
        m_owner->log().Add(1,
                           "Source.Format." + std::string(name) + " := " + std::to_string(value));
    m_numbers.*field = static_cast<DWORD>(value);
    MatchPreset();
}

void TlkFormat::SetTag(LONG value) {
    setNumber(&TlkFormatNumbers::Tag, "Tag", value);
}
void TlkFormat::SetChannels(LONG value) {
    setNumber(&TlkFormatNumbers::Channels, "Channels", value);
}
void TlkFormat::SetSamplesPerSec(LONG value) {
    setNumber(&TlkFormatNumbers::SamplesPerSec, "SamplesPerSec", value);
}
void TlkFormat::SetAvgBytesPerSec(LONG value) {
    setNumber(&TlkFormatNumbers::AvgBytesPerSec, "AvgBytesPerSec", value);
}
void TlkFormat::SetBlockAlign(LONG value) {
    setNumber(&TlkFormatNumbers::BlockAlign, "BlockAlign", value);
}
void TlkFormat::SetBitsPerSample(LONG value) {
    setNumber(&TlkFormatNumbers::BitsPerSample, "BitsPerSample", value);
}

void TlkFormat::MatchPreset() {
    SetID(MatchPresetOf(m_numbers));
}

void TlkFormat::SetID(LONG value) {
    // The table has 24 rows: any other value would read past it.
    if (value < 0 || value >= kWaveFormatCount)
        return;
    const TlkWaveFormatPreset& preset = TxWAVFORMATS[static_cast<std::size_t>(value)];
    if (value != m_id) {
        if (m_owner) {
            m_owner->log().Add(1, "Source.Format.ID := " + std::string(preset.ID) + " (" +
                                      std::to_string(value) + ")");
        }
        m_id = static_cast<TWAVFORMATS>(value);
        m_name = std::string(preset.Name);
        // wfUnknown keeps the numbers: a format that matches no preset stays as it was set.
        if (value != wfUnknown)
            m_numbers = preset.numbers;
    }
    refreshViews();
}

void TlkFormat::assignFromFile(const TlkFormatNumbers& numbers) {
    m_numbers = numbers;
    m_id = MatchPresetOf(numbers);
    m_name = std::string(TxWAVFORMATS[m_id].Name);
}

void TlkFormat::clear() {
    m_numbers = {};
    m_bytes = 0;
    m_id = wfUnknown;
    m_name.clear();
}

void TlkFormat::refreshViews() {
    if (!m_owner)
        return;
    m_owner->Vantage().observer<RecordVantageObserver>().UpdateFormat();
    m_owner->DesignerUpdate();
}

bool FillWaveErrorStrings(TlkSharedControl& control, bool warning, LONG code, bool popupOnWarning,
                          std::string_view controlName) {
    if (!warning || code == 0) {
        control.FillErrorStrings(code);
        return code == 0;
    }
    control.Error().set(code, control.errorName(code));
    const std::string name = control.Error().Name();
    control.log().Add(1, "<< Warning >> " + name + " [" + control.Error().Hex() + "]");
    control.Vantage().Popup(popupOnWarning);
    control.Vantage().enableErrorButton();
    if (!popupOnWarning)
        return true;
    return ui::MsgBox("Warning: " + name, ui::vbOKCancel | ui::vbExclamation,
                      "Orvane Quillon - " + std::string(controlName)) == ui::vbOK;
}
