// The Line window drives the control as a host would: each menu item and button reaches the
// engine's own setter or operation, which logs it and talks to the exchange.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <functional>

#include "lkLK36/vantage/tests/line_window_fixture.h"

namespace {

using LineWindow = LineWindowTest;

void type(QLineEdit* edit, const char* text) {
    edit->setText(text);
    edit->setModified(true);
    emit edit->editingFinished();
}

bool logged(const TlkLog& log, std::size_t mark, const std::string& start) {
    for (std::size_t i = mark; i < log.Lines().size(); ++i) {
        if (log.Lines()[i].rfind(start, 0) == 0)
            return true;
    }
    return false;
}

TEST(WholeNumbers, AreReadAsTheUserTypesThem) {
    struct Case {
        const char* text;
        LONG value;
    };
    static constexpr Case cases[] = {
        {"16", 16},        {"$10", 16}, {"$00000010", 16}, {"-5", -5},   {"abc", 0},
        {"", 0},           {"$", 0},    {"$FFFFFFFF", -1}, {"12abc", 0}, {"99999999999", 0},
        {"$1FFFFFFFF", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ReadWholeNumber(c.text), c.value);
    }
    EXPECT_EQ(ReadWholeNumber(HexEditText(0x80000010)), static_cast<LONG>(0x80000010));
}

// One incoming call's life driven from the menus; each step is logged by the engine as a host's
// call would be, and the exchange sees it.
TEST_F(LineWindow, MenuCommandsDriveTheLineThroughTheExchange) {
    TlkLineVantage* w = open();
    choose("MenuDevice", "MenuDeviceActive");
    ASSERT_TRUE(line->Device.Active);
    EXPECT_TRUE(w->component<QAction>("MenuDeviceActive")->isChecked());
    const DWORD call = ringWithCallerId();
    ASSERT_NE(call, 0u);

    struct Step {
        const char* name;
        std::function<void()> act;
        const char* logStart;
        DWORD state;
    };
    const Step steps[] = {
        {"answer", [&] { choose("MenuCall", "MenuCallAnswer"); }, "Call.Answer",
         LINECALLSTATE_CONNECTED},
        {"hold", [&] { choose("MenuCall", "MenuCallHold"); }, "Call.Hold", LINECALLSTATE_ONHOLD},
        {"unhold button", [&] { w->component<QPushButton>("ButtonCallUnhold")->click(); },
         "Call.Unhold", LINECALLSTATE_CONNECTED},
        {"send digits",
         [&] {
             w->component<QLineEdit>("EditSendDigits")->setText("42#");
             w->component<QLineEdit>("EditSendDigitsDuration")->setText("100");
             choose("MenuCall", "MenuCallSendDigits");
         },
         "Call.SendDigits", LINECALLSTATE_CONNECTED},
        {"hang up", [&] { choose("MenuCall", "MenuCallHangup"); }, "Call.Hangup",
         LINECALLSTATE_IDLE},
    };
    // (the last row's call has ended: Call.Handle is back to 0 below)
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        const std::size_t mark = logMark();
        s.act();
        time.advance(300ms);
        EXPECT_TRUE(logged(line->log(), mark, s.logStart));
        // An ended call is forgotten: no state is kept for it.
        EXPECT_EQ(line->Call.GetCallState(call), s.state == LINECALLSTATE_IDLE ? 0 : s.state);
    }
    EXPECT_EQ(line->Call.Handle, 0u);
    EXPECT_NE(tapi::exchange().generatedOn(0).find("42#"), std::string::npos);
    EXPECT_EQ(line->Error().Number(), 0);
}

TEST_F(LineWindow, DiallingCommitsTheNumberAndMakesTheCall) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    w->component<QLineEdit>("EditPhoneNumber")->setText("201");
    w->component<QPushButton>("ButtonCallPhoneNumber")->click();
    time.advance(100ms);
    EXPECT_EQ(line->Call.PhoneNumber, "201");
    ASSERT_NE(line->Call.Handle, 0u);
    EXPECT_EQ(tapi::exchange().currentCall(0) != 0, true);
    choose("MenuCall", "MenuCallActive");  // the call is active: hung up
    time.advance(100ms);
    EXPECT_FALSE(line->Call.Active);
}

