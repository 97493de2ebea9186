// The Play control: the ActiveX object over a Play engine. Until the Play engine exists the
// control stands on the shared control base alone, so it offers the members every control has;
// its own members join IlkPlay with its engine. Its events go to IlkPlayEvents.
#pragma once

#include "lkLK36/activex/control_base.h"

namespace lkLK36 {

class TlkPlay final : public TlkControl<TlkPlay, TlkSharedControl> {
  public:
    static constexpr LONG kKind = lkKindPlay;

    TlkPlay();

    static const ControlIdentity& identity() { return kPlayIdentity; }
    static const com::TypeTable& typeTable();
    static const com::TypeTable& eventsTable() { return IlkPlayEventsTable(); }
};

}  // namespace lkLK36
