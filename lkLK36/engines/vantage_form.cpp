#include "lkLK36/engines/vantage_form.h"

#include <utility>

namespace {

VantageFormFactory& registeredFactory() {
    static VantageFormFactory factory;
    return factory;
}

}  // namespace

void setVantageFormFactory(VantageFormFactory factory) {
    registeredFactory() = std::move(factory);
}

const VantageFormFactory& vantageFormFactory() {
    return registeredFactory();
}
