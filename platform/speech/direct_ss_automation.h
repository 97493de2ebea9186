// The speech control as an automation object, for a container that calls its members by DISPID:
// Speak (DISPID_DirectSS_Speak, one text argument) and AudioReset (DISPID_DirectSS_AudioReset).
// Both return at once, as the C++ control's do.
#pragma once

#include "platform/com/object.h"
#include "platform/com/oleauto.h"

namespace speech {

// The dispatch interface's own IID (this project's; no registered class stands behind it).
inline constexpr IID IID_IDirectSS{
    0xD32EC4D5, 0x9AA0, 0x4D7C, {0xAE, 0xDE, 0x1D, 0x77, 0xC4, 0x9D, 0x50, 0x92}};

// A new speech control; the caller owns the one reference.
com::Ptr<IDispatch> createDirectSSObject();

}  // namespace speech
