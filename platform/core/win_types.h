// The basic Windows types and a few universal constants, with the sizes a 32-bit Windows program
// saw: DWORD and LONG are 32 bits wide, so structures that embed them keep their published sizes.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using BOOL = std::int32_t;
using HRESULT = std::int32_t;
using WCHAR = char16_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using LONGLONG = std::int64_t;

// A window handle: an opaque, never reused id of a message target (see messages.h). 0 is "none".
struct HWND__;
using HWND = HWND__*;

// Kernel object handles. In this system a HANDLE carries a file descriptor (see handles.h); an
// HINSTANCE is only carried along and compared.
using HANDLE = void*;
using HINSTANCE = void*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// A globally unique id in COM's binary layout.
struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;

inline constexpr WORD LOWORD(DWORD v) {
    return static_cast<WORD>(v & 0xFFFF);
}
inline constexpr WORD HIWORD(DWORD v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
inline constexpr DWORD MAKELONG(WORD low, WORD high) {
    return static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
}
