// The multimedia calls the system uses: wave-out and wave-in devices, RIFF files through mmio, and
// sndPlaySoundA. Names, flags, codes, messages and structures are winmm's; DWORD fields keep their
// 32-bit width and pointer fields are real pointers.
//
// All calls belong to the UI thread. Notifications (MM_WOM_*, MM_WIM_*) are posted to the owner's
// window, or a CALLBACK_FUNCTION is called, from the UI thread's pump: never from inside the call
// that caused them. Devices are paced by the platform clock, so in virtual time a second of audio
// takes no real time.
#pragma once

#include <cstdint>
#include <cstdio>  // SEEK_SET, SEEK_CUR, SEEK_END for mmioSeek

#include "platform/core/win_types.h"

using MMRESULT = UINT;
using MMVERSION = UINT;
using FOURCC = DWORD;
using UINT_PTR = std::uintptr_t;
using LPSTR = char*;
using LPCSTR = const char*;
using HPSTR = char*;

struct HWAVEOUT__;
using HWAVEOUT = HWAVEOUT__*;
struct HWAVEIN__;
using HWAVEIN = HWAVEIN__*;
struct HMMIO__;
using HMMIO = HMMIO__*;

// Result codes.
inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
inline constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
inline constexpr MMRESULT MMSYSERR_BADERRNUM = 9;
inline constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT MMSYSERR_HANDLEBUSY = 12;
// Registry-related codes: this layer never returns them, but callers name every code.
inline constexpr MMRESULT MMSYSERR_INVALIDALIAS = 13;
inline constexpr MMRESULT MMSYSERR_BADDB = 14;
inline constexpr MMRESULT MMSYSERR_KEYNOTFOUND = 15;
inline constexpr MMRESULT MMSYSERR_READERROR = 16;
inline constexpr MMRESULT MMSYSERR_WRITEERROR = 17;
inline constexpr MMRESULT MMSYSERR_DELETEERROR = 18;
inline constexpr MMRESULT MMSYSERR_VALNOTFOUND = 19;
inline constexpr MMRESULT MMSYSERR_NODRIVERCB = 20;
inline constexpr MMRESULT WAVERR_BADFORMAT = 32;
inline constexpr MMRESULT WAVERR_STILLPLAYING = 33;
inline constexpr MMRESULT WAVERR_UNPREPARED = 34;
inline constexpr MMRESULT WAVERR_SYNC = 35;
inline constexpr MMRESULT MMIOERR_FILENOTFOUND = 257;
inline constexpr MMRESULT MMIOERR_OUTOFMEMORY = 258;
inline constexpr MMRESULT MMIOERR_CANNOTOPEN = 259;
inline constexpr MMRESULT MMIOERR_CANNOTCLOSE = 260;
inline constexpr MMRESULT MMIOERR_CANNOTREAD = 261;
inline constexpr MMRESULT MMIOERR_CANNOTWRITE = 262;
inline constexpr MMRESULT MMIOERR_CANNOTSEEK = 263;
inline constexpr MMRESULT MMIOERR_CANNOTEXPAND = 264;
inline constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;
inline constexpr MMRESULT MMIOERR_UNBUFFERED = 266;
inline constexpr MMRESULT MMIOERR_PATHNOTFOUND = 267;
inline constexpr MMRESULT MMIOERR_ACCESSDENIED = 268;
inline constexpr MMRESULT MMIOERR_SHARINGVIOLATION = 269;
inline constexpr MMRESULT MMIOERR_NETWORKERROR = 270;
inline constexpr MMRESULT MMIOERR_TOOMANYOPENFILES = 271;
inline constexpr MMRESULT MMIOERR_INVALIDFILE = 272;

