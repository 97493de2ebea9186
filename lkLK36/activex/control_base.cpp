#include "lkLK36/activex/control_base.h"

namespace lkLK36 {

std::unique_ptr<TlkSharedControl> makeSharedEngine(LONG kind, std::string_view bitmap,
                                                   std::string_view name) {
    auto control = std::make_unique<TlkSharedControl>();
    control->InitCtrl(kind, bitmap, name);
    return control;
}

bool reportWaveError(TlkSharedControl& control, bool warning, LONG code) {
    if (!warning || code == 0) {
        control.FillErrorStrings(code);
        return code == 0;
    }
    control.Error().set(code, control.errorName(code));
    control.log().Add(
        1, "<< Warning >> " + control.Error().Name() + " [" + control.Error().Hex() + "]");
    control.Vantage().enableErrorButton();
    return true;
}

}  // namespace lkLK36
