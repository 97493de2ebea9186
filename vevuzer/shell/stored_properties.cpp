#include "vevuzer/shell/stored_properties.h"

#include <string>
#include <string_view>

namespace vevuzer {
namespace {

// TxDevEnv's deVisualBasic: the monitor windows write property paths in this host's syntax.
constexpr LONG kDevEnvVisualBasic = 3;
// TxWAVFORMATS's wfPCM08000M16.
constexpr LONG kFormatPcm8kHz16BitMono = 3;
constexpr std::string_view kStoredMask = "000-000-0000;0";

void storeMonitorSettings(com::PropertyBag& bag) {
    bag.set("VantageVisible", false);
    bag.set("VantageStayOnTop", false);
    bag.set("VantageLogActive", false);
    bag.set("VantageLogTimeStamp", false);
    bag.set("VantageLogCount", LONG{50});
    bag.set("VantageDevEnv", kDevEnvVisualBasic);
}

void storeCallParameters(com::PropertyBag& bag, std::string_view group) {
    const std::string prefix(group);
    bag.set(prefix + "ParametersDefaults", true);
    bag.set(prefix + "ParametersBearerMode", LONG{1});
    bag.set(prefix + "ParametersMediaMode", LONG{4});
    bag.set(prefix + "ParametersAddressID", LONG{0});
    bag.set(prefix + "ParametersFlags", LONG{0});
    bag.set(prefix + "ParametersNoAnswerTimeout", LONG{0});
}

}  // namespace

com::Ptr<com::PropertyBag> storedLineProperties() {
    com::Ptr<com::PropertyBag> bag = com::make<com::PropertyBag>();
    bag->set("PrivilegeMonitor", true);
    bag->set("PrivilegeOwner", true);
    bag->set("PrivilegeNone", false);
    bag->set("DeviceIdleDelay", LONG{0});
    bag->set("DeviceTranslatePhoneNumber", false);
    bag->set("DeviceUnformatPhoneNumber", false);
    bag->set("TAPIReplyTimeout", LONG{60000});
    for (std::string_view party : {"Caller", "Called", "Connected", "Redirecting", "Redirection"}) {
        const std::string prefix = "Call" + std::string(party) + "ID";
        bag->set(prefix + "FormatName", true);
        bag->set(prefix + "MaskNumber", kStoredMask);
    }
    for (std::string_view group : {"Call", "Transfer", "Conference", "AddressForward"}) {
        storeCallParameters(*bag.get(), group);
    }
    bag->set("CallGatherDigitsActive", false);
    bag->set("CallGatherDigitsCount", LONG{5});
    bag->set("CallGatherDigitsTerminate", "#*");
    bag->set("CallGatherDigitsTimeout", LONG{5000});
    bag->set("CallMonitorDigitsActive", false);
    bag->set("CallMonitorMediaModesActive", false);
    bag->set("CallMonitorSilenceActive", false);
    bag->set("CallMonitorMediaModesMediaModes", LONG{0});
    bag->set("CallMonitorSilenceDuration", LONG{0});
    bag->set("CommEnabled", false);
    bag->set("CommDeviceClass", "comm/datamodem");
    bag->set("WavePlayDeviceClass", "wave/out");
    bag->set("WaveRecordDeviceClass", "wave/in");
    bag->set("PhoneDeviceClass", "tapi/phone");
    storeMonitorSettings(*bag.get());
    return bag;
}

com::Ptr<com::PropertyBag> storedRecordProperties() {
    com::Ptr<com::PropertyBag> bag = com::make<com::PropertyBag>();
    bag->set("SourceFormatID", kFormatPcm8kHz16BitMono);
    bag->set("SourceFormatTag", LONG{1});
    bag->set("SourceFormatChannels", LONG{1});
    bag->set("SourceFormatSamplesPerSec", LONG{8000});
    bag->set("SourceFormatBitsPerSample", LONG{16});
    bag->set("SourceFormatBlockAlign", LONG{2});
    bag->set("SourceFormatAvgBytesPerSec", LONG{16000});
    bag->set("SourceFormatName", "PCM 8,000 Hz, 16-bit, Mono");
    bag->set("DeviceBuffer", LONG{1000});
    bag->set("DeviceDelay", LONG{0});
    bag->set("DeviceTrim", LONG{0});
    bag->set("SourceMaxSize", LONG{0});
    storeMonitorSettings(*bag.get());
    return bag;
}

}  // namespace vevuzer
