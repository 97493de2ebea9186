// The base every control engine of the library rests on: the control itself, its error record,
// its log, its monitor object, the device and TAPI groups, and a few free routines.
//
// Everything here runs on the UI thread. The waits pump messages, so a container's handler can run
// inside them and even destroy the control; every wait notices that and touches nothing freed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lkLK36/engines/vantage_form.h"
#include "platform/core/win_types.h"

class TlkSharedControl;
class TlkVantage;

// The lists of the engines (log lines, device names, call lists): index order is the list order.
using TlkStringList = std::deque<std::string>;

// Development environments whose syntax log texts are written in; they travel as long integers,
// and a value outside the four is kept as it is.
enum TxDevEnv : LONG { deCppBuilder = 0, deDelphi = 1, deOther = 2, deVisualBasic = 3 };

// Control kinds, as InitCtrl receives them.
inline constexpr LONG lkKindLine = 1;
inline constexpr LONG lkKindPhone = 2;
inline constexpr LONG lkKindPlay = 3;
inline constexpr LONG lkKindRecord = 4;

// Tells whether a control still exists. Taken before anything that pumps messages (a reply wait, a
// delay, an event handler), tested after it: a dead guard means the control was destroyed meanwhile
// and nothing of it may be touched. A default guard watches nothing and is always alive.
class TlkLifeGuard {
  public:
    TlkLifeGuard() = default;
    explicit TlkLifeGuard(std::weak_ptr<const bool> life)
        : m_life(std::move(life)), m_watching(true) {}

    bool alive() const { return !m_watching || !m_life.expired(); }
    explicit operator bool() const { return alive(); }

  private:
    std::weak_ptr<const bool> m_life;
    bool m_watching = false;
};

// The last error of a control. Number 0 means no error, and then both texts are empty.
class TlkError {
  public:
    void Clear();
    // Number := code; name and hexadecimal text follow, both empty for code 0.
    void set(LONG code, std::string name);

    LONG Number() const { return m_number; }
    const std::string& Name() const { return m_name; }
    const std::string& Hex() const { return m_hex; }

  private:
    std::string m_name;
    std::string m_hex;
    LONG m_number = 0;
};

// The diagnostic log of a control: a bounded list of lines, oldest dropped first.
class TlkLog {
  public:
    TlkLog(TlkSharedControl* owner, TlkVantage& vantage);

    // Level 1 marks a headline, level 0 a detail line. False (nothing stored) while not Active.
    bool Add(int level, std::string_view text);
    // Extends the last line in place; after an error line (or on an empty log) it adds a new line.
    bool AppendToLast(std::string_view text);

    void SetActive(bool value);
    void SetCount(LONG value);
    void SetTimeStamp(bool value);
    // Stores the switch only: no log line and no refresh.
    void storeTimeStamp(bool value) { m_timeStamp = value; }
    void RefreshView();

    bool Active() const { return m_active; }
    LONG Count() const { return m_count; }
    bool TimeStamp() const { return m_timeStamp; }

    const TlkStringList& Lines() const { return m_lines; }
    // Replaces the whole content, as a host writing the list does.
    void setLines(TlkStringList lines);
    // Appends a line as it is: no Active or Count test, no time stamp, no syntax conversion.
    void appendRaw(std::string line) { m_lines.push_back(std::move(line)); }

  private:
    TlkStringList m_lines;
    TlkSharedControl* m_owner;
    TlkVantage& m_vantage;
    bool m_timeStamp = false;
    bool m_active = true;
    LONG m_count = 50;
};

// The monitor object of a control: event switch, log, syntax of texts and the monitor window with
// its kept position.
class TlkVantage {
  public:
    explicit TlkVantage(TlkSharedControl* owner);
    ~TlkVantage();
    TlkVantage(const TlkVantage&) = delete;
    TlkVantage& operator=(const TlkVantage&) = delete;

    bool Events() const { return m_events; }
    void SetEvents(bool value) { m_events = value; }
    bool StayOnTop() const { return m_stayOnTop; }
    void SetStayOnTop(bool value);
    bool Visible() const { return m_visible; }
    void SetVisible(bool value);
    TxDevEnv DevEnv() const { return m_devEnv; }
    void SetDevEnv(TxDevEnv value);
    TlkLog& Log() { return m_log; }
    const TlkLog& Log() const { return m_log; }

