#include "vevuzer/mail/sendmail.h"

#include "vevuzer/settings/settings_store.h"

namespace vevuzer {

void sendmail(std::string_view /*number*/, std::string_view /*name*/) {
    if (!settings::isOn(settings::mail::email)) {
        return;
    }
}

}  // namespace vevuzer
