// The Phone control: the ActiveX object over a Phone engine (TlkPhoneInternal). Its dual interface
// IlkPhone holds the members every control has and the Phone's own; its events go to
// IlkPhoneEvents.
#pragma once

#include "lkLK36/activex/control_base.h"
#include "lkLK36/engines/lkPhone.h"

namespace lkLK36 {

class TlkPhone final : public TlkControl<TlkPhone, TlkPhoneInternal> {
  public:
    static constexpr LONG kKind = lkKindPhone;

    TlkPhone();

    static const ControlIdentity& identity() { return kPhoneIdentity; }
    static const com::TypeTable& typeTable();
    static const com::TypeTable& eventsTable() { return IlkPhoneEventsTable(); }

  private:
    void hookEvents();
};

}  // namespace lkLK36
