#include "lkLK36/vantage/vantage_windows.h"

#include <QApplication>

#include "lkLK36/engines/lkLKShare.h"
#include "lkLK36/vantage/lkLineVT.h"
#include "lkLK36/vantage/lkPhoneVT.h"
#include "lkLK36/vantage/lkPlayVT.h"
#include "lkLK36/vantage/lkRecordVT.h"

namespace {

// Every window shows the lines logged so far from its first moment: Play and Record may open on
// their Log page to show an error.
template <class Window>
VantageForm* makeWindow(TlkVantage& vantage) {
    auto* window = new Window(vantage);
    window->RefreshLogPage();
    return window;
}

// One maker per control kind (1 Line, 2 Phone, 3 Play, 4 Record); a kind without one opens none.
using Maker = VantageForm* (*)(TlkVantage&);
constexpr Maker kMakers[] = {nullptr, &makeWindow<TlkLineVantage>, &makeWindow<TlkPhoneVantage>,
                             &makeWindow<TlkPlayVantage>, &makeWindow<TlkRecordVantage>};

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
