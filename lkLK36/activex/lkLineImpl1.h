// The Line control: the ActiveX object over a Line engine (TlkLineInternal). Its dual interface
// IlkLine holds the members every control has and the Line's own; its events go to IlkLineEvents.
#pragma once

#include "lkLK36/activex/control_base.h"
#include "lkLK36/engines/lkLine.h"

namespace lkLK36 {

class TlkLine final : public TlkControl<TlkLine, TlkLineInternal> {
  public:
    static constexpr LONG kKind = lkKindLine;

    TlkLine();

    static const ControlIdentity& identity() { return kLineIdentity; }
    static const com::TypeTable& typeTable();
    static const com::TypeTable& eventsTable() { return IlkLineEventsTable(); }

  private:
    void hookEvents();
};

}  // namespace lkLK36
