// A Phone control as the engine tests make it: on the simulated exchange, in virtual time and in
// the test's own program folder, logging every line as written; and what its events told.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLine.h"
#include "lkLK36/engines/lkPhone.h"
#include "lkLK36/engines/tests/engine_test_support.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"

// Writes down every event of a Phone control as short text ("OnDigitDown 5", "OnHandsetVolume").
class PhoneEventRecorder {
  public:
    void attach(TlkPhoneInternal& phone) {
        phone.OnDigitDown = [this](TlkPhoneInternal&, char digit) {
            events.push_back(std::string("OnDigitDown ") + digit);
        };
        phone.OnDigitUp = [this](TlkPhoneInternal&, char digit) {
            events.push_back(std::string("OnDigitUp ") + digit);
        };
        const std::pair<TlkPhoneInternal::Event TlkPhoneInternal::*, const char*> plain[] = {
            {&TlkPhoneInternal::OnHandsetHookSwitch, "OnHandsetHookSwitch"},
            {&TlkPhoneInternal::OnSpeakerphoneHookSwitch, "OnSpeakerphoneHookSwitch"},
            {&TlkPhoneInternal::OnHeadsetHookSwitch, "OnHeadsetHookSwitch"},
            {&TlkPhoneInternal::OnHandsetVolume, "OnHandsetVolume"},
            {&TlkPhoneInternal::OnHandsetGain, "OnHandsetGain"},
            {&TlkPhoneInternal::OnSpeakerphoneVolume, "OnSpeakerphoneVolume"},
            {&TlkPhoneInternal::OnSpeakerphoneGain, "OnSpeakerphoneGain"},
            {&TlkPhoneInternal::OnHeadsetVolume, "OnHeadsetVolume"},
            {&TlkPhoneInternal::OnHeadsetGain, "OnHeadsetGain"},
            {&TlkPhoneInternal::OnPhoneState, "OnPhoneState"},
        };
        for (auto [hook, name] : plain) {
            phone.*hook = [this, name = std::string(name)](TlkPhoneInternal&) {
                events.push_back(name);
            };
        }
        phone.OnTAPIReply = [this](TlkPhoneInternal&, LONG, LONG result, LONG) {
            events.push_back("OnTAPIReply " + std::to_string(result));
        };
        phone.OnError = [this, &phone] { events.push_back("OnError " + phone.Error().Name()); };
    }

    // The events since the last take().
    std::vector<std::string> take() { return std::exchange(events, {}); }

    std::vector<std::string> events;
};

// A new control whose log keeps its lines as written, for readable expectations.
inline std::unique_ptr<TlkPhoneInternal> makeLoggingPhone() {
    auto phone = std::make_unique<TlkPhoneInternal>();
    phone->log().SetCount(1000);
    phone->Vantage().SetDevEnv(deDelphi);
    return phone;
}

// The exchange fresh for the test's control, which the test makes (newPhone) and opens as it
// needs.
class PhoneTest : public ::testing::Test {
  protected:
    PhoneTest() {
        tapi::exchange().reset();
        setLkDeviceActiveRequested(false);
    }
    ~PhoneTest() override {
        phone.reset();
        tapi::exchange().reset();
    }

    void newPhone() {
        phone = makeLoggingPhone();
        recorder.attach(*phone);
    }
    // A new control with its phone open as owner, the opening's events and log behind it.
    void openPhone() {
        newPhone();
        phone->SetDeviceActive(true);
        ASSERT_TRUE(phone->Device.Active) << phone->Error().Name();
        time.runUntilIdle();
        recorder.take();
    }
    std::size_t logMark() const { return phone->log().Lines().size(); }
    std::vector<std::string> logSince(std::size_t mark) const {
        const auto& lines = phone->log().Lines();
        return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(mark),
                                        lines.end());
    }

    OwnProgramFolder folder;
    core::VirtualTime time;
    std::unique_ptr<TlkPhoneInternal> phone;
    PhoneEventRecorder recorder;
};
