// Writes down every event a Line control raises, as short text ("OnRing 0 1", "OnCallEnd c1"),
// with call handles named c1, c2 ... in the order they were first seen (0 stays "0"). A test
// reads the whole sequence, or only the events of one call.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLine.h"

class LineEventRecorder {
  public:
    void attach(TlkLineInternal& line) {
        for (const auto& [hook, name] : callEvents()) {
            const char* event = name;  // clang 14 cannot capture a structured binding
            line.*hook = [this, event](TlkLineInternal& l, DWORD call) { note(l, event, call); };
        }
        line.OnRing = [this](TlkLineInternal& l, LONG count, LONG mode) {
            note(l, "OnRing " + std::to_string(count) + " " + std::to_string(mode));
        };
        line.OnMessageOn = [this](TlkLineInternal& l) { note(l, "OnMessageOn"); };
        line.OnMessageOff = [this](TlkLineInternal& l) { note(l, "OnMessageOff"); };
        line.OnAddressForward = [this](TlkLineInternal& l, LONG address) {
            note(l, "OnAddressForward " + std::to_string(address));
        };
        line.OnDigitReceived = [this](TlkLineInternal& l, DWORD call, LONG digit, LONG tag) {
            note(l,
                 "OnDigitReceived " + std::string(1, static_cast<char>(digit)) + " " +
                     std::to_string(tag),
                 call);
        };
        line.OnDigitsGathered = [this](TlkLineInternal& l, DWORD call, const std::string& digits,
                                       LONG termination, LONG tag) {
            note(l,
                 "OnDigitsGathered '" + digits + "' " + std::to_string(termination) + " " +
                     std::to_string(tag),
                 call);
        };
        line.OnTAPIReply = [this](TlkLineInternal& l, LONG, LONG result, LONG) {
            note(l, "OnTAPIReply " + std::to_string(result));
        };
        line.OnError = [this, &line] { note(line, "OnError"); };
    }

    // A call's name, given on first sight.
    std::string name(DWORD call) {
        if (call == 0)
            return "0";
        auto [it, added] = m_names.try_emplace(call, "c" + std::to_string(m_names.size() + 1));
        return it->second;
    }
    DWORD handle(const std::string& callName) const {
        for (const auto& [call, text] : m_names) {
            if (text == callName)
                return call;
        }
        return 0;
    }

    // The events since the last take().
    std::vector<std::string> take() {
        std::vector<std::string> fresh(events.begin() + static_cast<std::ptrdiff_t>(m_taken),
                                       events.end());
        m_taken = events.size();
        return fresh;
    }
    // The events of one call, in order, without its name.
    std::vector<std::string> of(const std::string& callName) const {
        std::vector<std::string> mine;
        const std::string suffix = " " + callName;
        for (const std::string& event : events) {
            if (event.size() > suffix.size() &&
                event.compare(event.size() - suffix.size(), suffix.size(), suffix) == 0) {
                mine.push_back(event.substr(0, event.size() - suffix.size()));
            }
        }
        return mine;
    }

    std::vector<std::string> events;
    // Runs inside the handler of the named event, after it was written down.
    std::map<std::string, std::function<void(TlkLineInternal&, DWORD call)>> during;

  private:
    using Hook = TlkLineInternal::CallEvent TlkLineInternal::*;
    static std::vector<std::pair<Hook, const char*>> callEvents() {
        return {{&TlkLineInternal::OnCallerID, "OnCallerID"},
                {&TlkLineInternal::OnCalledID, "OnCalledID"},
                {&TlkLineInternal::OnConnectedID, "OnConnectedID"},
                {&TlkLineInternal::OnRedirectionID, "OnRedirectionID"},
                {&TlkLineInternal::OnRedirectingID, "OnRedirectingID"},
                {&TlkLineInternal::OnCallInfo, "OnCallInfo"},
                {&TlkLineInternal::OnCallEnd, "OnCallEnd"},
                {&TlkLineInternal::OnCallState, "OnCallState"},
                {&TlkLineInternal::OnDialing, "OnDialing"},
                {&TlkLineInternal::OnProceeding, "OnProceeding"},
                {&TlkLineInternal::OnIdle, "OnIdle"},
                {&TlkLineInternal::OnRingBack, "OnRingBack"},
                {&TlkLineInternal::OnConnected, "OnConnected"},
                {&TlkLineInternal::OnSpecialInfo, "OnSpecialInfo"},
                {&TlkLineInternal::OnCallOwnerChange, "OnCallOwnerChange"},
                {&TlkLineInternal::OnCallMediaModeChange, "OnCallMediaModeChange"},
                {&TlkLineInternal::OnDialtone, "OnDialtone"},
                {&TlkLineInternal::OnBusy, "OnBusy"},
                {&TlkLineInternal::OnDisconnected, "OnDisconnected"},
                {&TlkLineInternal::OnHold, "OnHold"},
                {&TlkLineInternal::OnConferenced, "OnConferenced"},
                {&TlkLineInternal::OnHoldPendingTransfer, "OnHoldPendingTransfer"},
                {&TlkLineInternal::OnHoldPendingConference, "OnHoldPendingConference"},
                {&TlkLineInternal::OnDigitsSent, "OnDigitsSent"},
                {&TlkLineInternal::OnToneSent, "OnToneSent"},
                {&TlkLineInternal::OnSilence, "OnSilence"},
                {&TlkLineInternal::OnCallBegin, "OnCallBegin"},
                {&TlkLineInternal::OnOffering, "OnOffering"}};
    }

    void note(TlkLineInternal& line, const std::string& event, DWORD call) {
        events.push_back(event + " " + name(call));
        const std::string key = event.substr(0, event.find(' '));
        if (auto it = during.find(key); it != during.end())
            it->second(line, call);
    }
    void note(TlkLineInternal& line, const std::string& event) {
        events.push_back(event);
        const std::string key = event.substr(0, event.find(' '));
        if (auto it = during.find(key); it != during.end())
            it->second(line, 0);
    }

    std::map<DWORD, std::string> m_names;
    std::size_t m_taken = 0;
};
