#include "lkLK36/activex/lkPhoneImpl1.h"

namespace lkLK36 {

namespace {

// The Phone's own members, one row each, as its engine provides them.
constexpr std::array<com::Member, 0> kPhoneMembers{};

}  // namespace

TlkPhone::TlkPhone() : TlkControl(makeSharedEngine(kKind, "TLKPHONE", "lkPhone")) {
    forward(engine().OnError, 3);
}

const com::TypeTable& TlkPhone::typeTable() {
    static constexpr auto members = joinMembers(commonMembers<TlkPhone>(), kPhoneMembers);
    static constexpr com::TypeTable table = dualInterfaceTable(kPhoneIdentity, members);
    return table;
}

}  // namespace lkLK36
