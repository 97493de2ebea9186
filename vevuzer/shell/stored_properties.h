// The property values stored with the main window for the controls it holds, in force before the
// window's load begins. No device name and no active switch is stored: the lines are opened from
// the settings once the window loads.
#pragma once

#include "platform/com/property_bag.h"

namespace vevuzer {

// The same values for each of the four Line controls.
com::Ptr<com::PropertyBag> storedLineProperties();
// The Record control's values: 8 kHz 16-bit mono PCM, a one-second buffer.
com::Ptr<com::PropertyBag> storedRecordProperties();

}  // namespace vevuzer
