#include "platform/core/clock.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "platform/core/scheduler.h"

namespace core {

namespace {

// Days between 1970-01-01 and the civil date (proleptic Gregorian calendar).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

constexpr std::int64_t kOleEpochDays = -25569;  // 1899-12-30 counted from 1970-01-01
constexpr double kMsPerDay = 86'400'000.0;

}  // namespace

OleDate now() {
    return detail::Scheduler::instance().now();
}

std::int64_t tickCount64() {
    return detail::Scheduler::instance().tick();
}

OleDate oleDateFrom(const DateParts& p) {
    const std::int64_t days =
        daysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) -
        kOleEpochDays;
    const double ms = ((p.hour * 60.0 + p.minute) * 60.0 + p.second) * 1000.0 + p.millisecond;
    return static_cast<double>(days) + ms / kMsPerDay;
}

DateParts datePartsOf(OleDate date) {
    // Round to the millisecond first so 10:00:00 never reads back as 09:59:59.999.
    const auto totalMs = static_cast<std::int64_t>(std::llround(date * kMsPerDay));
    std::int64_t days = totalMs / 86'400'000;
    std::int64_t msOfDay = totalMs % 86'400'000;
    if (msOfDay < 0) {
        msOfDay += 86'400'000;
        --days;
    }
    DateParts p{};
    civilFromDays(days + kOleEpochDays, p.year, p.month, p.day);
    p.hour = static_cast<int>(msOfDay / 3'600'000);
    p.minute = static_cast<int>(msOfDay / 60'000 % 60);
    p.second = static_cast<int>(msOfDay / 1000 % 60);
    p.millisecond = static_cast<int>(msOfDay % 1000);
    return p;
}

}  // namespace core

DWORD GetTickCount() {
    return static_cast<DWORD>(core::tickCount64());
}

void Sleep(DWORD milliseconds) {
    auto& scheduler = core::detail::Scheduler::instance();
    if (scheduler.isVirtual() && scheduler.onUiThread()) {
        scheduler.advanceTo(scheduler.tick() + milliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
