// The information window: one text box `txt_display` that shows a help text; a click on the text
// closes the window. The window that shows it fills it through `display`.
#pragma once

#include <string>
#include <string_view>

#include "platform/ui/form.h"

class QPlainTextEdit;

class frm_info : public ui::Form {
  public:
    explicit frm_info(QWidget* parent = nullptr);

    // Puts `Text` into the text box, replacing what it showed.
    void display(std::string_view Text);
    std::string text() const;
    // Shows the window modeless and brings it to the front.
    void Show();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPlainTextEdit* m_txtDisplay;
};
