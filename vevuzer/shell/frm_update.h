// The update notice: a small window that blinks, shown while the program downloads its own
// update. It exists from its Show until its Unload; its timer toggles it visible and invisible
// each second meanwhile, so hiding it by other means lasts at most a second.
#pragma once

#include "platform/core/messages.h"
#include "platform/ui/form.h"

class frm_update : public ui::Form {
  public:
    explicit frm_update(QWidget* parent = nullptr);
    ~frm_update() override;

    // Shows the notice, modeless.
    void Show();

    void Timer1_Timer();

  private:
    core::Timer m_Timer1;
};