    // Geometry as the monitor window has it. Top and Left read 0 with no window (and the kept value
    // becomes 0); Width and Height read 0 with no window (the kept value stays).
    LONG Top();
    LONG Left();
    LONG Width() const;
    LONG Height() const;
    TxWindowState WindowState();
    void SetTop(LONG value);
    void SetLeft(LONG value);
    void SetWidth(LONG value);
    void SetHeight(LONG value);
    void SetWindowState(TxWindowState value);
    // The window's resize handler keeps its geometry here; it is stored only, never re-applied,
    // so that a resize cannot bounce between window and object.
    void keepFormGeometry(LONG top, LONG left, LONG width, LONG height, TxWindowState state);

    void ShowForm();
    // Shows the window on its log page when flag is set.
    void Popup(bool flag);
    void DesignerUpdate();
    // The open window's close and destroy handlers.
    void FormClose(VantageForm& form);
    void FormDestroy(VantageForm& form);

    static std::string BooleanText(bool value) { return value ? "True" : "False"; }
    std::string ToDevEnvSyntax(std::string_view text) const;

    // The text of a monitor tree's flag node and the texts of its children.
    std::string FlagNodeText(std::string_view label, DWORD value) const;

    TlkSharedControl* owner() const { return m_owner; }
    VantageForm* form() const { return m_form; }
    void enableErrorButton();

    // The refresh operations of the open window of this kind, or a null observer.
    template <class Observer>
    Observer& observer() const {
        if (auto* open = dynamic_cast<Observer*>(m_form))
            return *open;
        static Observer none;
        return none;
    }

  private:
    void closeOpenForm();

    bool m_events = true;
    bool m_stayOnTop = false;
    bool m_visible = false;
    TlkLog m_log;
    TxDevEnv m_devEnv = deVisualBasic;
    LONG m_top = 0;
    LONG m_left = 0;
    LONG m_width = 0;
    LONG m_height = 0;
    TxWindowState m_windowState = wsNormal;
    TlkSharedControl* m_owner;
    VantageForm* m_form = nullptr;
};

// The 24 x 24 control every engine derives from. The window side (the picture and its double
// click) belongs to the ActiveX layer, which forwards the double click to DblClick.
class TlkSharedControl {
  public:
    static constexpr LONG ControlSize = 24;

    TlkSharedControl();
    virtual ~TlkSharedControl();
    TlkSharedControl(const TlkSharedControl&) = delete;
    TlkSharedControl& operator=(const TlkSharedControl&) = delete;

    // Kind, bitmap resource name and the two first log lines.
    void InitCtrl(LONG iControlType, std::string_view sBitMap, std::string_view sControlName);
    void DblClick();
    // The control never takes another size.
    void Resize() {}
    LONG width() const { return ControlSize; }
    LONG height() const { return ControlSize; }
    void DesignerUpdate();
    // The host's designer notification; it decides itself whether the control is being designed.
    void setDesignerNotify(std::function<void()> notify) { m_designerNotify = std::move(notify); }

    LONG kind() const { return m_kind; }
    const std::string& bitmapName() const { return m_bitmapName; }
    TlkError& Error() { return m_error; }
    const TlkError& Error() const { return m_error; }
    TlkVantage& Vantage() { return m_vantage; }
    const TlkVantage& Vantage() const { return m_vantage; }
    TlkLog& log() { return m_vantage.Log(); }

    // The error reporter: sets the error record and, for a code other than 0, logs the error line,
    // fires OnError, pops the monitor window up and enables its error button.
    virtual void FillErrorStrings(LONG code);
    // The error-name function of this control's family.
    std::string errorName(LONG code) const;

    TlkLifeGuard lifeGuard() const { return TlkLifeGuard(m_life); }

    // Runs an event handler when Vantage.Events is True and a handler is set. Returns false when
    // the handler destroyed the control: the caller must then return at once, touching nothing.
    template <class Handler, class... Args>
    bool fire(const Handler& handler, Args&&... args) {
        if (!m_vantage.Events() || !handler)
            return true;
        const TlkLifeGuard guard = lifeGuard();
        // A handler that fails has still been given the event; the engine carries on.
        try {
            handler(std::forward<Args>(args)...);
        } catch (...) {
        }
        return guard.alive();
    }

