// Dialling out for the user, and the probe that tells whether a line gives a dial tone: the main
// window's `findconnected` and `finddial`. Both wait with messages pumping, following the dial
// progress flags the Line controls' events set; every wait is bounded. UI thread only.
#pragma once

#include <string>
#include <string_view>

namespace vevuzer {

class MainWindow;
class MainWindowForm;

// Where a dial-out tells the user how it went: the address book's red box (`Text1`).
class DialPrompt {
  public:
    virtual void setText1Text(std::string_view text) = 0;
    virtual void setText1Visible(bool visible) = 0;

  protected:
    ~DialPrompt() = default;
};

class DialOut {
  public:
    DialOut(MainWindow& window, MainWindowForm& form);
    DialOut(const DialOut&) = delete;
    DialOut& operator=(const DialOut&) = delete;

    // The red box the outcome goes to; none by default.
    void setPrompt(DialPrompt* prompt) { m_prompt = prompt; }

    // Dials `number` on line `linea` ("1" to "4"), or through the serial modem when its port is
    // open, and follows the call until it is answered, busy or fails. A dial that finds no dial
    // tone is hung up and tried again, up to four dials in all; a busy call is hung up. While one
    // dial-out or probe runs, another does nothing.
    void findconnected(std::string_view number, std::string_view linea);
    // Dials nothing on line `linea` and answers whether it gave a dial tone within a second.
    bool finddial(std::string_view linea);

    bool dialling() const { return m_dialling; }

  private:
    enum class Wait { DialTone, Connection };
    bool waitFor(Wait what, int seconds);
    void dialSerial(std::string_view number);
    void prompt(std::string_view text);
    void hidePrompt();

    MainWindow& m_window;
    MainWindowForm& m_form;
    DialPrompt* m_prompt = nullptr;
    bool m_dialling = false;
};

// The line a dial names: 1 to 4 for "1" to "4", else 0.
int lineNamed(std::string_view linea);

}  // namespace vevuzer