// Notifications: wParam is the device handle, lParam the WAVEHDR* (DONE and DATA) or 0.
inline constexpr UINT MM_WOM_OPEN = 0x3BB;
inline constexpr UINT MM_WOM_CLOSE = 0x3BC;
inline constexpr UINT MM_WOM_DONE = 0x3BD;
inline constexpr UINT MM_WIM_OPEN = 0x3BE;
inline constexpr UINT MM_WIM_CLOSE = 0x3BF;
inline constexpr UINT MM_WIM_DATA = 0x3C0;
inline constexpr UINT WOM_OPEN = MM_WOM_OPEN;
inline constexpr UINT WOM_CLOSE = MM_WOM_CLOSE;
inline constexpr UINT WOM_DONE = MM_WOM_DONE;
inline constexpr UINT WIM_OPEN = MM_WIM_OPEN;
inline constexpr UINT WIM_CLOSE = MM_WIM_CLOSE;
inline constexpr UINT WIM_DATA = MM_WIM_DATA;

// waveOutOpen / waveInOpen flags and the callback kinds.
inline constexpr UINT WAVE_MAPPER = 0xFFFFFFFF;
inline constexpr DWORD WAVE_FORMAT_QUERY = 0x1;
inline constexpr DWORD WAVE_ALLOWSYNC = 0x2;
inline constexpr DWORD WAVE_MAPPED = 0x4;
inline constexpr DWORD WAVE_FORMAT_DIRECT = 0x8;
inline constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
inline constexpr DWORD CALLBACK_NULL = 0x00000000;
inline constexpr DWORD CALLBACK_WINDOW = 0x00010000;
inline constexpr DWORD CALLBACK_TASK = 0x00020000;
inline constexpr DWORD CALLBACK_THREAD = CALLBACK_TASK;
inline constexpr DWORD CALLBACK_FUNCTION = 0x00030000;
inline constexpr DWORD CALLBACK_EVENT = 0x00050000;

// Format tags.
inline constexpr WORD WAVE_FORMAT_PCM = 0x0001;
inline constexpr WORD WAVE_FORMAT_ALAW = 0x0006;
inline constexpr WORD WAVE_FORMAT_MULAW = 0x0007;
inline constexpr WORD WAVE_FORMAT_IMA_ADPCM = 0x0011;
inline constexpr WORD WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// dwFormats bits of the capabilities: rate (1 = 11.025, 2 = 22.05, 4 = 44.1 kHz), mono/stereo,
// bits.
inline constexpr DWORD WAVE_FORMAT_1M08 = 0x001;
inline constexpr DWORD WAVE_FORMAT_1S08 = 0x002;
inline constexpr DWORD WAVE_FORMAT_1M16 = 0x004;
inline constexpr DWORD WAVE_FORMAT_1S16 = 0x008;
inline constexpr DWORD WAVE_FORMAT_2M08 = 0x010;
inline constexpr DWORD WAVE_FORMAT_2S08 = 0x020;
inline constexpr DWORD WAVE_FORMAT_2M16 = 0x040;
inline constexpr DWORD WAVE_FORMAT_2S16 = 0x080;
inline constexpr DWORD WAVE_FORMAT_4M08 = 0x100;
inline constexpr DWORD WAVE_FORMAT_4S08 = 0x200;
inline constexpr DWORD WAVE_FORMAT_4M16 = 0x400;
inline constexpr DWORD WAVE_FORMAT_4S16 = 0x800;

// dwSupport bits of WAVEOUTCAPSA.
inline constexpr DWORD WAVECAPS_PITCH = 0x01;
inline constexpr DWORD WAVECAPS_PLAYBACKRATE = 0x02;
inline constexpr DWORD WAVECAPS_VOLUME = 0x04;
inline constexpr DWORD WAVECAPS_LRVOLUME = 0x08;
inline constexpr DWORD WAVECAPS_SYNC = 0x10;
inline constexpr DWORD WAVECAPS_SAMPLEACCURATE = 0x20;

// WAVEHDR dwFlags.
inline constexpr DWORD WHDR_DONE = 0x01;
inline constexpr DWORD WHDR_PREPARED = 0x02;
inline constexpr DWORD WHDR_BEGINLOOP = 0x04;
inline constexpr DWORD WHDR_ENDLOOP = 0x08;
inline constexpr DWORD WHDR_INQUEUE = 0x10;

// MMTIME wType.
inline constexpr UINT TIME_MS = 0x01;
inline constexpr UINT TIME_SAMPLES = 0x02;
inline constexpr UINT TIME_BYTES = 0x04;
inline constexpr UINT TIME_SMPTE = 0x08;
inline constexpr UINT TIME_MIDI = 0x10;
inline constexpr UINT TIME_TICKS = 0x20;

