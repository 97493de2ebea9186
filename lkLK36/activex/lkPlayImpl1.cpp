// The Play control's own members. A property reaches the engine property whose path, run
// together, is its name (Source.Format.Channels is SourceFormatChannels); the times in seconds go
// out as float, the timer's interval as unsigned long.
#include "lkLK36/activex/lkPlayImpl1.h"

#include "lkLK36/engines/lkLKConst.h"

namespace lkLK36 {

namespace {

using P = TlkPlayInternal;

HRESULT getTimerInterval(TlkPlay& self, ULONG* value) {
    *value = self.engine().Timer.Interval;
    return S_OK;
}

HRESULT putTimerInterval(TlkPlay& self, ULONG value) {
    self.engine().SetTimerInterval(value);
    return S_OK;
}

// clang-format off
constexpr std::array kPlayMembers = {
    method<TlkPlay, [](P&, LONG v) { return WaveErrorName(v); }>("StringWAVEERR", 2, com::params("iValue")),
    // Read-only: the position and the format of the loaded files.
    readOnly<TlkPlay, [](P& e) { return e.PositionByte(); }>("PositionByte", 3, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.PositionPercent(); }>("PositionPercent", 4, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return static_cast<float>(e.PositionSecond()); }>("PositionSecond", 5, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.Source.Valid; }>("SourceValid", 6, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.Source.Format.AvgBytesPerSec(); }>("SourceFormatAvgBytesPerSec", 7, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.Source.Format.BitsPerSample(); }>("SourceFormatBitsPerSample", 8, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.Source.Format.BlockAlign(); }>("SourceFormatBlockAlign", 9, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.Source.Format.Bytes(); }>("SourceFormatBytes", 10, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.Source.Format.Channels(); }>("SourceFormatChannels", 11, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.Source.Format.ID(); }>("SourceFormatID", 12, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.Source.Format.Name(); }>("SourceFormatName", 13, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.Source.Format.SamplesPerSec(); }>("SourceFormatSamplesPerSec", 14, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return static_cast<float>(e.Source.Format.Seconds()); }>("SourceFormatSeconds", 15, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.Source.Format.Tag(); }>("SourceFormatTag", 16, kNonBrowsable),
    // Read-write, set at run time only.
    property<TlkPlay, [](P& e) { return e.Device.Active; }, [](P& e, bool v) { e.SetDeviceActive(v); }>("DeviceActive", 17, kNonBrowsable),
    property<TlkPlay, [](P& e) { return e.Device.Name; }, [](P& e, const std::string& v) { e.SetDeviceName(v); }>("DeviceName", 18, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) { return e.Device.Count; }>("DeviceCount", 19, kNonBrowsable),
    readOnly<TlkPlay, [](P& e) -> const TlkStringList& { return e.DeviceList(); }>("DeviceList", 20, kNonBrowsable),
    property<TlkPlay, [](P& e) { return e.Device.ID; }, [](P& e, LONG v) { e.SetDeviceID(v); }>("DeviceID", 21, kNonBrowsable),
    property<TlkPlay, [](P& e) { return e.Device.Delay; }, [](P& e, LONG v) { e.SetDeviceDelay(v); }>("DeviceDelay", 22),
    property<TlkPlay, [](P& e) { return e.Device.Loop; }, [](P& e, bool v) { e.SetDeviceLoop(v); }>("DeviceLoop", 23),
    property<TlkPlay, [](P& e) { return e.Device.Pause; }, [](P& e, bool v) { e.SetDevicePause(v); }>("DevicePause", 24, kNonBrowsable),
    property<TlkPlay, [](P& e) { return e.Device.Wait; }, [](P& e, bool v) { e.SetDeviceWait(v); }>("DeviceWait", 25),
    property<TlkPlay, [](P& e) { return e.Popup.OnDone; }, [](P& e, bool v) { e.Popup.OnDone = v; }>("PopupOnDone", 26, kNonBrowsable),
    property<TlkPlay, [](P& e) { return e.Popup.OnError; }, [](P& e, bool v) { e.Popup.OnError = v; }>("PopupOnError", 27, kNonBrowsable),
    property<TlkPlay, [](P& e) { return e.Popup.OnLoaded; }, [](P& e, bool v) { e.Popup.OnLoaded = v; }>("PopupOnLoaded", 28, kNonBrowsable),
    property<TlkPlay, [](P& e) { return e.Popup.OnLoop; }, [](P& e, bool v) { e.Popup.OnLoop = v; }>("PopupOnLoop", 29, kNonBrowsable),
    property<TlkPlay, [](P& e) { return e.Popup.OnTimer; }, [](P& e, bool v) { e.Popup.OnTimer = v; }>("PopupOnTimer", 30, kNonBrowsable),
    property<TlkPlay, [](P& e) { return e.Popup.OnWarning; }, [](P& e, bool v) { e.Popup.OnWarning = v; }>("PopupOnWarning", 31, kNonBrowsable),
    // Read-write, browsable: a container stores them with its form.
    property<TlkPlay, [](P& e) { return e.Source.FileName; }, [](P& e, const std::string& v) { e.SetSourceFileName(v); }>("SourceFileName", 32),
    property<TlkPlay, [](P& e) { return e.Source.MaxSize; }, [](P& e, LONG v) { e.SetSourceMaxSize(v); }>("SourceMaxSize", 33),
    property<TlkPlay, [](P& e) { return e.Timer.Enabled; }, [](P& e, bool v) { e.SetTimerEnabled(v); }>("TimerEnabled", 34),
    com::property<&getTimerInterval, &putTimerInterval>("TimerInterval", 35),
    property<TlkPlay, [](P& e) { return e.Volume.Default; }, [](P& e, bool v) { e.SetVolumeDefault(v); }>("VolumeDefault", 36),
    property<TlkPlay, [](P& e) { return e.Volume.Enabled; }, [](P& e, bool v) { e.SetVolumeEnabled(v); }>("VolumeEnabled", 37),
    property<TlkPlay, [](P& e) { return e.Volume.Reset; }, [](P& e, bool v) { e.SetVolumeReset(v); }>("VolumeReset", 38),
    property<TlkPlay, [](P& e) { return e.Volume.Position; }, [](P& e, LONG v) { e.SetVolumePosition(v); }>("VolumePosition", 39),
};
// clang-format on

}  // namespace

TlkPlay::TlkPlay() : TlkControl(std::make_unique<TlkPlayInternal>()) {
    TlkPlayInternal& e = engine();
    forward(e.OnDone, 1);
    forward(e.OnError, 2);
    forward(e.OnLoaded, 3);
    forward(e.OnLoop, 4);
    forward(e.OnTimer, 5);
    forward(e.OnWarning, 6);
}

const com::TypeTable& TlkPlay::typeTable() {
    static constexpr auto members = joinMembers(commonMembers<TlkPlay>(), kPlayMembers);
    static constexpr com::TypeTable table = dualInterfaceTable(kPlayIdentity, members);
    return table;
}

}  // namespace lkLK36
