// The Record control: the ActiveX object over a Record engine. Until the Record engine exists the
// control stands on the shared control base alone, so it offers the members every control has;
// its own members join IlkRecord with its engine. Its events go to IlkRecordEvents.
#pragma once

#include "lkLK36/activex/control_base.h"

namespace lkLK36 {

class TlkRecord final : public TlkControl<TlkRecord, TlkSharedControl> {
  public:
    static constexpr LONG kKind = lkKindRecord;

    TlkRecord();

    static const ControlIdentity& identity() { return kRecordIdentity; }
    static const com::TypeTable& typeTable();
    static const com::TypeTable& eventsTable() { return IlkRecordEventsTable(); }
};

}  // namespace lkLK36
