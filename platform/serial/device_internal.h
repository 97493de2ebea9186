// The device the serial control drives when no test replaced it.
#pragma once

#include <memory>

#include "platform/serial/serial.h"

namespace serial {

// A device over QSerialPort.
std::unique_ptr<Device> makeSerialPortDevice();

}  // namespace serial
