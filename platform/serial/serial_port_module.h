// The table through which the serial layer makes its devices. The serial port module
// (libbelltale_serial_port.so, beside libbelltale_serial.so) holds the device over QSerialPort and
// is loaded when the first real port is opened, so a program that never opens one never maps Qt's
// serial port library. Nothing but the layer's loader and the module includes this.
#pragma once

#include "platform/serial/serial.h"

extern "C" {

struct BelltaleSerialFunctions {
    // A new device over QSerialPort, its port closed; the caller owns it.
    serial::Device* (*newDevice)();
};

// The module's one entry point.
const BelltaleSerialFunctions* belltale_serial_functions();
}

inline constexpr const char* kBelltaleSerialEntryPoint = "belltale_serial_functions";
