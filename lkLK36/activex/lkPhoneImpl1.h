// The Phone control: the ActiveX object over a Phone engine. Until the Phone engine exists the
// control stands on the shared control base alone, so it offers the members every control has;
// its own members join IlkPhone with its engine. Its events go to IlkPhoneEvents.
#pragma once

#include "lkLK36/activex/control_base.h"

namespace lkLK36 {

class TlkPhone final : public TlkControl<TlkPhone, TlkSharedControl> {
  public:
    static constexpr LONG kKind = lkKindPhone;

    TlkPhone();

    static const ControlIdentity& identity() { return kPhoneIdentity; }
    static const com::TypeTable& typeTable();
    static const com::TypeTable& eventsTable() { return IlkPhoneEventsTable(); }
};

}  // namespace lkLK36