TEST_F(LineWindow, SendToneSendsTheChosenToneModeAndNoneSendsNothingTimed) {
    struct Case {
        int item;
        const char* duration;
        std::string logged;
    };
    const Case cases[] = {
        {0, "500", "Call.SendTone (00000000, 0)"},
        {2, "250", "Call.SendTone (00000004, 250)"},
        {4, "100", "Call.SendTone (00000010, 100)"},
    };
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    ringWithCallerId();
    choose("MenuCall", "MenuCallAnswer");
    time.advance(100ms);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        w->component<QComboBox>("ComboBoxSendTone")->setCurrentIndex(c.item);
        w->component<QLineEdit>("EditSendToneDuration")->setText(c.duration);
        const std::size_t mark = logMark();
        choose("MenuCall", "MenuCallSendTone");
        time.advance(10ms);
        EXPECT_TRUE(logged(line->log(), mark, c.logged)) << line->log().Lines()[mark];
    }
}

// A hexadecimal edit shows what it stores in a form it reads back the same: leaving it again,
// typed or not, never changes the value.
TEST_F(LineWindow, HexadecimalEditsReadBackWhatTheyShow) {
    TlkLineVantage* w = open();
    auto* flags = w->component<QLineEdit>("EditCPFlags");
    type(flags, "16");
    EXPECT_EQ(line->Call.Parameters.Flags, 16);
    EXPECT_EQ(flags->text().toStdString(), "$00000010");
    emit flags->editingFinished();  // left again without typing
    EXPECT_EQ(line->Call.Parameters.Flags, 16);
    type(flags, flags->text().toStdString().c_str());
    EXPECT_EQ(line->Call.Parameters.Flags, 16);

    // The conference's Flags act when left, like every other parameter edit.
    auto* conference = w->component<QLineEdit>("EditConferencePFlags");
    conference->setText("1");
    conference->setModified(true);
    emit conference->textEdited("1");
    EXPECT_EQ(line->Conference.Parameters.Flags, 0);
    emit conference->editingFinished();
    EXPECT_EQ(line->Conference.Parameters.Flags, 1);

    type(w->component<QLineEdit>("EditAFMode"), "$8");
    EXPECT_EQ(line->Address.Forward.Mode, 8u);
    type(w->component<QLineEdit>("EditTPAddressID"), "abc");
    EXPECT_EQ(line->Transfer.Parameters.AddressID, 0);
    type(w->component<QLineEdit>("EditCPNoAnswerTimeOut"), "30");
    EXPECT_EQ(line->Call.Parameters.NoAnswerTimeout, 30);
    w->component<QCheckBox>("CheckBoxTPDefaults")->click();
    EXPECT_EQ(line->Transfer.Parameters.Defaults,
              w->component<QCheckBox>("CheckBoxTPDefaults")->isChecked());
}

TEST_F(LineWindow, MediaModeSubmenusAreBuiltOnceAndToggleOneBit) {
    TlkLineVantage* w = open();
    auto* menu = w->component<QMenu>("MenuDeviceMediaMode");
    emit w->component<QMenu>("MenuDevice")->aboutToShow();
    ASSERT_EQ(menu->actions().size(), 15);
    emit w->component<QMenu>("MenuDevice")->aboutToShow();
    ASSERT_EQ(menu->actions().size(), 15);
    QAction* unknown = menu->actions()[0];
    EXPECT_EQ(unknown->text().toStdString(), "LINEMEDIAMODE_UNKNOWN");
    const DWORD available = line->Device.MediaModes.Available;
    for (QAction* item : menu->actions())
        EXPECT_EQ(item->isEnabled(), (available & item->data().toUInt()) != 0)
            << item->text().toStdString();

    QAction* voice = nullptr;
    for (QAction* item : menu->actions()) {
        if (item->data().toUInt() == LINEMEDIAMODE_AUTOMATEDVOICE)
            voice = item;
    }
    ASSERT_TRUE(voice);
    const DWORD before = line->Device.MediaModes.Active;
    voice->trigger();
    EXPECT_EQ(line->Device.MediaModes.Active, before ^ LINEMEDIAMODE_AUTOMATEDVOICE);

    line->SetDeviceActive(true);
    emit w->component<QMenu>("MenuDevice")->aboutToShow();
    for (QAction* item : menu->actions())
        EXPECT_FALSE(item->isEnabled());

    auto* monitor = w->component<QMenu>("MenuCallMonitorMediaModes");
    emit w->component<QMenu>("MenuCall")->aboutToShow();
    ASSERT_EQ(monitor->actions().size(), 17);  // "&Active", the separator, 15 modes
    monitor->actions()[3]->trigger();
    EXPECT_EQ(line->Call.MonitorMediaModes.MediaModes, monitor->actions()[3]->data().toUInt());
}