inline constexpr int MAXPNAMELEN = 32;
inline constexpr WORD MM_UNMAPPED = 0xFFFF;
inline constexpr WORD MM_PID_UNMAPPED = 0xFFFF;

#pragma pack(push, 1)
// Packed, 18 bytes: the layout stored in a wave file's "fmt " chunk. cbSize extra bytes may follow.
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
// The 16-byte form without cbSize.
struct PCMWAVEFORMAT {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(PCMWAVEFORMAT) == 16);

struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;  // on the WHDR_BEGINLOOP header: how many times the loop plays
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};

struct WAVEOUTCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    char szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
    DWORD dwSupport;
};

struct WAVEINCAPSA {
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    char szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
};

struct MMTIME {
    UINT wType;
    union {
        DWORD ms;
        DWORD sample;
        DWORD cb;
        DWORD ticks;
        struct {
            BYTE hour, min, sec, frame, fps, dummy;
            BYTE pad[2];
        } smpte;
        struct {
            DWORD songptrpos;
        } midi;
    } u;
};

// A CALLBACK_FUNCTION receiver: (handle, WOM_* / WIM_*, dwInstance, header or 0, 0).
using WAVECALLBACK = void (*)(void* handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                              DWORD_PTR param2);

// Wave output. deviceId may also be an open HWAVEOUT, as winmm allows.
UINT waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsA(UINT_PTR deviceId, WAVEOUTCAPSA* caps, UINT size);
MMRESULT waveOutOpen(HWAVEOUT* handle, UINT deviceId, const WAVEFORMATEX* format,
                     DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT waveOutClose(HWAVEOUT handle);
MMRESULT waveOutPrepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT handle, WAVEHDR* header, UINT size);
MMRESULT waveOutPause(HWAVEOUT handle);
MMRESULT waveOutRestart(HWAVEOUT handle);
MMRESULT waveOutReset(HWAVEOUT handle);
MMRESULT waveOutGetPosition(HWAVEOUT handle, MMTIME* time, UINT size);
MMRESULT waveOutGetVolume(HWAVEOUT handle, DWORD* volume);
MMRESULT waveOutSetVolume(HWAVEOUT handle, DWORD volume);

// Wave input. deviceId may also be an open HWAVEIN.
UINT waveInGetNumDevs();
MMRESULT waveInGetDevCapsA(UINT_PTR deviceId, WAVEINCAPSA* caps, UINT size);
MMRESULT waveInOpen(HWAVEIN* handle, UINT deviceId, const WAVEFORMATEX* format, DWORD_PTR callback,
                    DWORD_PTR instance, DWORD flags);
MMRESULT waveInClose(HWAVEIN handle);
MMRESULT waveInPrepareHeader(HWAVEIN handle, WAVEHDR* header, UINT size);
MMRESULT waveInUnprepareHeader(HWAVEIN handle, WAVEHDR* header, UINT size);
MMRESULT waveInAddBuffer(HWAVEIN handle, WAVEHDR* header, UINT size);
MMRESULT waveInStart(HWAVEIN handle);
MMRESULT waveInStop(HWAVEIN handle);
MMRESULT waveInReset(HWAVEIN handle);
MMRESULT waveInGetPosition(HWAVEIN handle, MMTIME* time, UINT size);

// sndPlaySoundA flags.
inline constexpr UINT SND_SYNC = 0x0000;
inline constexpr UINT SND_ASYNC = 0x0001;
inline constexpr UINT SND_NODEFAULT = 0x0002;
inline constexpr UINT SND_MEMORY = 0x0004;
inline constexpr UINT SND_LOOP = 0x0008;
inline constexpr UINT SND_NOSTOP = 0x0010;

// Plays a wave file (or, with SND_MEMORY, a wave image in memory) on the default output device.
// A null name stops the sound playing. TRUE when the sound started (SND_ASYNC) or played through.
// There is no system default sound, so a sound that cannot be played gives FALSE.
BOOL sndPlaySoundA(LPCSTR sound, UINT flags);

