// The main window.
#pragma once

#include "platform/ui/form.h"

class frm_main : public ui::Form {
  public:
    explicit frm_main(QWidget* parent = nullptr);
};
