// The Line control's monitor window: the line device, its addresses and terminals, the current call
// with its caller-ID parties, parameters, digits and monitors, the transfer and conference in
// progress, and the log. Every menu, button and edit drives the control through its own setters
// and operations (lkLineVT.cpp); the control keeps the window current through the refresh
// routines (lkLineVT_refresh.cpp).
#pragma once

#include <functional>
#include <span>
#include <string>

#include "lkLK36/engines/lkLine.h"
#include "lkLK36/vantage/vantage_window.h"

class QLineEdit;
class QMenu;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

class TlkLineVantage : public VantageWindow, public LineVantageObserver {
  public:
    explicit TlkLineVantage(TlkVantage& vantage);
    ~TlkLineVantage() override;

    // ---- the refresh routines the control calls ----
    void refreshAll() override;
    void UpdateDeviceStatus() override;
    void UpdateDeviceList(const TlkSharedDevice& device) override;
    void UpdateDeviceList() { UpdateDeviceList(line().Device); }
    void UpdateCallDetails() override;
    void UpdateConferencePanel(DWORD call, DWORD state, DWORD mode) override;
    void UpdateTransferPanel(DWORD call, DWORD state, DWORD mode) override;
    void UpdateConferencePhoneNumber() override;
    void UpdateTransferPhoneNumber() override;
    void UpdateCallerIDPage() override;
    void UpdateCallParameters() override;
    void UpdateDigitsPage() override;
    void ShowGatheredDigits(const std::string& digits) override;
    void ShowReceivedDigit(const std::string& digit) override;
    void UpdatePhoneNumber() override;
    void UpdateInfoTree() override;
    void UpdateAddressList() override;
    void UpdateTerminalPage() override;

    TlkLineInternal& line() const;

  protected:
    void refreshPropertyPaths() override;
    std::vector<VantageTemplate> templates() const override;
    bool relaysLogOnVisible() const override { return true; }

  private:
    // ---- layout (lkLineVT.cpp) ----
    void buildHeaderButtons();
    void buildMenus();
    QWidget* buildAddressPage();
    QWidget* buildCallPage();
    QWidget* buildConferencePage();
    QWidget* buildInfoPage();
    QWidget* buildTerminalPage();
    QWidget* buildTransferPage();
    QWidget* buildParameters(QWidget* parent, const std::string& prefix,
                             std::function<TlkCallParameters&()> group, bool designerUpdate);

    // ---- handlers ----
    // Runs an operation or setter of the control, then tells the designer when asked; the
    // window may be gone afterwards, so nothing follows the call but that.
    void drive(const std::function<void()>& act, bool designerUpdate = false);
    void MakeMediaModeMenu(QMenu* menu, int first, bool enable, DWORD value, DWORD mask);
    void MenuDeviceMediaModeItemClick(QAction* item);
    void MenuDeviceClick();
    void MenuCallClick();
    void MenuDevicePrivilegeClick();
    void commitPhoneNumber();
    void hexEditExit(QLineEdit* edit, const std::function<void(LONG)>& store,
                     const std::function<DWORD()>& stored, bool designerUpdate);
    void callFromCombo(const char* combo, const std::function<void(DWORD)>& store);
    void dropDownCalls(const char* combo, const TlkStringList& list);
    void selectCall(DWORD handle);
    void TerminalModeClick();
    int chosenParty() const;

    // ---- refresh helpers (lkLineVT_refresh.cpp) ----
    void setPanelImage(const char* image, DWORD call);
    void setPanelImages(DWORD call, std::span<const std::pair<const char*, DWORD>> images);
    void buildCallTree(QTreeWidget* tree);
    void fillCallCombo();

    QMenu* m_menuDeviceMediaMode = nullptr;
    QMenu* m_menuCallMediaMode = nullptr;
    QMenu* m_menuCallMonitorMediaModes = nullptr;
};

// The call status image the Call page shows for a call state, and the one the transfer and
// conference panels show (null: leave the panel's image as it is).
const char* CallStatusImage(DWORD state);
const char* PanelStatusImage(LONG state);
