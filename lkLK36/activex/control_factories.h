// How the server makes the four controls: one creation function per control class, for the class
// factories of lkLK36_server (DllGetClassObject).
#pragma once

#include <span>

#include "lkLK36/activex/lkLK36_TLB.h"
#include "platform/com/object.h"

namespace lkLK36 {

struct ControlFactory {
    const ControlIdentity& identity;
    com::CreateFunction create;  // makes one control and answers the requested interface on it
};

// The controls in the order their factories are made: Line, Phone, Play, Record.
std::span<const ControlFactory> lkLK36ControlFactories();

}  // namespace lkLK36
