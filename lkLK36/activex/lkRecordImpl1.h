// The Record control: the ActiveX object over a Record engine (TlkRecordInternal). Its dual
// interface IlkRecord holds the members every control has and the Record's own; its events go to
// IlkRecordEvents.
#pragma once

#include "lkLK36/activex/control_base.h"
#include "lkLK36/engines/lkRecord.h"

namespace lkLK36 {

class TlkRecord final : public TlkControl<TlkRecord, TlkRecordInternal> {
  public:
    static constexpr LONG kKind = lkKindRecord;

    TlkRecord();

    static const ControlIdentity& identity() { return kRecordIdentity; }
    static const com::TypeTable& typeTable();
    static const com::TypeTable& eventsTable() { return IlkRecordEventsTable(); }
};

}  // namespace lkLK36
