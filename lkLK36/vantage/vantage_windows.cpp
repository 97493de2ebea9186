#include "lkLK36/vantage/vantage_windows.h"

#include <QApplication>

#include "lkLK36/engines/lkLKShare.h"
#include "lkLK36/vantage/lkLineVT.h"
#include "lkLK36/vantage/lkPhoneVT.h"

namespace {

VantageForm* makeLineWindow(TlkVantage& vantage) {
    auto* window = new TlkLineVantage(vantage);
    // The Line window shows the log from its first moment.
    window->RefreshLogPage();
    return window;
}

VantageForm* makePhoneWindow(TlkVantage& vantage) {
    auto* window = new TlkPhoneVantage(vantage);
    window->RefreshLogPage();
    return window;
}

// One maker per control kind (1 Line, 2 Phone, 3 Play, 4 Record); a kind without one opens none.
using Maker = VantageForm* (*)(TlkVantage&);
constexpr Maker kMakers[] = {nullptr, &makeLineWindow, &makePhoneWindow, nullptr, nullptr};

}  // namespace

VantageForm* makeVantageWindow(TlkVantage& vantage, LONG kind) {
    // Widgets need the application object; a container without one gets no window.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    if (kind < 0 || kind >= static_cast<LONG>(std::size(kMakers)) || !kMakers[kind])
        return nullptr;
    return kMakers[kind](vantage);
}

void installVantageWindows() {
    setVantageFormFactory(&makeVantageWindow);
}

void removeVantageWindows() {
    setVantageFormFactory({});
}
