#include "vevuzer/shell/frm_main.h"

namespace {

// The window's size as designed, in twips.
constexpr int kDesignWidth = 6930;
constexpr int kDesignHeight = 1530;

}  // namespace

frm_main::frm_main(QWidget* parent) : ui::Form(parent) {
    setObjectName("frm_main");
    setCaption("Belltale");
    setTwipsWidth(kDesignWidth);
    setTwipsHeight(kDesignHeight);
}
