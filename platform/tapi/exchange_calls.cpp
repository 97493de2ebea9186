// The exchange's calls: the far ends (callers and the parties applications dial), and what each
// asynchronous request does and when its reply comes.
#include "platform/tapi/api_state.h"
#include "platform/tapi/exchange_state.h"
#include "platform/tapi/hookswitch.h"
#include "platform/tapi/wave_link.h"

namespace tapi {

namespace {

constexpr DWORD kDialStepMs = 100;        // dial tone to dialling, and per dialled digit
constexpr DWORD kProceedingMs = 500;      // dialled to ringing at the far end
constexpr DWORD kRemoteDigitGapMs = 200;  // between digits the far end sends
constexpr DWORD kKeyPressMs = 100;        // a handset key held down

void applyCallerId(CallDescription& d, const IncomingCall& caller) {
    Party& p = d.caller;
    if (caller.withheld) {
        p = Party{LINECALLPARTYID_BLOCKED, {}, {}};
    } else if (caller.outOfArea) {
        p = Party{LINECALLPARTYID_OUTOFAREA, {}, {}};
    } else {
        p = Party{(caller.number.empty() ? 0 : LINECALLPARTYID_ADDRESS) |
                      (caller.name.empty() ? 0 : LINECALLPARTYID_NAME),
                  caller.number, caller.name};
        if (p.flags == 0)
            p.flags = LINECALLPARTYID_UNKNOWN;
    }
}

bool liveState(DWORD state) {
    return state != LINECALLSTATE_IDLE && state != LINECALLSTATE_DISCONNECTED;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Callers

CallId Exchange::ring(DWORD line, const IncomingCall& caller) {
    State& s = *m_state;
    SimLine* l = s.lineAt(line);
    if (!l || l->removed || currentCall(line) != 0)
        return 0;
    SimCall& c = s.newCall(line, 0);
    c.incoming = true;
    c.caller = caller;
    c.d.mediaMode = caller.mediaMode;
    c.d.origin = LINECALLORIGIN_EXTERNAL;
    c.d.reason = LINECALLREASON_DIRECT;
    c.d.called = l->config.number.empty() ? Party{LINECALLPARTYID_UNAVAIL, {}, {}}
                                          : Party{LINECALLPARTYID_ADDRESS, l->config.number, {}};
    c.d.caller.flags = LINECALLPARTYID_UNAVAIL;
    const bool withId =
        l->config.callerId && caller.callerIdTiming != IncomingCall::CallerIdTiming::Never;
    if (withId && caller.callerIdTiming == IncomingCall::CallerIdTiming::AtOffering) {
        applyCallerId(c.d, caller);
    }
    c.d.state = LINECALLSTATE_OFFERING;
    c.d.stateMode = LINEOFFERINGMODE_ACTIVE;
    c.d.callStates = LINECALLSTATE_OFFERING;
    const CallId id = c.id;
    apiEvents().callCreated(id);
    // The first ring comes with the offer; a caller-ID modem decodes the number after it.
    apiEvents().lineDevState(line, LINEDEVSTATE_RINGING, 1, 0);
    c.rings = 1;
    if (withId && caller.callerIdTiming == IncomingCall::CallerIdTiming::AfterFirstRing) {
        c.callerIdTimer.start(caller.callerIdDelayMs, [&s, id] {
            SimCall* call = s.find(id);
            if (!call || call->d.state != LINECALLSTATE_OFFERING)
                return;
            applyCallerId(call->d, call->caller);
            apiEvents().callInfoChanged(id, LINECALLINFOSTATE_CALLERID);
        });
    }
    s.armRing(id);
    return id;
}

void Exchange::State::armRing(CallId id) {
    SimCall* c = find(id);
    if (!c)
        return;
    c->ringTimer.start(c->caller.ringIntervalMs, [this, id] {
        SimCall* call = find(id);
        if (!call || call->d.state != LINECALLSTATE_OFFERING)
            return;
        if (call->caller.hangUpAfterRings && call->rings >= call->caller.hangUpAfterRings) {
            remoteHangup(*call);
            return;
        }
        apiEvents().lineDevState(call->d.device, LINEDEVSTATE_RINGING, 1, call->rings);
        ++call->rings;
        armRing(id);
    });
}

// A call that was never answered ends at once; an answered one stays DISCONNECTED until the
// application drops it.
void Exchange::State::remoteHangup(SimCall& c) {
    const bool answered = c.answered;
    stopTimers(c);
    setState(c, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
    if (!answered) {
        if (SimCall* again = find(c.id))
            setState(*again, LINECALLSTATE_IDLE, 0);
    }
}

bool Exchange::updateCaller(DWORD line, const IncomingCall& caller) {
    SimCall* c = m_state->find(currentCall(line));
    if (!c)
        return false;
    c->caller = caller;
    applyCallerId(c->d, caller);
    apiEvents().callInfoChanged(c->id, LINECALLINFOSTATE_CALLERID);
    return true;
}

bool Exchange::hangup(DWORD line) {
    SimCall* c = m_state->find(currentCall(line));
    if (!c || c->d.state == LINECALLSTATE_DISCONNECTED)
        return false;
    m_state->remoteHangup(*c);
    return true;
}

void Exchange::State::connect(SimCall& c) {
    stopTimers(c);
    c.answered = true;
    setState(c, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
    if (c.incoming) {
        startFarEnd(c, c.caller.digitsAfterAnswer, c.caller.recording, 0);
    } else {
        startFarEnd(c, c.party.digits, c.party.recording, c.party.hangUpAfterMs);
    }
}

void Exchange::State::startFarEnd(SimCall& c, const std::string& digits,
                                  const std::filesystem::path& recording, DWORD hangUpAfterMs) {
    SimLine& l = lines[c.d.device];
    // A line without a voice part carries no sound: the far end's recording reaches nothing.
    if (!recording.empty() && l.desc.wave) {
        l.played.push_back(recording);
        if (WaveDeviceTable* table = waveDeviceTable()) {
            table->playIntoWaveIn(l.desc.waveIn, recording);
        }
    }
    const CallId id = c.id;
    if (!digits.empty()) {
        c.digitsToSend = digits;
        c.digitTimer.start(kRemoteDigitGapMs, [this, id] { sendNextDigit(id); });
    }
    if (hangUpAfterMs) {
        c.hangUpTimer.start(hangUpAfterMs, [this, id] {
            if (SimCall* call = find(id))
                remoteHangup(*call);
        });
    }
}

void Exchange::State::sendNextDigit(CallId id) {
    SimCall* c = find(id);
    if (!c || c->digitsToSend.empty() || !liveState(c->d.state))
        return;
    const char digit = c->digitsToSend.front();
    c->digitsToSend.erase(0, 1);
    apiEvents().digitReceived(id, digit, c->digitMode);
    if (SimCall* again = find(id); again && !again->digitsToSend.empty()) {
        again->digitTimer.start(kRemoteDigitGapMs, [this, id] { sendNextDigit(id); });
    }
}

bool Exchange::sendDigits(DWORD line, const std::string& digits, DWORD digitMode) {
    SimCall* c = m_state->find(currentCall(line));
    if (!c || digits.empty())
        return false;
    c->digitMode = digitMode;
    c->digitsToSend += digits;
    if (!c->digitTimer.active()) {
        State* s = m_state.get();
        const CallId id = c->id;
        c->digitTimer.start(kRemoteDigitGapMs, [s, id] { s->sendNextDigit(id); });
    }
    return true;
}

bool Exchange::startTone(DWORD line, DWORD f1, DWORD f2, DWORD f3) {
    const CallId id = currentCall(line);
    if (!id)
        return false;
    apiEvents().toneStarted(id, f1, f2, f3);
    return true;
}

bool Exchange::stopTone(DWORD line) {
    const CallId id = currentCall(line);
    if (!id)
        return false;
    apiEvents().toneStopped(id);
    return true;
}

bool Exchange::detectMedia(DWORD line, DWORD mediaMode) {
    SimCall* c = m_state->find(currentCall(line));
    if (!c)
        return false;
    c->d.mediaMode = mediaMode;
    apiEvents().mediaDetected(c->id, mediaMode);
    apiEvents().callInfoChanged(c->id, LINECALLINFOSTATE_MEDIAMODE);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Parties the applications dial

void Exchange::State::dialOut(SimCall& c, const std::string& number) {
    const CallId id = c.id;
    c.stepTimer.start(kDialStepMs, [this, id, number] {
        SimCall* call = find(id);
        if (!call)
            return;
        setState(*call, LINECALLSTATE_DIALING, 0);
        const DWORD digits = static_cast<DWORD>(digitsOnly(number).size());
        if (SimCall* again = find(id)) {
            again->stepTimer.start(digits * kDialStepMs + kProceedingMs, [this, id, number] {
                SimCall* dialled = find(id);
                if (!dialled)
                    return;
                setState(*dialled, LINECALLSTATE_PROCEEDING, 0);
                reachParty(id, number);
            });
        }
    });
}

void Exchange::State::reachParty(CallId id, const std::string& number) {
    SimCall* c = find(id);
    if (!c)
        return;
    auto it = parties.find(digitsOnly(number));
    c->party = it == parties.end() ? defaultParty : it->second;
    if (const SimLine* l = lineAt(c->d.device); l && l->farEnd) {
        c->party = *l->farEnd;
    }
    c->d.connected =
        Party{LINECALLPARTYID_ADDRESS | (c->party.name.empty() ? 0 : LINECALLPARTYID_NAME), number,
              c->party.name};
    if (c->party.outcome == RemoteParty::Outcome::Busy) {
        setState(*c, LINECALLSTATE_BUSY, LINEBUSYMODE_STATION);
        return;
    }
    setState(*c, LINECALLSTATE_RINGBACK, 0);
    c = find(id);
    if (!c)
        return;
    if (c->noAnswerTimeout) {
        c->stepTimer.start(c->noAnswerTimeout * 1000, [this, id] {
            SimCall* call = find(id);
            if (!call || call->d.state != LINECALLSTATE_RINGBACK)
                return;
            call->ringTimer.stop();
            setState(*call, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER);
        });
    }
    if (c->party.outcome != RemoteParty::Outcome::Answer)
        return;
    c->ringTimer.start(c->party.answerAfterRings * c->party.ringIntervalMs, [this, id] {
        SimCall* call = find(id);
        if (!call || call->d.state != LINECALLSTATE_RINGBACK)
            return;
        connect(*call);
        if (find(id))
            apiEvents().callInfoChanged(id, LINECALLINFOSTATE_CONNECTEDID);
    });
}

// ---------------------------------------------------------------------------------------------
// Requests

ReplyPolicy Exchange::State::policyFor(const char* function) const {
    auto it = policies.find(function);
    return it == policies.end() ? defaultPolicy : it->second;
}

// The reply and the operation's effect, in the order and at the time the policy says.
void Exchange::State::completeLater(RequestId id, const Request& r, std::function<void()> effect,
                                    std::vector<CallId>) {
    const ReplyPolicy p = policyFor(r.function);
    if (p.neverReply)
        return;
    const bool phone =
        r.op == Op::PhoneSetHookSwitch || r.op == Op::PhoneSetVolume || r.op == Op::PhoneSetGain;
    auto reply = [id, phone](LONG result) {
        if (phone) {
            apiEvents().phoneCompleteRequest(id, result);
        } else {
            apiEvents().completeRequest(id, result);
        }
    };
    later(p.delayMs, [p, effect = std::move(effect), reply] {
        if (p.result != 0) {
            reply(p.result);
        } else if (p.stateChangeBeforeReply) {
            effect();
            reply(0);
        } else {
            reply(0);
            effect();
        }
    });
}

LONG Exchange::request(RequestId id, const Request& r, Created& created) {
    return m_state->accept(id, r, created);
}

LONG Exchange::State::accept(RequestId id, const Request& r, Created& created) {
    lastRequests[r.op] = r;
    SimLine* l = lineAt(r.device);
    if (!l || l->removed)
        return LINEERR_NODEVICE;
    const CallId target = r.call;
    const CallId other = r.otherCall;
    auto onCall = [this](CallId call, auto action) {
        return [this, call, action] {
            if (SimCall* c = find(call))
                action(*c);
        };
    };
    auto toState = [this, onCall](CallId call, DWORD state, DWORD mode) {
        return onCall(call, [this, state, mode](SimCall& c) {
            if (state == LINECALLSTATE_IDLE) {
                goIdle(c);
            } else {
                setState(c, state, mode);
            }
        });
    };
    auto makeCall = [&](DWORD reason) -> SimCall& {
        SimCall& c = newCall(r.device, r.address);
        c.d.origin = LINECALLORIGIN_OUTBOUND;
        c.d.reason = reason;
        c.d.mediaMode = r.mediaMode ? r.mediaMode : LINEMEDIAMODE_INTERACTIVEVOICE;
        c.d.bearerMode = r.value ? r.value : LINEBEARERMODE_VOICE;
        c.noAnswerTimeout = r.noAnswerTimeout;
        return c;
    };

    switch (r.op) {
        case Op::MakeCall: {
            // A voice modem carries one call at a time.
            for (auto& [cid, c] : calls) {
                if (c->d.device == r.device && c->d.state != LINECALLSTATE_IDLE) {
                    return LINEERR_CALLUNAVAIL;
                }
            }
            SimCall& c = makeCall(LINECALLREASON_DIRECT);
            c.d.called = Party{LINECALLPARTYID_ADDRESS, r.text, {}};
            c.d.displayableAddress = r.text;
            created.call = c.id;
            const bool dialTone = l->dialTone;
            completeLater(id, r,
                          onCall(c.id,
                                 [this, dialTone, number = r.text](SimCall& call) {
                                     if (!dialTone) {
                                         setState(call, LINECALLSTATE_DISCONNECTED,
                                                  LINEDISCONNECTMODE_NODIALTONE);
                                         return;
                                     }
                                     setState(call, LINECALLSTATE_DIALTONE,
                                              LINEDIALTONEMODE_NORMAL);
                                     if (!number.empty()) {
                                         if (SimCall* again = find(call.id))
                                             dialOut(*again, number);
                                     }
                                 }),
                          {c.id});
            return 0;
        }
        case Op::Dial:
            completeLater(id, r,
                          onCall(target,
                                 [this, number = r.text](SimCall& c) {
                                     if (c.d.state == LINECALLSTATE_DIALTONE ||
                                         c.d.state == LINECALLSTATE_DIALING) {
                                         dialOut(c, number);
                                     } else {
                                         lines[c.d.device].generated += number;
                                     }
                                 }),
                          {});
            return 0;
        case Op::Answer:
            completeLater(id, r, onCall(target, [this](SimCall& c) { connect(c); }), {});
            return 0;
        case Op::Park:
            // A non-directed park picks the orbit: one per call.
            if (r.mode == LINEPARKMODE_NONDIRECTED)
                created.parkedAt = "*8" + std::to_string(target);
            completeLater(id, r, toState(target, LINECALLSTATE_IDLE, 0), {});
            return 0;
        case Op::Drop:
        case Op::Redirect:
        case Op::BlindTransfer:
        case Op::RemoveFromConference:
            completeLater(id, r, toState(target, LINECALLSTATE_IDLE, 0), {});
            return 0;
        case Op::Unpark:
        case Op::Pickup: {
            SimCall& c =
                makeCall(r.op == Op::Unpark ? LINECALLREASON_UNPARK : LINECALLREASON_PICKUP);
            c.d.origin = LINECALLORIGIN_EXTERNAL;
            created.call = c.id;
            completeLater(id, r, onCall(c.id, [this](SimCall& call) { connect(call); }), {c.id});
            return 0;
        }
        case Op::Hold:
            completeLater(id, r, toState(target, LINECALLSTATE_ONHOLD, 0), {});
            return 0;
        case Op::Unhold:
            completeLater(id, r, toState(target, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE),
                          {});
            return 0;
        case Op::SetupTransfer: {
            SimCall& consult = makeCall(LINECALLREASON_DIRECT);
            consult.d.relatedCallId = target;
            created.call = consult.id;
            const CallId cid = consult.id;
            completeLater(id, r,
                          [toState, target, cid] {
                              toState(target, LINECALLSTATE_ONHOLDPENDTRANSFER, 0)();
                              toState(cid, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL)();
                          },
                          {cid});
            return 0;
        }
        case Op::CompleteTransfer:
            if (r.mode == LINETRANSFERMODE_TRANSFER) {
                completeLater(id, r,
                              [toState, target, other] {
                                  toState(target, LINECALLSTATE_IDLE, 0)();
                                  toState(other, LINECALLSTATE_IDLE, 0)();
                              },
                              {});
            } else {
                SimCall& conf = makeCall(LINECALLREASON_DIRECT);
                conf.d.origin = LINECALLORIGIN_CONFERENCE;
                created.call = conf.id;
                const CallId cid = conf.id;
                completeLater(id, r,
                              [toState, target, other, cid] {
                                  toState(cid, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE)();
                                  toState(target, LINECALLSTATE_CONFERENCED, 0)();
                                  toState(other, LINECALLSTATE_CONFERENCED, 0)();
                              },
                              {cid});
            }
            return 0;
        case Op::SetupConference: {
            SimCall& conf = makeCall(LINECALLREASON_DIRECT);
            conf.d.origin = LINECALLORIGIN_CONFERENCE;
            SimCall& consult = makeCall(LINECALLREASON_DIRECT);
            created.call = conf.id;
            created.second = consult.id;
            const CallId confId = conf.id, consultId = consult.id;
            completeLater(id, r,
                          [toState, target, confId, consultId] {
                              toState(confId, LINECALLSTATE_ONHOLDPENDCONF, 0)();
                              if (target)
                                  toState(target, LINECALLSTATE_CONFERENCED, 0)();
                              toState(consultId, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL)();
                          },
                          {confId, consultId});
            return 0;
        }
        case Op::PrepareAddToConference: {
            SimCall& consult = makeCall(LINECALLREASON_DIRECT);
            created.second = consult.id;
            const CallId consultId = consult.id;
            completeLater(id, r,
                          [toState, target, consultId] {
                              toState(target, LINECALLSTATE_ONHOLDPENDCONF, 0)();
                              toState(consultId, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL)();
                          },
                          {consultId});
            return 0;
        }
        case Op::AddToConference:
            completeLater(id, r,
                          [toState, target, other] {
                              toState(other, LINECALLSTATE_CONFERENCED, 0)();
                              toState(target, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE)();
                          },
                          {});
            return 0;
        case Op::SwapHold: {
            const SimCall* held = find(other);
            const DWORD heldState = held ? held->d.state : LINECALLSTATE_ONHOLD;
            completeLater(id, r,
                          [toState, target, other, heldState] {
                              toState(target, heldState, 0)();
                              toState(other, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE)();
                          },
                          {});
            return 0;
        }
        case Op::Forward: {
            const DWORD device = r.device;
            completeLater(
                id, r,
                [this, device, address = r.address, forwards = r.forwards, rings = r.value] {
                    SimLine& line = lines[device];
                    line.ringsNoAnswer = rings;
                    for (DWORD a = 0; a < line.forwards.size(); ++a) {
                        if (address != 0xFFFFFFFF && a != address)
                            continue;
                        line.forwards[a] = forwards;
                        apiEvents().addressState(device, a, LINEADDRESSSTATE_FORWARD);
                    }
                },
                {});
            return 0;
        }
        case Op::SetTerminal: {
            const DWORD device = r.device;
            completeLater(id, r,
                          [this, device, modes = r.mode, terminal = r.value, enable = r.value2] {
                              DWORD& m = lines[device].terminalModes[terminal];
                              m = enable ? (m | modes) : (m & ~modes);
                              apiEvents().lineDevState(device, LINEDEVSTATE_TERMINALS, 0, 0);
                          },
                          {});
            return 0;
        }
        case Op::SetCallParams:
            completeLater(id, r,
                          onCall(target,
                                 [bearer = r.value, rate = r.value3](SimCall& c) {
                                     c.d.bearerMode = bearer;
                                     c.d.rate = rate;
                                     apiEvents().callInfoChanged(
                                         c.id,
                                         LINECALLINFOSTATE_BEARERMODE | LINECALLINFOSTATE_RATE);
                                 }),
                          {});
            return 0;
        default:
            return LINEERR_OPERATIONUNAVAIL;
    }
}

// ---------------------------------------------------------------------------------------------
// The handset

LONG Exchange::phoneRequest(RequestId id, const Request& r) {
    State& s = *m_state;
    s.lastRequests[r.op] = r;
    if (r.device >= s.phones.size())
        return PHONEERR_NODEVICE;
    const DWORD device = r.device;
    const DWORD hookSwitchDevs = r.value2;  // several for a hookswitch request, else one
    std::function<void()> effect;
    switch (r.op) {
        case Op::PhoneSetHookSwitch:
            effect = [&s, device, hookSwitchDevs, mode = r.mode] {
                for (const detail::HookSwitchDevice& dev : detail::kHookSwitchDevices) {
                    if (hookSwitchDevs & dev.device) {
                        s.phones[device].status.*dev.mode = mode;
                        apiEvents().phoneState(device, dev.hookSwitchState, mode);
                    }
                }
            };
            break;
        case Op::PhoneSetVolume:
        case Op::PhoneSetGain: {
            const detail::HookSwitchDevice* dev = detail::hookSwitchDevice(hookSwitchDevs);
            if (!dev)
                return PHONEERR_INVALHOOKSWITCHDEV;
            const bool volume = r.op == Op::PhoneSetVolume;
            effect = [&s, device, dev, volume, level = r.value] {
                s.phones[device].status.*(volume ? dev->volume : dev->gain) = level;
                apiEvents().phoneState(device, volume ? dev->volumeState : dev->gainState, 0);
            };
            break;
        }
        default:
            return PHONEERR_OPERATIONUNAVAIL;
    }
    s.completeLater(id, r, std::move(effect), {});
    return 0;
}

bool Exchange::pressPhoneKey(DWORD phone, char key) {
    DWORD button = 0;
    if (key >= '0' && key <= '9') {
        button = static_cast<DWORD>(key - '0');
    } else if (key == '*') {
        button = 10;
    } else if (key == '#') {
        button = 11;
    } else {
        return false;
    }
    return pressPhoneButton(phone, button, PHONEBUTTONMODE_KEYPAD);
}

bool Exchange::pressPhoneButton(DWORD phone, DWORD buttonId, DWORD mode) {
    State& s = *m_state;
    if (phone >= s.phones.size())
        return false;
    apiEvents().phoneButton(phone, buttonId, mode, PHONEBUTTONSTATE_DOWN);
    s.later(kKeyPressMs, [phone, buttonId, mode] {
        apiEvents().phoneButton(phone, buttonId, mode, PHONEBUTTONSTATE_UP);
    });
    return true;
}

bool Exchange::setHookSwitch(DWORD phone, DWORD hookSwitchDev, DWORD mode) {
    State& s = *m_state;
    const detail::HookSwitchDevice* dev = detail::hookSwitchDevice(hookSwitchDev);
    if (phone >= s.phones.size() || !dev)
        return false;
    SimPhone& p = s.phones[phone];
    const bool oneMode = mode != 0 && (mode & (mode - 1)) == 0;
    if (!(p.desc.caps.dwHookSwitchDevs & hookSwitchDev) || !oneMode ||
        !(mode & p.desc.caps.*dev->monitoredModes)) {
        return false;
    }
    p.status.*dev->mode = mode;
    apiEvents().phoneState(phone, dev->hookSwitchState, mode);
    return true;
}

bool Exchange::setPhoneVolume(DWORD phone, DWORD hookSwitchDev, DWORD level) {
    return m_state->turnPhoneLevel(phone, hookSwitchDev, level, State::PhoneLevel::Volume);
}

bool Exchange::setPhoneGain(DWORD phone, DWORD hookSwitchDev, DWORD level) {
    return m_state->turnPhoneLevel(phone, hookSwitchDev, level, State::PhoneLevel::Gain);
}

bool Exchange::State::turnPhoneLevel(DWORD phone, DWORD hookSwitchDev, DWORD level,
                                     PhoneLevel which) {
    const detail::HookSwitchDevice* dev = detail::hookSwitchDevice(hookSwitchDev);
    if (phone >= phones.size() || !dev || level > 0xFFFF)
        return false;
    SimPhone& p = phones[phone];
    const bool volume = which == PhoneLevel::Volume;
    if (!((volume ? p.desc.caps.dwVolumeFlags : p.desc.caps.dwGainFlags) & hookSwitchDev))
        return false;
    p.status.*(volume ? dev->volume : dev->gain) = level;
    apiEvents().phoneState(phone, volume ? dev->volumeState : dev->gainState, 0);
    return true;
}

bool Exchange::setRingVolume(DWORD phone, DWORD level) {
    State& s = *m_state;
    if (phone >= s.phones.size() || level > 0xFFFF)
        return false;
    s.phones[phone].status.dwRingVolume = level;
    apiEvents().phoneState(phone, PHONESTATE_RINGVOLUME, 0);
    return true;
}

}  // namespace tapi
