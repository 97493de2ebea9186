// The main window's surface: the width animations that open and close it.
#include "platform/core/messages.h"
#include "vevuzer/shell/main_window.h"

namespace vevuzer {
namespace {

constexpr int kCollapsedWidth = 5280;  // twips
constexpr int kOpenWidth = 7000;
constexpr int kOpeningStep = 15;
constexpr int kClosingStep = 20;
constexpr int kOpenSeconds = 8;

}  // namespace

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

}  // namespace vevuzer