TEST_F(LineWindow, PrivilegeItemsAreDisabledWhileActiveAndFollowTheProperty) {
    TlkLineVantage* w = open();
    choose("MenuDevicePrivilege", "MenuDevicePrivilegeNone");
    emit w->component<QMenu>("MenuDevicePrivilege")->aboutToShow();
    EXPECT_EQ(w->component<QAction>("MenuDevicePrivilegeNone")->isChecked(), line->Privilege.None);
    line->SetDeviceActive(true);
    emit w->component<QMenu>("MenuDevicePrivilege")->aboutToShow();
    auto* owner = w->component<QAction>("MenuDevicePrivilegeOwner");
    EXPECT_FALSE(owner->isEnabled());
    // A refused change leaves the mark as the property has it.
    const bool before = line->Privilege.Owner;
    owner->setEnabled(true);
    owner->trigger();
    EXPECT_EQ(line->Privilege.Owner, before);
    EXPECT_EQ(owner->isChecked(), before);
    EXPECT_EQ(line->Error().Number(), LINEERR_INVALLINESTATE);
}

TEST_F(LineWindow, DeviceClassEditsActOnlyWhenChanged) {
    TlkLineVantage* w = open();
    auto* comm = w->component<QLineEdit>("EditCommDeviceClass");
    const std::size_t mark = logMark();
    emit comm->editingFinished();
    EXPECT_EQ(logMark(), mark);
    type(comm, "comm");
    EXPECT_EQ(line->Comm.DeviceClass, "comm");
    EXPECT_FALSE(comm->isModified());
}

TEST_F(LineWindow, TransferPrimaryCallListLeavesOutTheEmptyHandleAndShowsTheCall) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    const DWORD call = ringWithCallerId();
    auto* primary = w->component<QComboBox>("ComboBoxTransferPrimaryCall");
    primary->showPopup();
    primary->hidePopup();
    ASSERT_EQ(primary->count(), 1);
    EXPECT_EQ(primary->itemText(0).toStdString(), Hex8(call));
    primary->setCurrentIndex(0);
    emit primary->activated(0);
    EXPECT_EQ(line->Transfer.PrimaryCall, call);

    auto* pages = w->component<QTabWidget>("PageControl1");
    pages->setCurrentIndex(0);
    line->Call.SetHandle(0);
    w->component<QPushButton>("TransferPrimaryCall")->click();
    EXPECT_EQ(line->Call.Handle, call);
    EXPECT_EQ(pages->currentWidget(), w->component("TabSheetCall"));
}

TEST_F(LineWindow, CallerIdFormatAndMaskReachTheChosenParty) {
    TlkLineVantage* w = open();
    auto* format = w->component<QCheckBox>("RBFormatCallerID");
    format->click();
    EXPECT_FALSE(line->Call.CallerID.FormatName);
    auto* mask = w->component<QLineEdit>("EditCallerIDFormatMask");
    mask->setText("000 000");
    emit mask->textEdited("000 000");
    EXPECT_EQ(line->Call.CallerID.MaskNumber, "000 000");
    w->component<QRadioButton>("RadioButtonCallCalledID")->click();
    EXPECT_EQ(mask->text().toStdString(), line->Call.CalledID.MaskNumber);
}

TEST_F(LineWindow, TerminalModeBoxesSetTheSumOfTheirBits) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    if (line->Terminal.Count == 0)
        GTEST_SKIP() << "the exchange's line has no terminal";
    ASSERT_EQ(line->Terminal.ActiveModes, 0u);
    // A mode the exchange's terminal offers.
    auto* ringer = w->component<QCheckBox>("CheckBoxLINETERMMODE_RINGER");
    ringer->setChecked(true);
    emit ringer->clicked(true);
    EXPECT_EQ(line->Terminal.ActiveModes, static_cast<DWORD>(LINETERMMODE_RINGER));
}

