// Internal: what a click on the desktop's icon, as Qt reports it, stands for.
#pragma once

#include <QSystemTrayIcon>
#include <optional>

#include "platform/ui/tray.h"

namespace ui {

// The desktop reports a click by its meaning (Qt's activation reason), not by its button: the
// primary action is a left click, the context request a right click. An unknown reason is nothing.
std::optional<TrayMouse> trayMouseFor(QSystemTrayIcon::ActivationReason reason);

}  // namespace ui
