#include "lkLK36/activex/control_factories.h"

#include "lkLK36/activex/lkLineImpl1.h"
#include "lkLK36/activex/lkPhoneImpl1.h"
#include "lkLK36/activex/lkPlayImpl1.h"
#include "lkLK36/activex/lkRecordImpl1.h"

namespace lkLK36 {

std::span<const ControlFactory> lkLK36ControlFactories() {
    static const ControlFactory factories[] = {
        {kLineIdentity, &com::createInstance<TlkLine>},
        {kPhoneIdentity, &com::createInstance<TlkPhone>},
        {kPlayIdentity, &com::createInstance<TlkPlay>},
        {kRecordIdentity, &com::createInstance<TlkRecord>},
    };
    return factories;
}

}  // namespace lkLK36
