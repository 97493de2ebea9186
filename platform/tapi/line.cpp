// The provider's events as the line applications see them, and the tables' housekeeping.
#include "platform/tapi/line_api.h"

namespace tapi {

using detail::LineApi;

ProviderEvents& apiEvents() {
    return LineApi::instance();
}

namespace detail {

std::vector<LineUser> lineUsers(DWORD device) {
    auto& api = LineApi::instance();
    std::vector<LineUser> users;
    for (auto& [h, open] : api.lines) {
        if (open.device != device || open.closing)
            continue;
        LineApp* a = api.app(open.app);
        users.push_back({a ? a->name : std::string(), h, open.privileges, open.mediaModes});
    }
    return users;
}

void countHandles(CallId call, DWORD& owners, DWORD& monitors) {
    LineApi::instance().ownersOf(call, owners, monitors);
}

void resetApi() {
    auto& api = LineApi::instance();
    std::vector<HLINEAPP> all;
    for (auto& [h, a] : api.apps)
        all.push_back(h);
    for (HLINEAPP h : all)
        api.shutdownApp(h);
    api.lines.clear();
    api.calls.clear();
    api.handlesOfCall.clear();
    api.pending.clear();
    api.originatingApp.clear();
    resetPhoneApi();
}

}  // namespace detail

}  // namespace tapi
