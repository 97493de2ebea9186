// The frame every monitor window shares: the device header, the tool buttons, the page control
// with its Log page, the Vantage, Popup and Help menus, the development-environment switch and
// the window's life (open, close, geometry kept by the control's monitor object).
//
// A window of one control kind derives from VantageWindow, builds its own pages and menus in its
// constructor (asking the frame for the shared menus where its menu bar has them) and implements
// its refresh routines. The window keeps no state of its own: what it shows is read from the
// control, and what it changes goes through the control's own setters and operations.
#pragma once

#include <QMainWindow>
#include <functional>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKShare.h"
#include "lkLK36/engines/vantage_form.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QToolButton;

// What differs between the four kinds in the frame itself.
struct VantageKindTraits {
    const char* controlName;                                   // "lkLine"
    int widthThreshold, minWidth, heightThreshold, minHeight;  // of the page control
};

// A pop-up switch of the control: the menu item's name and caption, and the flag it sets.
struct VantagePopupItem {
    std::string name;
    std::string caption;
    bool* flag;
};

// A caption or hint written from a neutral property path whenever the syntax changes.
struct VantageTemplate {
    enum Target { Caption, Hint };
    std::string component;
    Target target;
    std::string text;
};

class VantageWindow : public QMainWindow, public VantageForm {
  public:
    VantageWindow(TlkVantage& vantage, const VantageKindTraits& traits);
    ~VantageWindow() override;

    // ---- VantageForm ----
    void closeForm() override;
    void show() override;
    void setCaption(const std::string& caption) override;
    void setStayOnTop(bool stayOnTop) override;
    LONG top() const override;
    LONG left() const override;
    TxWindowState windowState() const override;
    void setTop(LONG top) override;
    void setLeft(LONG left) override;
    void setWidth(LONG width) override;
    void setHeight(LONG height) override;
    void setWindowState(TxWindowState state) override;
    void hideLogSettingsRow() override;
    void showLogPage() override;
    void RefreshLogPage() override { LayoutLogPanel(); }
    void enableErrorButton() override;

    // The Log page laid out anew from the log: settings row, switches, count and lines.
    void LayoutLogPanel();
    // A component of the window by its name, or null.
    template <class T = QWidget>
    T* component(const char* name) const {
        return findChild<T*>(QString::fromLatin1(name));
    }
    // Whether the window has been closed (it goes as soon as no handler of it runs).
    bool closing() const { return m_closing; }

  protected:
    // Runs a handler of the window: its body reaches the control, which may pump messages and
    // close the window meanwhile. The window is freed only once the outermost handler has
    // returned, and the body must stop at once when `closing()` turns true.
    void handle(const std::function<void()>& body);
    // Connects a widget signal to a handler run through handle().
    template <class Sender, class Signal>
    void onSignal(Sender* sender, Signal signal, std::function<void()> body) {
        QObject::connect(sender, signal, this, [this, body = std::move(body)] { handle(body); });
    }
    QAction* addMenuAction(QMenu* menu, const char* name, const char* caption,
                           std::function<void()> body, bool checkable = false);

    TlkVantage& vantage() const { return m_vantage; }
    QTabWidget* pageControl() const { return m_pages; }
    QWidget* logPage() const { return m_logPage; }
    // The header row, where a kind puts its device buttons before the device group.
    QHBoxLayout* headerRow() const { return m_headerRow; }
    QGroupBox* deviceGroup() const { return m_deviceGroup; }
    QComboBox* deviceCombo() const { return m_deviceCombo; }
    QLabel* statusActive() const { return m_statusActive; }
    QLabel* statusInactive() const { return m_statusInactive; }
    // The device group's caption, "Device.ID = n    Device.Count = n" in the chosen syntax.
    void showDeviceCaption(LONG id, LONG count);

    // The shared menus, added to the menu bar where the kind's order puts them.
    void addPopupMenu(const char* name, const char* caption, std::vector<VantagePopupItem> items);
    void addVantageMenu();
    void addHelpMenu();

    // The development-environment switch re-runs these refreshes (those that print paths).
    virtual void refreshPropertyPaths() {}
    // The kind's own caption and hint templates (the Log page's three come from the frame).
    virtual std::vector<VantageTemplate> templates() const { return {}; }
    // The kind's own pages after the frame's resize steps.
    virtual void resizePages() {}
    // Whether Vantage > Visible lays the Log page out anew afterwards (the Line window's does).
    virtual bool relaysLogOnVisible() const { return false; }

    void DesignerUpdate() { m_vantage.DesignerUpdate(); }
    std::string syntax(std::string_view neutral) const { return m_vantage.ToDevEnvSyntax(neutral); }
    void applyTemplates();
    // The hints as the layout stores them, before any switch of the environment: a component the
    // layout gives no hint of its own gets its template's neutral path, with "." for "~".
    void applyStoredHints();

    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildHeader();
    void buildToolButtons();
    void buildLogPage();
    void FormResize();
    void showLogLines(std::vector<std::string> lines);
    void switchDevEnv(TxDevEnv devEnv);
    void finishClose();

    void MenuLogActiveClick();
    void MenuLogTimeStampClick();
    void MenuLogCountClick();
    void EditLogCountExit();
    void SpeedButtonClearClick();

    TlkVantage& m_vantage;
    VantageKindTraits m_traits;
    int m_handlerDepth = 0;
    bool m_closing = false;
    bool m_freed = false;

    QHBoxLayout* m_headerRow = nullptr;
    QGroupBox* m_deviceGroup = nullptr;
    QComboBox* m_deviceCombo = nullptr;
    QLabel* m_statusActive = nullptr;
    QLabel* m_statusInactive = nullptr;
    QToolButton* m_errors = nullptr;
    QTabWidget* m_pages = nullptr;
    QWidget* m_logPage = nullptr;
    QWidget* m_logRow = nullptr;
    QCheckBox* m_logActive = nullptr;
    QCheckBox* m_logTimeStamp = nullptr;
    QLineEdit* m_logCount = nullptr;
    QPlainTextEdit* m_memo = nullptr;
    std::vector<std::string> m_shownLog;  // the lines the memo holds

    QAction* m_menuLogActive = nullptr;
    QAction* m_menuLogCount = nullptr;
    QAction* m_menuLogTimeStamp = nullptr;
    QAction* m_menuEvents = nullptr;
    QAction* m_menuStayOnTop = nullptr;
    QAction* m_menuVisible = nullptr;
    std::vector<QAction*> m_devEnvItems;  // C++ Builder, Delphi, Visual Basic, Other
    std::vector<std::pair<QAction*, bool*>> m_popupItems;
};

// A whole number as a user types it: decimal, or hexadecimal after "$"; 0 when it is not one.
LONG ReadWholeNumber(const std::string& text);
// The text a hexadecimal edit shows for a value: "$" and 8 hexadecimal digits, so that reading
// the edit back gives the same value.
std::string HexEditText(DWORD value);
