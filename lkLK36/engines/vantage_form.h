// The seam between the engines and their monitor windows.
//
// The engines know no widgets. A monitor window is a VantageForm made by a factory that the
// monitor-window library registers; until one is registered no window opens. Each engine calls
// the refresh operations of its kind through an observer whose every operation does nothing by
// default, so an engine with no open window (or no window library at all) runs unchanged.
#pragma once

#include <functional>
#include <string>

#include "platform/core/win_types.h"

class TlkVantage;
class TlkSharedDevice;

// Window states of a monitor window; they travel as long integers.
enum TxWindowState : BYTE { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// What every monitor window offers its TlkVantage. The window library owns the window: it frees
// it when it closes, and calls TlkVantage::FormClose and FormDestroy from its close and destroy
// handlers. None of these operations fails or calls back into the engine, except as noted.
class VantageForm {
  public:
    // Closes the window, which then frees itself. After this call the window never touches its
    // TlkVantage again.
    virtual void closeForm() = 0;
    virtual void show() = 0;

    virtual void setCaption(const std::string& caption) = 0;
    virtual void setStayOnTop(bool stayOnTop) = 0;
    virtual LONG top() const = 0;
    virtual LONG left() const = 0;
    virtual TxWindowState windowState() const = 0;
    virtual void setTop(LONG top) = 0;
    virtual void setLeft(LONG left) = 0;
    virtual void setWidth(LONG width) = 0;
    virtual void setHeight(LONG height) = 0;
    virtual void setWindowState(TxWindowState state) = 0;

    // Hides the log settings row (the count box and the active switch) and puts the log at the
    // top of its page.
    virtual void hideLogSettingsRow() = 0;
    virtual void showLogPage() = 0;
    // Play and Record windows only; other windows ignore it.
    virtual void showSourcePage() {}
    // Every refresh operation of the window's kind. The Record window first fills its format list
    // with the preset names.
    virtual void refreshAll() = 0;
    // Lays the log page out anew from the log's lines and settings.
    virtual void RefreshLogPage() = 0;
    // Enables the error button; an error has been reported.
    virtual void enableErrorButton() = 0;

  protected:
    ~VantageForm() = default;
};

// Makes the monitor window of a control kind (1 Line, 2 Phone, 3 Play, 4 Record), or returns null.
using VantageFormFactory = std::function<VantageForm*(TlkVantage& vantage, LONG kind)>;

// Registered once by the monitor-window library; an empty factory removes it.
void setVantageFormFactory(VantageFormFactory factory);
const VantageFormFactory& vantageFormFactory();

// The refresh operations each engine calls after a change. The window of the engine's kind
// implements its observer; with no window the calls reach a null observer and do nothing.
class LineVantageObserver {
  public:
    virtual ~LineVantageObserver() = default;
    virtual void UpdateDeviceStatus() {}
    virtual void UpdateDeviceList(const TlkSharedDevice& /*device*/) {}
    virtual void UpdateCallDetails() {}
    virtual void UpdateConferencePanel(DWORD /*call*/, DWORD /*state*/, DWORD /*mode*/) {}
    virtual void UpdateTransferPanel(DWORD /*call*/, DWORD /*state*/, DWORD /*mode*/) {}
    virtual void UpdateConferencePhoneNumber() {}
    virtual void UpdateTransferPhoneNumber() {}
    virtual void UpdateCallerIDPage() {}
    virtual void UpdateCallParameters() {}
    virtual void UpdateDigitsPage() {}
    virtual void ShowGatheredDigits(const std::string& /*digits*/) {}
    virtual void ShowReceivedDigit(const std::string& /*digit*/) {}
    virtual void UpdatePhoneNumber() {}
    virtual void UpdateInfoTree() {}
    virtual void UpdateAddressList() {}
    virtual void UpdateTerminalPage() {}
};

class PhoneVantageObserver {
  public:
    virtual ~PhoneVantageObserver() = default;
    virtual void UpdateDeviceStatus() {}
    virtual void UpdateDeviceList() {}
    virtual void UpdateHookSwitchPanels() {}
    virtual void UpdatePhoneInfoTree() {}
};

class PlayVantageObserver {
  public:
    virtual ~PlayVantageObserver() = default;
    virtual void UpdateFormatTree() {}
    virtual void UpdateDeviceSettings() {}
    virtual void UpdateVolume() {}
    virtual void UpdateDeviceList() {}
    virtual void UpdateTimerEnabled() {}
    virtual void UpdateTimerInterval() {}
    virtual void UpdateFileName() {}
    virtual void UpdateMaxSize() {}
    virtual void UpdatePosition() {}
    // The file-name box is committed (its exit handler sets Source.FileName) before a start.
    virtual void CommitFileName() {}
};

class RecordVantageObserver {
  public:
    virtual ~RecordVantageObserver() = default;
    virtual void UpdateFormat() {}
    virtual void UpdateFormatSize() {}
    virtual void UpdateDeviceSettings() {}
    virtual void UpdateDeviceList() {}
    virtual void UpdateFileName() {}
    virtual void UpdateMaxSize() {}
};
