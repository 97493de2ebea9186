// The Record control's own members. A property reaches the engine property whose path, run
// together, is its name (Source.FileName is SourceFileName, Device.ID is DeviceID). The format's
// name and byte count take a value and keep their own, as the engine's group does.
#include "lkLK36/activex/lkRecordImpl1.h"

#include "lkLK36/engines/lkLKConst.h"

namespace lkLK36 {

namespace {

using R = TlkRecordInternal;

// clang-format off
constexpr std::array kRecordMembers = {
    // Read-write, set at run time only.
    property<TlkRecord, [](R& e) { return e.Device.Active; }, [](R& e, bool v) { e.SetDeviceActive(v); }>("DeviceActive", 11, kNonBrowsable),
    property<TlkRecord, [](R& e) { return e.Device.Buffer; }, [](R& e, LONG v) { e.SetDeviceBuffer(v); }>("DeviceBuffer", 12),
    readOnly<TlkRecord, [](R& e) { return e.Device.Count; }>("DeviceCount", 13, kNonBrowsable),
    property<TlkRecord, [](R& e) { return e.Device.Delay; }, [](R& e, LONG v) { e.SetDeviceDelay(v); }>("DeviceDelay", 14),
    property<TlkRecord, [](R& e) { return e.Device.ID; }, [](R& e, LONG v) { e.SetDeviceID(v); }>("DeviceID", 15, kNonBrowsable),
    readOnly<TlkRecord, [](R& e) -> const TlkStringList& { return e.DeviceList(); }>("DeviceList", 16, kNonBrowsable),
    property<TlkRecord, [](R& e) { return e.Device.Name; }, [](R& e, const std::string& v) { e.SetDeviceName(v); }>("DeviceName", 17, kNonBrowsable),
    readOnly<TlkRecord, [](R& e) { return e.Device.Pause; }>("DevicePause", 18, kNonBrowsable),
    property<TlkRecord, [](R& e) { return e.Device.Trim; }, [](R& e, LONG v) { e.SetDeviceTrim(v); }>("DeviceTrim", 19),
    property<TlkRecord, [](R& e) { return e.Popup.OnDone; }, [](R& e, bool v) { e.Popup.OnDone = v; }>("PopupOnDone", 30, kNonBrowsable),
    property<TlkRecord, [](R& e) { return e.Popup.OnError; }, [](R& e, bool v) { e.Popup.OnError = v; }>("PopupOnError", 31, kNonBrowsable),
    property<TlkRecord, [](R& e) { return e.Popup.OnWarning; }, [](R& e, bool v) { e.Popup.OnWarning = v; }>("PopupOnWarning", 32, kNonBrowsable),
    // Read-write, browsable: a container stores them with its form.
    property<TlkRecord, [](R& e) { return e.Source.FileName; }, [](R& e, const std::string& v) { e.SetSourceFileName(v); }>("SourceFileName", 33),
    property<TlkRecord, [](R& e) { return e.Source.Format.AvgBytesPerSec(); }, [](R& e, LONG v) { e.Source.Format.SetAvgBytesPerSec(v); }>("SourceFormatAvgBytesPerSec", 34),
    property<TlkRecord, [](R& e) { return e.Source.Format.BitsPerSample(); }, [](R& e, LONG v) { e.Source.Format.SetBitsPerSample(v); }>("SourceFormatBitsPerSample", 35),
    property<TlkRecord, [](R& e) { return e.Source.Format.BlockAlign(); }, [](R& e, LONG v) { e.Source.Format.SetBlockAlign(v); }>("SourceFormatBlockAlign", 36),
    property<TlkRecord, [](R& e) { return e.Source.Format.Bytes(); }, [](R&, LONG) {}>("SourceFormatBytes", 37),
    property<TlkRecord, [](R& e) { return e.Source.Format.Channels(); }, [](R& e, LONG v) { e.Source.Format.SetChannels(v); }>("SourceFormatChannels", 38),
    property<TlkRecord, [](R& e) { return e.Source.Format.ID(); }, [](R& e, TWAVFORMATS v) { e.Source.Format.SetID(v); }>("SourceFormatID", 39),
    property<TlkRecord, [](R& e) { return e.Source.Format.Name(); }, [](R&, const std::string&) {}>("SourceFormatName", 40),
    property<TlkRecord, [](R& e) { return e.Source.Format.SamplesPerSec(); }, [](R& e, LONG v) { e.Source.Format.SetSamplesPerSec(v); }>("SourceFormatSamplesPerSec", 41),
    property<TlkRecord, [](R& e) { return e.Source.Format.Tag(); }, [](R& e, LONG v) { e.Source.Format.SetTag(v); }>("SourceFormatTag", 42),
    property<TlkRecord, [](R& e) { return e.Source.MaxSize; }, [](R& e, LONG v) { e.SetSourceMaxSize(v); }>("SourceMaxSize", 43),
    // Read-only.
    readOnly<TlkRecord, [](R& e) { return e.Source.Valid; }>("SourceValid", 44, kNonBrowsable),
    method<TlkRecord, [](R&, LONG v) { return WaveErrorName(v); }>("StringWAVEERR", 45, com::params("iValue")),
};
// clang-format on

}  // namespace

TlkRecord::TlkRecord() : TlkControl(std::make_unique<TlkRecordInternal>()) {
    TlkRecordInternal& e = engine();
    forward(e.OnDone, 1);
    forward(e.OnError, 2);
    forward(e.OnWarning, 3);
}

const com::TypeTable& TlkRecord::typeTable() {
    static constexpr auto members = joinMembers(commonMembers<TlkRecord>(), kRecordMembers);
    static constexpr com::TypeTable table = dualInterfaceTable(kRecordIdentity, members);
    return table;
}

}  // namespace lkLK36
