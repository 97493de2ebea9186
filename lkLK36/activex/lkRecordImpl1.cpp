#include "lkLK36/activex/lkRecordImpl1.h"

namespace lkLK36 {

namespace {

// The Record's own members, one row each, as its engine provides them.
constexpr std::array<com::Member, 0> kRecordMembers{};

}  // namespace

TlkRecord::TlkRecord() : TlkControl(makeSharedEngine(kKind, "TLKRECORD", "lkRecord")) {
    forward(engine().OnError, 2);
}

const com::TypeTable& TlkRecord::typeTable() {
    static constexpr auto members = joinMembers(commonMembers<TlkRecord>(), kRecordMembers);
    static constexpr com::TypeTable table = dualInterfaceTable(kRecordIdentity, members);
    return table;
}

}  // namespace lkLK36
