// The device the serial control drives when no test replaced it.
#pragma once

#include <memory>

#include "platform/serial/serial.h"

namespace serial {

// A device over QSerialPort, from the serial port module, which is loaded the first time. When
// the module cannot be loaded (said once on standard error) the device's every open fails with
// comHardwareUnavailable.
std::unique_ptr<Device> makeSerialPortDevice();

}  // namespace serial
