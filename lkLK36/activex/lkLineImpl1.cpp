#include "lkLK36/activex/lkLineImpl1.h"

namespace lkLK36 {

TlkLine::TlkLine() : TlkControl(std::make_unique<TlkLineInternal>()) {
    hookEvents();
}

// Every engine event to its DISPID in IlkLineEvents.
void TlkLine::hookEvents() {
    TlkLineInternal& e = engine();
    forward(e.OnBusy, 1);
    forward(e.OnCallBegin, 2);
    forward(e.OnCalledID, 3);
    forward(e.OnCallEnd, 4);
    forward(e.OnCallerID, 5);
    forward(e.OnCallInfo, 6);
    forward(e.OnCallMediaModeChange, 7);
    forward(e.OnCallOwnerChange, 8);
    forward(e.OnCallState, 9);
    forward(e.OnConnected, 10);
    forward(e.OnConnectedID, 11);
    forward(e.OnDialing, 12);
    forward(e.OnDialtone, 13);
    forward(e.OnDigitReceived, 14);
    forward(e.OnDisconnected, 15);
    forward(e.OnError, 16);
    forward(e.OnIdle, 17);
    forward(e.OnMessageOff, 18);
    forward(e.OnMessageOn, 19);
    forward(e.OnOffering, 20);
    forward(e.OnRedirectingID, 21);
    forward(e.OnRedirectionID, 22);
    forward(e.OnRing, 23);
    forward(e.OnRingBack, 24);
    forward(e.OnSilence, 25);
    forward(e.OnSpecialInfo, 26);
    forward(e.OnTAPIMessage, 27);
    forward(e.OnTAPIReply, 28);
    forward(e.OnDigitsSent, 29);
    forward(e.OnToneSent, 30);
    forward(e.OnConferenced, 31);
    forward(e.OnHold, 32);
    forward(e.OnHoldPendingConference, 33);
    forward(e.OnHoldPendingTransfer, 34);
    forward(e.OnProceeding, 35);
    forward(e.OnAddressForward, 36);
    forward(e.OnDigitsGathered, 37);
}

}  // namespace lkLK36
