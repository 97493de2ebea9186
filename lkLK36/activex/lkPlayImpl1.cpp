#include "lkLK36/activex/lkPlayImpl1.h"

namespace lkLK36 {

namespace {

// The Play's own members, one row each, as its engine provides them.
constexpr std::array<com::Member, 0> kPlayMembers{};

}  // namespace

TlkPlay::TlkPlay() : TlkControl(makeSharedEngine(kKind, "TLKPLAY", "lkPlay")) {
    forward(engine().OnError, 2);
}

const com::TypeTable& TlkPlay::typeTable() {
    static constexpr auto members = joinMembers(commonMembers<TlkPlay>(), kPlayMembers);
    static constexpr com::TypeTable table = dualInterfaceTable(kPlayIdentity, members);
    return table;
}

}  // namespace lkLK36
