// The main window's surface: dragging it, the width animations that open and close it, the
// status box, the call list, the line indicators and hiding the window.
#include <cctype>
#include <cmath>
#include <string>

#include "platform/core/folders.h"
#include "platform/core/messages.h"
#include "vevuzer/settings/settings_store.h"
#include "vevuzer/shell/activity_log.h"
#include "vevuzer/shell/main_window.h"
#include "vevuzer/shell/sound.h"
#include "vevuzer/shell/speech_output.h"
#include "vevuzer/shell/text_helpers.h"

namespace vevuzer {
namespace {

constexpr int kCollapsedWidth = 5280;  // twips
constexpr int kOpenWidth = 7000;
constexpr int kOpeningStep = 15;
constexpr int kClosingStep = 20;
constexpr int kOpenSeconds = 8;
// The right-hand end of the skin picture, from where the pointer opens the window.
constexpr float kOpeningZone = 4800;
constexpr double kListSecondsWhilePointed = 20;
constexpr int kEnter = 13;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string lowerCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// The characters of `line` from position `p` (counted from 1) up to the next "," or the line's
// last position, which is not taken; `p` is left on the character that ended the field.
std::string scanField(const std::string& line, std::size_t& p) {
    std::string field;
    const std::size_t length = line.size();
    while (p < length && line[p - 1] != ',') {
        field += line[p - 1];
        ++p;
        core::DoEvents();
    }
    return field;
}

// The number as it is spoken: digit by digit (and dash by dash) when it is made of nothing else,
// whole otherwise, so a word such as Withheld is said as a word.
std::string spokenNumber(const std::string& number) {
    std::string t;
    for (const char c : number) {
        t += c;
        t += ' ';
        if (!isDigit(c) && c != '-') {
            return number;
        }
    }
    return t;
}

}  // namespace

// ---- Dragging ----

void MainWindow::dragMouseDown(int Button, float X, float Y) {
    if (Button != kLeftButton || m_dragging) {
        return;
    }
    m_dragx = static_cast<int>(std::lround(X));
    m_dragy = static_cast<int>(std::lround(Y));
    m_dragleft = static_cast<float>(m_form.formLeft());
    m_dragtop = static_cast<float>(m_form.formTop());
    m_dragging = true;
}

// The control moves with the window, so after each step the pointer is back at about the place
// the drag began inside it, and the window follows the pointer.
void MainWindow::dragMouseMove(float X, float Y) {
    const float top = m_dragtop + (Y - static_cast<float>(m_dragy));
    const float left = m_dragleft + (X - static_cast<float>(m_dragx));
    m_form.moveForm(static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)));
    m_dragleft = static_cast<float>(m_form.formLeft());
    m_dragtop = static_cast<float>(m_form.formTop());
}

void MainWindow::Picture1_MouseDown(int Button, int /*Shift*/, float X, float Y) {
    dragMouseDown(Button, X, Y);
}

void MainWindow::Picture1_MouseMove(int /*Button*/, int /*Shift*/, float X, float Y) {
    if (m_dragging) {
        dragMouseMove(X, Y);
    } else if (X >= kOpeningZone && !m_expanding && m_form.formWidth() != kOpenWidth) {
        expand();
    } else if (X >= kOpeningZone) {
        m_state.collapsecountdown = kOpenSeconds;
    }
    stopFlasher();
}

void MainWindow::Picture1_MouseUp(int Button, int /*Shift*/, float /*X*/, float /*Y*/) {
    m_dragging = false;
    if (Button == kRightButton) {
        m_form.popupCommandMenu();
    }
}

void MainWindow::txt_display_MouseDown(int Button, int /*Shift*/, float X, float Y) {
    dragMouseDown(Button, X, Y);
}

void MainWindow::txt_display_MouseMove(int /*Button*/, int /*Shift*/, float X, float Y) {
    if (m_dragging) {
        dragMouseMove(X, Y);
    }
    stopFlasher();
}

void MainWindow::txt_display_MouseUp(int /*Button*/, int /*Shift*/, float /*X*/, float /*Y*/) {
    m_dragging = false;
}

// Both animations let events run at every step, so a mouse move or a timer tick may come in
// between; the two flags keep a second animation from starting inside the first.
void MainWindow::expand() {
    if (m_form.formWidth() == kOpenWidth || m_expanding || m_shrinking) {
        return;
    }
    m_expanding = true;
    for (int w = m_form.formWidth(); w <= kOpenWidth; w += kOpeningStep) {
        m_form.setFormWidth(w);
        core::DoEvents();
    }
    m_form.setFormWidth(kOpenWidth);
    m_expanding = false;
    m_state.collapsecountdown = kOpenSeconds;
}

void MainWindow::minimise() {
    if (m_form.formWidth() == kCollapsedWidth || m_expanding || m_shrinking) {
        return;
    }
    m_shrinking = true;
    for (int w = kOpenWidth; w >= kCollapsedWidth; w -= kClosingStep) {
        m_form.setFormWidth(w);
        core::DoEvents();
    }
    m_form.setFormWidth(kCollapsedWidth);
    m_shrinking = false;
    m_state.collapsecountdown = 0;
}

// ---- Status box, call list, line indicators ----

// A click on the status box while a ring waits for its call-back cancels the call-back.
void MainWindow::txt_display_Click() {
    if (!m_state.callbackpending) {
        return;
    }
    m_state.callbackpending = false;
    m_form.beep();
    m_form.setTxtDisplayText("\r\nUnderstood, checking off!");
}

void MainWindow::display_MouseMove() {
    m_state.statuscountdown = kListSecondsWhilePointed;
}

void MainWindow::display_MouseUp(int Button) {
    if (Button == kRightButton) {
        m_form.popupAddMenu();
    }
}

void MainWindow::display_KeyPress(int KeyAscii) {
    if (KeyAscii == kEnter && m_form.displayVisible()) {
        display_DblClick();
    }
}

// Replays the selected call: a recording is played, a caller is spoken, number then name.
void MainWindow::display_DblClick() {
    // Read before the flasher stops: ending its flashing period fills the list afresh.
    const int selected = m_form.displayListIndex();
    const std::string line = selected >= 0 ? m_form.displayItem(selected) : std::string();
    stopFlasher();
    if (textLength(line) < 2) {
        return;
    }
    std::size_t p = 1;
    while (p < line.size() && line[p - 1] != ':') {
        ++p;
        core::DoEvents();
    }
    ++p;
    std::string number = scanField(line, p);
    std::string wav;
    if (lowerCase(number).find(".wav") != std::string::npos) {
        wav = number;
    }
    ++p;
    std::string name = scanField(line, p);
    number = trimBlanks(number);
    name = trimBlanks(name);
    if (textLength(wav) >= 2) {
        playfile((core::programFolder() / trimBlanks(wav)).string());
        return;
    }
    say(lowerCase(spokenNumber(number) + ". " + name), kSayUrgent);
}

void MainWindow::txt_Click(int line) {
    static constexpr const char* words[kLineCount] = {"one", "two", "three", "four"};
    say(std::string("Line ") + words[line - 1] + " is active.", kSayNormal);
}

// ---- Hiding ----

void MainWindow::Image2_Click() {
    log("Minimising window now");
    hideForm();
    settings::write(settings::key::hidden, settings::kTrue);
    say("Use the task bar icon to show the window again!", kSayUrgent);
}

}  // namespace vevuzer
