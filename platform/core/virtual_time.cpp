#include "platform/core/virtual_time.h"

#include "platform/core/scheduler.h"

namespace core {

using detail::Scheduler;

VirtualTime::VirtualTime(OleDate start) {
    Scheduler::instance().enableVirtual(start);
}

VirtualTime::~VirtualTime() {
    Scheduler::instance().disableVirtual();
}

void VirtualTime::advance(std::chrono::milliseconds by) {
    auto& scheduler = Scheduler::instance();
    scheduler.advanceTo(scheduler.tick() + by.count());
}

void VirtualTime::runUntilIdle() {
    Scheduler::instance().runUntilIdle();
}

void VirtualTime::stall(std::chrono::milliseconds by) {
    auto& scheduler = Scheduler::instance();
    scheduler.setVirtualTick(scheduler.tick() + by.count());
}

std::string VirtualTime::pending() const {
    return Scheduler::instance().describe();
}

bool virtualTimeActive() {
    return Scheduler::instance().isVirtual();
}

}  // namespace core
