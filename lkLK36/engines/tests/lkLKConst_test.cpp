#include "lkLK36/engines/lkLKConst.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "platform/tapi/tapi.h"
#include "platform/winmm/mmsystem.h"

namespace {

using NameFunction = std::string (*)(LONG);

struct Case {
    NameFunction name;
    LONG code;
    const char* expected;
};

TEST(ConstantNames, ErrorFamilies) {
    static constexpr Case cases[] = {
        {LineErrorName, 0, ""},
        {LineErrorName, LINEERR_ALLOCATED, "LINEERR_ALLOCATED"},
        {LineErrorName, LINEERR_OPERATIONFAILED, "LINEERR_OPERATIONFAILED"},
        {LineErrorName, LINEERR_NOMULTIPLEINSTANCE, "LINEERR_NOMULTIPLEINSTANCE"},
        {LineErrorName, LONG(0x80000004), "Unknown"},  // gaps in the published codes
        {LineErrorName, LONG(0x80000031), "Unknown"},
        {LineErrorName, LONG(0x80000057), "Unknown"},
        {LineErrorName, -1, "Unknown"},
        {LineErrorName, -2, "LINE_ERROR_DEVICE"},
        {LineErrorName, -3, "TAPIREPLYTIMEOUT"},
        {LineErrorName, -985, "Not 100% TAPI compliant"},
        {PhoneErrorName, 0, ""},
        {PhoneErrorName, PHONEERR_BADDEVICEID, "PHONEERR_BADDEVICEID"},
        {PhoneErrorName, PHONEERR_REINIT, "PHONEERR_REINIT"},
        {PhoneErrorName, LONG(0x9000001E), "Unknown"},
        {PhoneErrorName, -2, "PHONE_ERROR_DEVICE"},
        {PhoneErrorName, -3, "Unknown"},  // the reply time-out is the Line family's own code
        {PhoneErrorName, LINEERR_ALLOCATED, "Unknown"},
        {WaveErrorName, 0, "Unknown"},
        {WaveErrorName, MMSYSERR_ERROR, "MMSYSERR_ERROR"},
        {WaveErrorName, 20, "MMSYSERR_NODRIVERCB"},
        {WaveErrorName, 21, "Unknown"},
        {WaveErrorName, WAVERR_BADFORMAT, "WAVERR_BADFORMAT"},
        {WaveErrorName, WAVERR_STILLPLAYING, "Unknown"},
        {WaveErrorName, WAVERR_SYNC, "WAVERR_SYNC"},
        {WaveErrorName, MMIOERR_INVALIDFILE, "MMIOERR_INVALIDFILE"},
        {WaveErrorName, -1, "WAV_ERROR_DIRNOTFOUND"},
        {WaveErrorName, -18, "WAV_ERROR_TIMEOUT"},
        {WaveErrorName, -19, "Unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.name(c.code), c.expected);
    }
}

TEST(ConstantNames, OtherFamiliesNameOneCodeEach) {
    static constexpr Case cases[] = {
        {LineBearerModeName, LINEBEARERMODE_RESTRICTEDDATA, "LINEBEARERMODE_RESTRICTEDDATA"},
        {LineToneModeName, 0, "LINETONEMODE_NONE"},
        {LineToneModeName, 3, "LINETONEMODE_???"},  // a combination is not named
        {LineAddrCapFlagsName, 0x40000000, "LINEADDRCAPFLAGS_ACDGROUP"},
        {LineAddrCapFlagsName, LONG(0x80000000), "LINEADDRCAPFLAGS_???"},
        {LineCallPartyIDName, LINECALLPARTYID_UNAVAIL, "LINECALLPARTYID_UNAVAIL"},
        {LineCallInfoStateName, LINECALLINFOSTATE_CALLERID, "LINECALLINFOSTATE_CALLERID"},
        {LineCallStateName, 0x2000, "LINECALLSTATE_ONHOLDPENDTRANSF"},
        {LineCallStateName, 0, "LINECALLSTATE_???"},
        {LineBusyModeName, LINEBUSYMODE_TRUNK, "LINEBUSYMODE_TRUNK"},
        {LineDialToneModeName, LINEDIALTONEMODE_UNAVAIL, "LINEDIALTONEMODE_UNAVAIL"},
        {LineDisconnectModeName, 0x80000, "LINEDISCONNECTMODE_CANCELLED"},
        {LineSpecialInfoName, LINESPECIALINFO_REORDER, "LINESPECIALINFO_REORDER"},
        {LineCallOriginName, 8, "LINECALLORIGIN_???"},
        {LineCallOriginName, 0x10, "LINECALLORIGIN_UNKNOWN"},
        {LineCallReasonName, 0x8000, "LINECALLREASON_ROUTEREQUEST"},
        {LineMediaModeName, 1, "LINEMEDIAMODE_???"},
        {LineMediaModeName, LINEMEDIAMODE_INTERACTIVEVOICE, "LINEMEDIAMODE_INTERACTIVEVOICE"},
        {LineTermDevName, LINETERMDEV_SPEAKER, "LINETERMDEV_SPEAKER"},
        {LineTermModeName, LINETERMMODE_MEDIABIDIRECT, "LINETERMMODE_MEDIABIDIRECT"},
        {LineTermSharingName, LINETERMSHARING_SHAREDCONF, "LINETERMSHARING_SHAREDCONF"},
        {LineAddressStateName, LINEADDRESSSTATE_CAPSCHANGE, "LINEADDRESSSTATE_CAPSCHANGE"},
        {LineCallFeatureName, 0x40000000, "LINECALLFEATURE_SETQOS"},
        {LineCallFeatureName, LONG(0x80000000), "LINECALLFEATURE_???"},
        {LineDevCapFlagsName, 0x1000, "LINEDEVCAPFLAGS_PRIVATEOBJECTS"},
        {LineDevCapFlagsName, 0x2000, "LINEDEVCAPFLAGS_LOCAL"},
        {LineDevStateName, 0x40000, "LINEDEVSTATE_REINIT"},
        {LineDevStateName, 0x1000000, "LINEDEVSTATE_REMOVED"},
        {LineRemoveFromConfName, 3, "LINEREMOVEFROMCONF_ANY"},
        {LineTransferModeName, 2, "LINETRANSFERMODE_CONFERENCE"},
        {LineParkModeName, 1, "LINEPARKMODE_DIRECTED"},
        {LineForwardModeName, 0x20000, "LINEFORWARDMODE_UNAVAIL"},
        {LineAddrFeatureName, 0x100, "LINEADDRFEATURE_PICKUPHELD"},
        {LineAnswerModeName, LINEANSWERMODE_HOLD, "LINEANSWERMODE_HOLD"},
        {LineConnectedModeName, LINECONNECTEDMODE_CONFIRMED, "LINECONNECTEDMODE_CONFIRMED"},
        {LineOfferingModeName, 2, "LINEOFFERINGMODE_INACTIVE"},
        {PhoneStateName, 0x800000, "PHONESTATE_REMOVED"},
        {PhoneStateName, -1, "PHONESTATE_???"},
        {HookSwitchModeName, 16, "PHONEHOOKSWITCHMODE_UNKNOWN"},
        {LineFeatureName, LINEFEATURE_FORWARDDND, "LINEFEATURE_FORWARDDND"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.name(c.code), c.expected);
    }
}

// Each family names exactly the codes it publishes: every single bit of a bit family below its
// highest named code has a name, and nothing else in the word does.
TEST(ConstantNames, BitFamiliesHaveNoHoles) {
    struct Family {
        NameFunction name;
        const char* prefix;
        int namedBits;
        DWORD lowestBit;
    };
    static constexpr Family families[] = {
        {LineAddrCapFlagsName, "LINEADDRCAPFLAGS_", 31, 1},
        {LineCallInfoStateName, "LINECALLINFOSTATE_", 31, 1},
        {LineCallFeatureName, "LINECALLFEATURE_", 31, 1},
        {LineCallStateName, "LINECALLSTATE_", 16, 1},
        {LineDisconnectModeName, "LINEDISCONNECTMODE_", 20, 1},
        {LineCallReasonName, "LINECALLREASON_", 16, 1},
        {LineMediaModeName, "LINEMEDIAMODE_", 15, 2},
        {LineDevCapFlagsName, "LINEDEVCAPFLAGS_", 14, 1},
        {LineDevStateName, "LINEDEVSTATE_", 25, 1},
        {LineForwardModeName, "LINEFORWARDMODE_", 18, 1},
        {LineAddrFeatureName, "LINEADDRFEATURE_", 14, 1},
        {PhoneStateName, "PHONESTATE_", 24, 1},
    };
    for (const Family& f : families) {
        SCOPED_TRACE(f.prefix);
        int named = 0;
        for (int bit = 0; bit < 32; ++bit) {
            const std::string text = f.name(static_cast<LONG>(DWORD{1} << bit));
            const bool unknown = text == std::string(f.prefix) + "???";
            if (!unknown)
                ++named;
            const DWORD value = DWORD{1} << bit;
            const bool expectNamed =
                value >= f.lowestBit &&
                bit < static_cast<int>(std::countr_zero(f.lowestBit)) + f.namedBits;
            EXPECT_EQ(!unknown, expectNamed) << "bit " << bit << ": " << text;
        }
        EXPECT_EQ(named, f.namedBits);
    }
}

TEST(ConstantNames, CallStateModeDependsOnTheState) {
    struct ModeCase {
        LONG state;
        LONG mode;
        const char* expected;
    };
    static constexpr ModeCase cases[] = {
        {LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_INTERNAL, "LINEDIALTONEMODE_INTERNAL"},
        {LINECALLSTATE_BUSY, LINEBUSYMODE_STATION, "LINEBUSYMODE_STATION"},
        {LINECALLSTATE_SPECIALINFO, LINESPECIALINFO_NOCIRCUIT, "LINESPECIALINFO_NOCIRCUIT"},
        {LINECALLSTATE_DISCONNECTED, 0x20, "LINEDISCONNECTMODE_BUSY"},
        {LINECALLSTATE_DISCONNECTED, 0, "LINEDISCONNECTMODE_???"},
        {LINECALLSTATE_CONNECTED, 1, "Not applicable"},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(CallStateModeName(c.state, c.mode), c.expected);
    }
}

}  // namespace