// The list of calls opens on the current calls; a handle shown that is no longer one stays shown.
TEST_F(LineWindow, APrimaryCallThatIsNoLongerACallKeepsItsTextWhenTheListOpens) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    const DWORD call = ringWithCallerId();
    ASSERT_NE(call, 0u);
    const DWORD gone = call + 0x100;
    line->Transfer.PrimaryCall = gone;
    line->Conference.PrimaryCall = gone;
    w->UpdateTransferPanel(0, 0, 0);
    w->UpdateConferencePanel(0, 0, 0);
    // What a list that cannot be edited shows: its item, or the text it holds outside the list.
    const auto shown = [](const QComboBox* box) {
        return (box->currentIndex() >= 0 ? box->currentText() : box->placeholderText())
            .toStdString();
    };
    for (const char* name : {"ComboBoxTransferPrimaryCall", "ComboBoxConferencePrimaryCall"}) {
        SCOPED_TRACE(name);
        auto* box = w->component<QComboBox>(name);
        ASSERT_FALSE(box->isEditable());
        for (int opened = 0; opened < 2; ++opened) {
            box->showPopup();
            box->hidePopup();
            ASSERT_EQ(box->count(), 1);
            EXPECT_EQ(box->itemText(0).toStdString(), Hex8(call));
            EXPECT_EQ(shown(box), Hex8(gone));
        }
        // Choosing the call shows it.
        box->showPopup();
        box->setCurrentIndex(0);
        box->hidePopup();
        EXPECT_EQ(shown(box), Hex8(call));
    }
}