// mmio.
inline constexpr DWORD MMIO_READ = 0x00000000;
inline constexpr DWORD MMIO_WRITE = 0x00000001;
inline constexpr DWORD MMIO_READWRITE = 0x00000002;
inline constexpr DWORD MMIO_COMPAT = 0x00000000;
inline constexpr DWORD MMIO_EXCLUSIVE = 0x00000010;
inline constexpr DWORD MMIO_DENYWRITE = 0x00000020;
inline constexpr DWORD MMIO_DENYREAD = 0x00000030;
inline constexpr DWORD MMIO_DENYNONE = 0x00000040;
inline constexpr DWORD MMIO_CREATE = 0x00001000;
inline constexpr DWORD MMIO_PARSE = 0x00000100;
inline constexpr DWORD MMIO_DELETE = 0x00000200;
inline constexpr DWORD MMIO_EXIST = 0x00004000;
inline constexpr DWORD MMIO_ALLOCBUF = 0x00010000;
inline constexpr DWORD MMIO_GETTEMP = 0x00020000;
inline constexpr DWORD MMIO_DIRTY = 0x10000000;
// mmioDescend / mmioCreateChunk flags.
inline constexpr UINT MMIO_FINDCHUNK = 0x0010;
inline constexpr UINT MMIO_FINDRIFF = 0x0020;
inline constexpr UINT MMIO_FINDLIST = 0x0040;
inline constexpr UINT MMIO_CREATERIFF = 0x0020;
inline constexpr UINT MMIO_CREATELIST = 0x0040;
// mmioSeek takes SEEK_SET, SEEK_CUR or SEEK_END from <cstdio>.

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
    return static_cast<FOURCC>(static_cast<BYTE>(a)) |
           (static_cast<FOURCC>(static_cast<BYTE>(b)) << 8) |
           (static_cast<FOURCC>(static_cast<BYTE>(c)) << 16) |
           (static_cast<FOURCC>(static_cast<BYTE>(d)) << 24);
}
inline constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
inline constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');

struct MMCKINFO {
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;  // RIFF and LIST chunks only
    DWORD dwDataOffset;
    DWORD dwFlags;  // MMIO_DIRTY: created by mmioCreateChunk and not yet ascended
};

// Only dwFlags (in) and wErrorRet (out) are used; the rest is kept for its layout.
struct MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;
    void* pIOProc;
    UINT wErrorRet;
    void* htask;
    LONG cchBuffer;
    HPSTR pchBuffer;
    HPSTR pchNext;
    HPSTR pchEndRead;
    HPSTR pchEndWrite;
    LONG lBufOffset;
    LONG lDiskOffset;
    DWORD adwInfo[3];
    DWORD dwReserved1;
    DWORD dwReserved2;
    HMMIO hmmio;
};

// Opens a file. NULL on failure, with the reason (MMIOERR_*) in info->wErrorRet when info is given.
// A name that is not found as written is looked up without regard to case, as Windows would.
// MMIO_EXIST and MMIO_DELETE answer (HMMIO)1 for success and open nothing.
HMMIO mmioOpenA(LPSTR fileName, MMIOINFO* info, DWORD flags);
MMRESULT mmioClose(HMMIO handle, UINT flags);  // MMIOERR_CANNOTWRITE when buffered data is lost
LONG mmioRead(HMMIO handle, HPSTR buffer, LONG count);  // bytes read, 0 at the end, -1 on error
LONG mmioWrite(HMMIO handle, const char* buffer, LONG count);  // bytes written, -1 on error
LONG mmioSeek(HMMIO handle, LONG offset, int origin);          // the new position, -1 on error
MMRESULT mmioFlush(HMMIO handle, UINT flags);
MMRESULT mmioDescend(HMMIO handle, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags);
MMRESULT mmioAscend(HMMIO handle, MMCKINFO* chunk, UINT flags);
MMRESULT mmioCreateChunk(HMMIO handle, MMCKINFO* chunk, UINT flags);
FOURCC mmioStringToFOURCCA(LPCSTR text, UINT flags);
