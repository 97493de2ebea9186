// The main window: a small skinned strip with the status box. It builds its widgets and hands
// everything else to MainWindow, which holds the window's controls and procedures.
#pragma once

#include <functional>
#include <string>

#include "platform/ui/form.h"
#include "vevuzer/shell/main_window.h"

class QLabel;
class QCloseEvent;

class frm_main : public ui::Form, public vevuzer::MainWindowForm {
  public:
    explicit frm_main(QWidget* parent = nullptr);
    ~frm_main() override;

    // Runs the window's load: the program's start.
    void Form_Load() { m_main.Form_Load(); }
    vevuzer::MainWindow& main() { return m_main; }

    // What ending the program does. By default the window hides and the event loop is asked to
    // return; the program itself ends the process at once.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    // MainWindowForm
    int formLeft() const override { return twipsLeft(); }
    int formTop() const override { return twipsTop(); }
    void setFormLeft(int twips) override { setTwipsLeft(twips); }
    void setFormTop(int twips) override { setTwipsTop(twips); }
    void setFormHeight(int twips) override { setTwipsHeight(twips); }
    bool loadSkinPicture(const std::string& path) override;
    void endProgram() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QLabel* m_picture1;
    QLabel* m_txtDisplay;
    std::function<void()> m_endProgram;
    vevuzer::MainWindow m_main;
};