    // Whether the control's device is open (related devices refuse a new class meanwhile).
    virtual bool deviceActive() const { return false; }
    // Whether a new monitor window starts on its log page (else the source page).
    virtual bool vantageOpensOnLogPage() const { return true; }

    std::function<void()> OnError;

  protected:
    // Engines call it first in their destructors: waits in progress end, the window closes before
    // anything of the engine is freed. Calling it again does nothing.
    void beginDestroy();
    // The engine's Popup.OnError flag.
    virtual bool popupOnError() const { return false; }

  private:
    std::shared_ptr<const bool> m_life = std::make_shared<const bool>(true);
    LONG m_kind = 0;
    std::string m_bitmapName;
    TlkError m_error;
    TlkVantage m_vantage;
    std::function<void()> m_designerNotify;
};

// The base of each control's Device group.
class TlkSharedDevice {
  public:
    explicit TlkSharedDevice(TlkSharedControl* owner) : m_owner(owner) {}
    virtual ~TlkSharedDevice() = default;

    TlkSharedControl* owner() const { return m_owner; }

    bool Active = false;
    std::string Name;
    TlkStringList List;  // the names of all devices of the kind; index = device ID
    LONG ID = 0;
    LONG Count = 0;

  private:
    TlkSharedControl* m_owner;
};

// How a wait for an asynchronous TAPI reply ended.
enum class TlkReplyOutcome {
    Replied,    // the reply came; `result` is its own result code (0 success, else the error)
    TimedOut,   // no reply within ReplyTimeout; the request stays pending until its late reply
    Abandoned,  // the control was destroyed or its device closed meanwhile: touch nothing
};
struct TlkReply {
    TlkReplyOutcome outcome;
    LONG result;

    bool succeeded() const { return outcome == TlkReplyOutcome::Replied && result == 0; }
};

// The TAPI group of the Line and Phone controls, with the control's pending asynchronous requests.
class TlkTAPI {
  public:
    explicit TlkTAPI(TlkSharedControl& owner) : m_owner(owner) {}

    DWORD Version = 0;     // high word of the negotiated API version
    DWORD Subversion = 0;  // its low word
    std::string TSP;       // the service provider's information text
    LONG ReplyTimeout = 60000;
    DWORD ApiVersion = 0;  // the negotiated API version

    // Called with the request identifier an asynchronous TAPI function returned, before any wait.
    void expectReply(LONG requestId);
    // The reply handler's part: records the reply's result. False when the request is not pending
    // here (another control's, or already given up).
    bool replyArrived(LONG requestId, LONG result);
    // Pumps messages until the reply comes, ReplyTimeout ms pass on the monotonic clock, or the
    // control or its device goes away. A request that is not pending counts as replied with 0.
    TlkReply WaitForReply(LONG requestId);
    // True while a request's reply has not come (also after its wait timed out).
    bool isPending(LONG requestId) const;
    // Ends every wait in progress as abandoned and forgets every pending request (device closed).
    void abandonReplies();

  private:
    struct Pending {
        bool replied = false;
        LONG result = 0;
    };
    TlkSharedControl& m_owner;
    std::map<LONG, Pending> m_pending;
};

// The WavePlay and WaveRecord groups of the Line and Phone controls.
class TlkRelatedWaveDevice {
  public:
    TlkRelatedWaveDevice(TlkSharedControl& owner, std::string groupName, std::string deviceClass);

    const std::string& groupName() const { return m_groupName; }
    const std::string& DeviceClass() const { return m_deviceClass; }
    // Refused (with the owner's invalid-state error) while the owner's device is active.
    void SetDeviceClass(const std::string& value);

    bool Available = false;
    LONG ID = 0;

  private:
    std::string m_groupName;
    std::string m_deviceClass;
    TlkSharedControl& m_owner;
};

