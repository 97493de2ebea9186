// The Play control: the ActiveX object over a Play engine (TlkPlayInternal). Its dual interface
// IlkPlay holds the members every control has and the Play's own; its events go to IlkPlayEvents.
#pragma once

#include "lkLK36/activex/control_base.h"
#include "lkLK36/engines/lkPlay.h"

namespace lkLK36 {

class TlkPlay final : public TlkControl<TlkPlay, TlkPlayInternal> {
  public:
    static constexpr LONG kKind = lkKindPlay;

    TlkPlay();

    static const ControlIdentity& identity() { return kPlayIdentity; }
    static const com::TypeTable& typeTable();
    static const com::TypeTable& eventsTable() { return IlkPlayEventsTable(); }
};

}  // namespace lkLK36
