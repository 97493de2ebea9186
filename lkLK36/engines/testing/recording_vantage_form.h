// A monitor window for tests of the engines' side of the seam: it records what the engine asked of
// it, one short word per call, and closes when told. The real windows are Qt forms of their own
// library; these tests only show that the engines drive the seam at the right moments.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKShare.h"
#include "lkLK36/engines/vantage_form.h"

class RecordingVantageForm final : public VantageForm, public LineVantageObserver {
  public:
    explicit RecordingVantageForm(TlkVantage& vantage) : m_vantage(vantage) {}
    // Like a real window destroyed while open (the application ending), it tells its object.
    ~RecordingVantageForm() override {
        if (!closed)
            m_vantage.FormDestroy(*this);
    }

    // The window closing itself, as a click on its close box does.
    void userCloses() {
        calls.push_back("closed by user");
        m_vantage.FormClose(*this);
        m_vantage.FormDestroy(*this);
        closed = true;
    }

    void closeForm() override {
        calls.push_back("closeForm");
        closed = true;
    }
    void show() override { calls.push_back("show"); }
    void setCaption(const std::string& text) override { caption = text; }
    void setStayOnTop(bool value) override { stayOnTop = value; }
    LONG top() const override { return geometry[0]; }
    LONG left() const override { return geometry[1]; }
    TxWindowState windowState() const override { return state; }
    void setTop(LONG value) override { record("top", value, 0); }
    void setLeft(LONG value) override { record("left", value, 1); }
    void setWidth(LONG value) override { record("width", value, 2); }
    void setHeight(LONG value) override { record("height", value, 3); }
    void setWindowState(TxWindowState value) override {
        calls.push_back("state " + std::to_string(value));
        state = value;
    }
    void hideLogSettingsRow() override { calls.push_back("hideLogSettingsRow"); }
    void showLogPage() override { calls.push_back("showLogPage"); }
    void showSourcePage() override { calls.push_back("showSourcePage"); }
    void refreshAll() override { calls.push_back("refreshAll"); }
    void RefreshLogPage() override { ++logRefreshes; }
    void enableErrorButton() override { calls.push_back("enableErrorButton"); }
    void UpdateInfoTree() override { calls.push_back("UpdateInfoTree"); }

    std::vector<std::string> calls;
    std::string caption;
    bool stayOnTop = false;
    bool closed = false;
    int logRefreshes = 0;
    LONG geometry[4] = {};
    TxWindowState state = wsNormal;

  private:
    void record(const char* what, LONG value, int index) {
        calls.push_back(std::string(what) + " " + std::to_string(value));
        geometry[index] = value;
    }

    TlkVantage& m_vantage;
};

// Installs a factory that makes RecordingVantageForms (kept here, so a test can inspect them after
// they closed) and removes it again when destroyed.
class RecordingVantageForms {
  public:
    RecordingVantageForms() {
        setVantageFormFactory([this](TlkVantage& vantage, LONG) -> VantageForm* {
            forms.push_back(std::make_unique<RecordingVantageForm>(vantage));
            return forms.back().get();
        });
    }
    ~RecordingVantageForms() { setVantageFormFactory({}); }

    RecordingVantageForm& last() { return *forms.back(); }

    std::vector<std::unique_ptr<RecordingVantageForm>> forms;
};