// The syntax of a neutral log text in a development environment; an unknown one gives "".
std::string ToDevEnvSyntax(std::string_view text, TxDevEnv devEnv);
// A value as 8 upper-case hexadecimal digits, as the logs write handles and codes.
std::string Hex8(DWORD value);
// The time of day of a date as "hh:nn:ss".
std::string ClockText(double date);
// Minutes, seconds and milliseconds of a time of day (a fraction of a day) for the log's stamps.
std::string TimeText(double timeOfDay);
// Children of a flag node: the names of the bits from firstBit to lastBit (powers of two) set in
// value, and of the range variant, every code from first up to (not including) last that shares a
// bit with value.
using TlkNameFunction = std::string (*)(LONG code);
std::vector<std::string> FlagNodeChildren(DWORD value, TlkNameFunction name, DWORD firstBit,
                                          DWORD lastBit);
std::vector<std::string> RangeFlagNodeChildren(DWORD value, TlkNameFunction name, DWORD first,
                                               DWORD last);

// Waits the given time while handling messages. Returns false when the guarded control was
// destroyed meanwhile (the wait then ends at once).
bool DelayPumping(LONG milliseconds, const TlkLifeGuard& guard = {});

// Variable-size structures from TAPI are asked for again with a doubled buffer while they do not
// fit; past this size the query fails, so a provider that keeps asking for more cannot exhaust
// memory.
inline constexpr DWORD TlkMaxStructureSize = 1024 * 1024;

// A variable-size TAPI structure as it was answered, with bounds-checked reads of its parts.
class TlkVarStructure {
  public:
    LONG result = 0;  // the TAPI function's result, or the no-memory code

    bool empty() const { return m_data.empty(); }
    DWORD size() const { return static_cast<DWORD>(m_data.size() * sizeof(DWORD)); }
    // The fixed part; only valid when the buffer holds at least sizeof(Fixed) bytes (it always
    // does after a successful read).
    template <class Fixed>
    const Fixed& fixed() const {
        return *reinterpret_cast<const Fixed*>(m_data.data());
    }
    const BYTE* bytes() const { return reinterpret_cast<const BYTE*>(m_data.data()); }
    // Whether size bytes at offset lie wholly inside the buffer.
    bool contains(DWORD offset, DWORD size) const {
        return std::uint64_t{offset} + size <= this->size();
    }
    // `count` entries the provider claims, capped at as many entries of `entrySize` bytes as its
    // used size could hold, so a wrong count cannot make a loop run for billions of rounds.
    DWORD countThatFits(DWORD count, DWORD entrySize) const {
        const DWORD used = m_data.size() >= 3 ? std::min(m_data[2], size()) : 0;
        return std::min(count, used / std::max<DWORD>(entrySize, 1));
    }
    // The text of a size/offset pair up to its first NUL; empty when it lies outside.
    std::string text(DWORD offset, DWORD size) const;

  private:
    friend TlkVarStructure TlkReadVarStructure(DWORD, LONG, LONG,
                                               const std::function<LONG(void*)>&);
    std::vector<DWORD> m_data;  // DWORDs, so the structure is aligned
};

// Fills a variable-size structure whose fixed part has fixedSize bytes: the buffer starts 4096
// bytes beyond it (dwTotalSize set, the rest zeroed), and that part doubles while `query` answers
// tooSmall or a dwNeededSize above dwTotalSize. When memory runs out or more than
// TlkMaxStructureSize would be needed, the result is noMemory and the buffer is empty.
TlkVarStructure TlkReadVarStructure(DWORD fixedSize, LONG tooSmall, LONG noMemory,
                                    const std::function<LONG(void* buffer)>& query);

// The id of the device of `DeviceClass` related to a line (or, for "comm/datamodem", to a call)
// through lineGetID. False, with ID unchanged, when TAPI refuses, the answer holds no id, or it
// would need more than TlkMaxStructureSize.
bool QueryLineDeviceID(const std::string& DeviceClass, DWORD Handle, DWORD& ID);

// The help and web buttons of the monitor windows.
void ShowHelp(std::string_view topic);
void OpenUpdatesPage();
void OpenHomePage();
void OpenSupportPage();
// The help file ShowHelp last opened (empty after "INIT"), for a window's context help.
const std::string& rememberedHelpFile();