// Switching either digit monitor clears the digits shown from before.
TEST_F(LineWindow, SwitchingADigitMonitorClearsTheDigitsShown) {
    TlkLineVantage* w = open();
    line->SetDeviceActive(true);
    ASSERT_NE(ringWithCallerId(), 0u);
    choose("MenuCall", "MenuCallAnswer");
    time.advance(300ms);
    auto* gathered = w->component<QLineEdit>("EditCDGOnDigitsGathered");
    auto* received = w->component<QLineEdit>("EditCDGOnDigitReceived");
    TlkCall& call = line->Call;
    const auto digit = [&](const char* digits) {
        ASSERT_TRUE(tapi::exchange().sendDigits(0, digits));
        time.advance(500ms);
    };
    struct Case {
        const char* what;
        std::function<void()> before;  // leaves a digit shown and the switch to test ahead
        std::function<void()> toggle;
    };
    const Case cases[] = {
        {"gathering on",
         [&] {
             call.SetGatherDigitsCount(1);
             call.SetGatherDigitsActive(true);
             call.SetMonitorDigitsActive(true);
             digit("5");  // both shown; the gathering has ended
         },
         [&] { call.SetGatherDigitsActive(true); }},
        {"gathering off",
         [&] {
             call.SetGatherDigitsCount(5);
             call.SetGatherDigitsActive(true);
             digit("6");  // received, still gathering
         },
         [&] { call.SetGatherDigitsActive(false); }},
        {"digit monitor off", [&] { digit("7"); }, [&] { call.SetMonitorDigitsActive(false); }},
        {"digit monitor on",
         [&] {
             call.SetGatherDigitsCount(1);
             call.SetGatherDigitsActive(true);
             digit("8");  // gathered, not received
         },
         [&] { call.SetMonitorDigitsActive(true); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.before();
        ASSERT_NE(gathered->text() + received->text(), QString());
        c.toggle();
        EXPECT_EQ(gathered->text().toStdString(), "");
        EXPECT_EQ(received->text().toStdString(), "");
    }
}

// The template table gives each hint its neutral path from the start, and the syntax switch writes
// it and the captions again in the language chosen.
TEST_F(LineWindow, TemplatesGiveHintsFromTheStartAndInEachSyntax) {
    enum What { Hint, Caption };
    struct Case {
        const char* component;
        const char* stored;  // as the window opens
        const char* cppBuilder;
        const char* visualBasic;
        What what = Hint;
        const char* delphi = nullptr;  // when not what the layout stored
    };
    static constexpr Case cases[] = {
        {"ImageStatusActive", "lkLine.Device.Active = True & lkLine.Call.Active = False",
         "lkLine->Device->Active == True & lkLine->Call->Active == False",
         "lkLine.DeviceActive = True & lkLine.Call.Active = False"},
        {"ComboBoxAddress", "lkLine.Address.Name", "lkLine->Address->Name", "lkLine.AddressName"},
        {"TreeViewCallDetails", "lkLine.Call Status", "lkLine->Call Status", "lkLine.Call Status"},
        {"EditSendDigitsDuration",
         "lkLine.Call.SendDigits (Digits,Duration) //String, milliseconds",
         "lkLine->Call->SendDigits (Digits,Duration) //String, milliseconds",
         "lkLine.CallSendDigits (Digits,Duration) 'String, milliseconds"},
        {"ComboBoxSendTone", "lkLine.Call.SendTone (Tone,Duration) //Integer, milliseconds",
         "lkLine->Call->SendTone (Tone,Duration) //Integer, milliseconds",
         "lkLine.CallSendTone (Tone,Duration) 'Integer, milliseconds"},
        {"EditHandoffApp", "lkLine.Call.Handoff (Application) //String",
         "lkLine->Call->Handoff (Application) //String",
         "lkLine.CallHandoff (Application) 'String"},
        {"EditInfoWaveRecordDeviceClass", "lkLine.WaveRecord.DeviceClass",
         "lkLine->WaveRecord->DeviceClass", "lkLine.WaveRecordDeviceClass"},
        {"EditCallerIDFormatMask", "lkLine.Call.CallerID.MaskNumber",
         "lkLine->Call->CallerID->MaskNumber", "lkLine.CallCallerIDMaskNumber"},
        // The header: the layout's own hints, then the templates'.
        {"SpeedButtonDeviceActive", "lkLine.Device.Active := True", "lkLine->Device->Active = True",
         "lkLine.DeviceActive = True"},
        {"SpeedButtonDeviceInactive", "lkLine.Device.Active := False  -  Click to deactivate",
         "lkLine->Device->Active = False", "lkLine.DeviceActive = False", Hint,
         "lkLine.Device.Active := False"},
        {"ImageStatusInactive", "lkLine.Device.Active = False", "lkLine->Device->Active == False",
         "lkLine.DeviceActive = False"},
        {"ComboBoxDevice", "lkLine.Device.Name", "lkLine->Device->Name", "lkLine.DeviceName"},
        // The Log page.
        {"CheckBoxLogActive", "lkLine.Vantage.Log.Active", "lkLine->Vantage->Log->Active",
         "lkLine.VantageLogActive"},
        {"LabelLogCount", "lkLine.Vantage.Log.Count", "lkLine->Vantage->Log->Count",
         "lkLine.VantageLogCount"},
        {"EditLogCount", "lkLine.Vantage.Log.Count", "lkLine->Vantage->Log->Count",
         "lkLine.VantageLogCount"},
        {"CheckBoxLogTimeStamp", "lkLine.Vantage.Log.TimeStamp", "lkLine->Vantage->Log->TimeStamp",
         "lkLine.VantageLogTimeStamp"},
        // Its path has no member operator: Visual Basic joins the control name too.
        {"MemoLog", "lkLine.Vantage.Log.Lines", "lkLine->Vantage->Log->Lines",
         "lkLineVantageLogLines"},
        {"CheckBoxLogActive", "Log.&Active", "Log->&Active", "Log&Active", Caption},
        {"LabelLogCount", "Log.&Count", "Log->&Count", "Log&Count", Caption},
        {"CheckBoxLogTimeStamp", "Log.&TimeStamp", "Log->&TimeStamp", "Log&TimeStamp", Caption},
        // The Address and Call pages.
        {"TreeViewAddressCaps", "lkLine.Address Capabilities", "lkLine->Address Capabilities",
         "lkLine.Address Capabilities"},
        {"ButtonCallPhoneNumber", "lkLine.Call.PhoneNumber", "lkLine->Call->PhoneNumber",
         "lkLine.CallPhoneNumber"},
        {"EditPhoneNumber", "lkLine.Call.PhoneNumber", "lkLine->Call->PhoneNumber",
         "lkLine.CallPhoneNumber"},
        {"EditMonitorSilenceDuration", "lkLine.Call.MonitorSilence.Duration //milliseconds",
         "lkLine->Call->MonitorSilence->Duration //milliseconds",
         "lkLine.CallMonitorSilenceDuration 'milliseconds"},
        {"ButtonSendDigits", "lkLine.Call.SendDigits (Digits,Duration) //String, milliseconds",
         "lkLine->Call->SendDigits (Digits,Duration) //String, milliseconds",
         "lkLine.CallSendDigits (Digits,Duration) 'String, milliseconds"},
        {"EditSendDigits", "lkLine.Call.SendDigits (Digits,Duration) //String, milliseconds",
         "lkLine->Call->SendDigits (Digits,Duration) //String, milliseconds",
         "lkLine.CallSendDigits (Digits,Duration) 'String, milliseconds"},
        {"ButtonCallHandoff", "lkLine.Call.Handoff (Application) //String",
         "lkLine->Call->Handoff (Application) //String",
         "lkLine.CallHandoff (Application) 'String"},
        {"ButtonCallSendTone", "lkLine.Call.SendTone (Tone,Duration) //Integer, milliseconds",
         "lkLine->Call->SendTone (Tone,Duration) //Integer, milliseconds",
         "lkLine.CallSendTone (Tone,Duration) 'Integer, milliseconds"},
        {"EditSendToneDuration", "lkLine.Call.SendTone (Tone,Duration) //Integer, milliseconds",
         "lkLine->Call->SendTone (Tone,Duration) //Integer, milliseconds",
         "lkLine.CallSendTone (Tone,Duration) 'Integer, milliseconds"},
        {"RBFormatCallerID", "lkLine.Call.CallerID.FormatName",
         "lkLine->Call->CallerID->FormatName", "lkLine.CallCallerIDFormatName"},
        // The layout's caption is the bare name; the template's names the group.
        {"RBFormatCallerID", "FormatName", "CallerID->FormatName", "CallerIDFormatName", Caption,
         "CallerID.FormatName"},
        // The Misc. page: each device class's label and edit.
        {"LabelCommDeviceClass", "lkLine.Comm.DeviceClass", "lkLine->Comm->DeviceClass",
         "lkLine.CommDeviceClass"},
        {"EditCommDeviceClass", "lkLine.Comm.DeviceClass", "lkLine->Comm->DeviceClass",
         "lkLine.CommDeviceClass"},
        {"LabelPhoneDeviceClass", "lkLine.Phone.DeviceClass", "lkLine->Phone->DeviceClass",
         "lkLine.PhoneDeviceClass"},
        {"EditInfoPhoneDeviceClass", "lkLine.Phone.DeviceClass", "lkLine->Phone->DeviceClass",
         "lkLine.PhoneDeviceClass"},
        {"LabelWavePlayDeviceClass", "lkLine.WavePlay.DeviceClass", "lkLine->WavePlay->DeviceClass",
         "lkLine.WavePlayDeviceClass"},
        {"EditInfoWavePlayDeviceClass", "lkLine.WavePlay.DeviceClass",
         "lkLine->WavePlay->DeviceClass", "lkLine.WavePlayDeviceClass"},
        {"LabelWaveRecordDeviceClass", "lkLine.WaveRecord.DeviceClass",
         "lkLine->WaveRecord->DeviceClass", "lkLine.WaveRecordDeviceClass"},
        {"LabelCommDeviceClass", "Comm.DeviceClass", "Comm->DeviceClass", "CommDeviceClass",
         Caption},
        {"LabelPhoneDeviceClass", "Phone.DeviceClass", "Phone->DeviceClass", "PhoneDeviceClass",
         Caption},
        {"LabelWavePlayDeviceClass", "WavePlay.DeviceClass", "WavePlay->DeviceClass",
         "WavePlayDeviceClass", Caption},
        {"LabelWaveRecordDeviceClass", "WaveRecord.DeviceClass", "WaveRecord->DeviceClass",
         "WaveRecordDeviceClass", Caption},
        {"TreeViewInfo", "lkLine Information", "lkLine Information", "lkLine Information"},
    };
    TlkLineVantage* w = open();
    const auto shown = [&](const Case& c) {
        QWidget* widget = w->component(c.component);
        if (!widget)
            return std::string("<none>");
        if (c.what == Hint)
            return widget->toolTip().toStdString();
        if (auto* label = qobject_cast<QLabel*>(widget))
            return label->text().toStdString();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            return button->text().toStdString();
        return std::string("<no caption>");
    };
    const auto expectAll = [&](const char* syntax, const char* Case::*column) {
        SCOPED_TRACE(syntax);
        for (const Case& c : cases) {
            const char* wanted = c.*column ? c.*column : c.stored;
            EXPECT_EQ(shown(c), wanted) << c.component << (c.what == Caption ? " caption" : "");
        }
    };
    expectAll("as stored", &Case::stored);
    choose("MenuDevEnv", "MenuDevEnvCBuilder");
    expectAll("C++ Builder", &Case::cppBuilder);
    choose("MenuDevEnv", "MenuDevEnvVB");
    expectAll("Visual Basic", &Case::visualBasic);
    choose("MenuDevEnv", "MenuDevEnvOther");
    expectAll("Other", &Case::visualBasic);
    choose("MenuDevEnv", "MenuDevEnvDelphi");
    expectAll("Delphi", &Case::delphi);
}

}  // namespace
