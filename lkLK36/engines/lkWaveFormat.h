// The wave format presets and the format group of the Play and Record engines. A format is the six
// numbers of a WAVEFORMATEX or one of the named presets; the group keeps both in step.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/core/win_types.h"

class TlkSharedControl;

// Texts the wave engines log: a count with thousands separators ("16,000", the pattern
// "###,###,###,##0") and seconds with one or two decimals ("1.5", "2.25", "1,024.0", the pattern
// "###,###,###,##0.0#").
std::string FormatCount(long long value);
std::string FormatSeconds(double value);

// The reporter of the Play and Record engines. An error goes through the control's reporter and
// answers True only for code 0. A warning is recorded and logged, pops the monitor up on
// `popupOnWarning`, and answers True (go on), or, when `popupOnWarning`, whether the user chose
// OK in the warning box captioned after the control ("lkPlay", "lkRecord").
bool FillWaveErrorStrings(TlkSharedControl& control, bool warning, LONG code, bool popupOnWarning,
                          std::string_view controlName);

// The presets; they travel as long integers (TxWAVFORMATS in the type library).
enum TWAVFORMATS : BYTE {
    wfUnknown = 0,
    wfPCM08000M08 = 1,
    wfPCM08000S08 = 2,
    wfPCM08000M16 = 3,
    wfPCM08000S16 = 4,
    wfPCM11025M08 = 5,
    wfPCM11025S08 = 6,
    wfPCM11025M16 = 7,
    wfPCM11025S16 = 8,
    wfPCM22050M08 = 9,
    wfPCM22050S08 = 10,
    wfPCM22050M16 = 11,
    wfPCM22050S16 = 12,
    wfPCM44100M08 = 13,
    wfPCM44100S08 = 14,
    wfPCM44100M16 = 15,
    wfPCM44100S16 = 16,
    wfuLaw06000M08 = 17,
    wfuLaw08000M08 = 18,
    wfADPCM06000M04 = 19,
    wfADPCM08000M04 = 20,
    wfIMAADPCM04800M04 = 21,
    wfIMAADPCM07200M04 = 22,
    wfIMAADPCM08000M04 = 23,
};
inline constexpr int kWaveFormatCount = 24;

// The six numbers of a format, in WAVEFORMATEX order.
struct TlkFormatNumbers {
    DWORD Tag = 0;
    DWORD Channels = 0;
    DWORD SamplesPerSec = 0;
    DWORD AvgBytesPerSec = 0;
    DWORD BlockAlign = 0;
    DWORD BitsPerSample = 0;

    friend bool operator==(const TlkFormatNumbers&, const TlkFormatNumbers&) = default;
};

struct TlkWaveFormatPreset {
    std::string_view ID;    // the enumerator's name
    std::string_view Name;  // shown to users
    TlkFormatNumbers numbers;
};

// One row per preset, indexed by its value.
extern const std::array<TlkWaveFormatPreset, kWaveFormatCount> TxWAVFORMATS;

// The first preset (1 to 23, in order) whose six numbers are all equal to `numbers`, else
// wfUnknown.
TWAVFORMATS MatchPresetOf(const TlkFormatNumbers& numbers);

// The Format group. The Record engine's group belongs to its engine: its setters log and re-derive
// the preset. The Play engine's group has no owner and is filled from the files it loads.
class TlkFormat {
  public:
    explicit TlkFormat(TlkSharedControl* owner = nullptr);

    LONG Tag() const { return static_cast<LONG>(m_numbers.Tag); }
    LONG Channels() const { return static_cast<LONG>(m_numbers.Channels); }
    LONG SamplesPerSec() const { return static_cast<LONG>(m_numbers.SamplesPerSec); }
    LONG AvgBytesPerSec() const { return static_cast<LONG>(m_numbers.AvgBytesPerSec); }
    LONG BlockAlign() const { return static_cast<LONG>(m_numbers.BlockAlign); }
    LONG BitsPerSample() const { return static_cast<LONG>(m_numbers.BitsPerSample); }
    const TlkFormatNumbers& numbers() const { return m_numbers; }
    TWAVFORMATS ID() const { return m_id; }
    const std::string& Name() const { return m_name; }
    LONG Bytes() const { return m_bytes; }
    // Bytes / AvgBytesPerSec; 0 while nothing is counted, and also for a byte rate of 0, which a
    // host or a file can give and which would otherwise divide by zero.
    double Seconds() const;

    // The Record group's setters: each logs its line, stores the value and matches the presets.
    void SetTag(LONG value);
    void SetChannels(LONG value);
    void SetSamplesPerSec(LONG value);
    void SetAvgBytesPerSec(LONG value);
    void SetBlockAlign(LONG value);
    void SetBitsPerSample(LONG value);
    // Chooses a preset: a new one is logged and named, and (unless it is wfUnknown) its numbers
    // are copied. A value that is no preset changes nothing.
    void SetID(LONG value);
    void MatchPreset();

    // The engines' own bookkeeping, never logged.
    void setBytes(LONG bytes) { m_bytes = bytes; }
    // The numbers of a loaded file, with the preset they match (no log line).
    void assignFromFile(const TlkFormatNumbers& numbers);
    // Six numbers, Bytes and the preset back to nothing.
    void clear();

  private:
    void setNumber(DWORD TlkFormatNumbers::*field, std::string_view name, LONG value);
    void refreshViews();

    TlkFormatNumbers m_numbers;
    LONG m_bytes = 0;
    TWAVFORMATS m_id = wfUnknown;
    std::string m_name;
    TlkSharedControl* m_owner;
};
