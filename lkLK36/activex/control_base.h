// What the four ActiveX controls share: the conversions between automation and engine values, the
// member rows that reach an engine property or method, the forwarding of engine events to the
// container's sink, and the control object itself (IDispatch from its member table, its one
// connection point, error information and the property-bag load).
//
// A control member is one row of its table, written with the engine access it reaches:
//
//     property<TlkLine, [](TlkLineInternal& e) { return e.Privilege.Monitor; },
//              [](TlkLineInternal& e, bool v) { e.Privilege.Monitor = v; }>("PrivilegeMonitor",
//              178)
//     readOnly<TlkLine, [](TlkLineInternal& e) -> const TlkStringList& { return e.Device.List; }>(
//         "DeviceList", 142, kNonBrowsable)
//     method<TlkLine, [](TlkLineInternal& e) { return e.CallDial(); }>("CallDial", 104)
//
// The automation types follow from the engine's: bool is VARIANT_BOOL (-1/0 out, any non-zero in),
// std::string is BSTR (the empty string goes out as the null BSTR), 32-bit integers are long,
// enumerations are long and refuse a value outside their range, a string list (returned by
// reference) is its IStrings adapter. An accessor that takes the control's ControlWindow instead of
// the engine reaches the window side.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "lkLK36/activex/istrings.h"
#include "lkLK36/activex/lkLK36_TLB.h"
#include "lkLK36/activex/lkLK36_server.h"
#include "lkLK36/engines/lkLKShare.h"
#include "lkLK36/engines/lkWaveFormat.h"
#include "platform/com/connection_point.h"
#include "platform/com/property_bag.h"
#include "platform/com/type_table.h"
#include "platform/com/variant.h"

namespace lkLK36 {

inline constexpr com::Details kNonBrowsable = com::flags(FUNCFLAG_FNONBROWSABLE);
inline constexpr com::Details kHidden = com::flags(FUNCFLAG_FHIDDEN);
inline constexpr com::Details kHiddenNonBrowsable =
    com::flags(FUNCFLAG_FHIDDEN | FUNCFLAG_FNONBROWSABLE);
inline constexpr com::Details kRestricted = com::flags(FUNCFLAG_FRESTRICTED);

// Descriptions of the failures a member reports itself.
inline constexpr std::string_view kInvalidPropertyValue = "Invalid property value";
inline constexpr std::string_view kInvalidControlType = "Invalid control type";

// ---- The window side ----

// What a container can set on a control's own window. The controls show no window of their own
// (their monitor windows are separate top-level windows), so the settings are kept here and the
// window answers as a left-to-right window with nothing docked in it and no action linked.
struct ControlWindow {
    bool Visible = true;
    bool Enabled = true;
    SHORT Cursor = 0;  // the default cursor
    bool DoubleBuffered = false;

    LONG VisibleDockClientCount() const { return 0; }
    bool IsRightToLeft() const { return false; }
    bool UseRightToLeftReading() const { return false; }
    bool UseRightToLeftScrollBar() const { return false; }
    // Text-drawing flags for the reading order: none for left-to-right reading.
    LONG DrawTextBiDiModeFlagsReadingOnly() const { return 0; }
    void InitiateAction() {}
};

// ---- Conversions between engine and automation values ----

// The values an enumeration takes; a put outside them is refused, never used.
template <typename E>
struct EnumRange;
template <>
struct EnumRange<TxWindowState> {
    static constexpr LONG first = wsNormal, last = wsMaximized;
};
template <>
struct EnumRange<TxDevEnv> {
    static constexpr LONG first = deCppBuilder, last = deVisualBasic;
};
template <>
struct EnumRange<TWAVFORMATS> {
    static constexpr LONG first = wfUnknown, last = wfIMAADPCM08000M04;
};

// Automation<T>: the automation type of engine type T, and the conversions both ways. `accepts`
// tells whether an incoming value can be given to the engine at all.
template <typename T>
struct Automation;

template <>
struct Automation<bool> {
    using Type = VARIANT_BOOL;
    static VARIANT_BOOL out(bool value) { return toVariantBool(value); }
    static bool accepts(VARIANT_BOOL) { return true; }
    static bool in(VARIANT_BOOL value) { return value != VARIANT_FALSE; }
};

template <>
struct Automation<std::string> {
    using Type = BSTR;
    static BSTR out(const std::string& value) { return com::bstrFromUtf8OrNull(value); }
    static bool accepts(BSTR) { return true; }
    static std::string in(BSTR value) { return com::utf8FromBstr(value); }
};

template <typename T>
requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && sizeof(T) == 4) struct Automation<T> {
    using Type = LONG;
    static LONG out(T value) { return static_cast<LONG>(value); }
    static bool accepts(LONG) { return true; }
    static T in(LONG value) { return static_cast<T>(value); }
};

template <typename T>
requires(std::is_same_v<T, SHORT> || std::is_same_v<T, double> ||
         std::is_same_v<T, float>) struct Automation<T> {
    using Type = T;
    static T out(T value) { return value; }
    static bool accepts(T) { return true; }
    static T in(T value) { return value; }
};

template <typename E>
requires std::is_enum_v<E>
struct Automation<E> {
    using Type = LONG;
    static LONG out(E value) { return static_cast<LONG>(value); }
    static bool accepts(LONG value) {
        return value >= EnumRange<E>::first && value <= EnumRange<E>::last;
    }
    static E in(LONG value) { return static_cast<E>(value); }
};

// A string list goes out as its IStrings adapter (see TlkControl::listView).
template <>
struct Automation<TlkStringList> {
    using Type = IDispatch*;
};

namespace detail {

// An accessor's signature: what it takes first (the engine or the window) and its arguments.
template <typename Call>
struct CallTraits;
template <typename L, typename R, typename T, typename... A>
struct CallTraits<R (L::*)(T&, A...) const> {
    using Target = T;
    template <std::size_t I>
    using Arg = std::remove_cvref_t<std::tuple_element_t<I, std::tuple<A...>>>;
};
template <auto F>
using TraitsOf = CallTraits<decltype(&decltype(F)::operator())>;

// The engine or the window, whichever the accessor takes.
template <typename C, auto F>
decltype(auto) targetOf(C& self) {
    if constexpr (std::is_convertible_v<typename C::Engine&, typename TraitsOf<F>::Target&>)
        return (self.engine());
    else
        return (self.window());
}

template <typename C, auto Read>
using ReadResult = decltype(Read(targetOf<C, Read>(std::declval<C&>())));
template <typename C, auto Read>
using ReadValue = std::remove_cvref_t<ReadResult<C, Read>>;

template <typename C, auto Read>
HRESULT getValue(C& self, typename Automation<ReadValue<C, Read>>::Type* value) {
    using Value = ReadValue<C, Read>;
    if constexpr (std::is_same_v<Value, TlkStringList>) {
        static_assert(std::is_lvalue_reference_v<ReadResult<C, Read>>,
                      "a list is shown by reference, so its adapter views the engine's own list");
        *value = self.listView(Read(self.engine()));
    } else {
        *value = Automation<Value>::out(Read(targetOf<C, Read>(self)));
    }
    return S_OK;
}

template <typename C, auto Write>
HRESULT putValue(C& self,
                 typename Automation<typename TraitsOf<Write>::template Arg<0>>::Type value) {
    using Convert = Automation<typename TraitsOf<Write>::template Arg<0>>;
    if (!Convert::accepts(value))
        return self.refuse(kInvalidPropertyValue);
    Write(targetOf<C, Write>(self), Convert::in(value));
    return S_OK;
}

template <typename C, auto Fn, typename Call = decltype(&decltype(Fn)::operator())>
struct MethodBinding;

template <typename C, auto Fn, typename L, typename R, typename T, typename... A>
struct MethodBinding<C, Fn, R (L::*)(T&, A...) const> {
    static HRESULT call(C& self, typename Automation<std::remove_cvref_t<A>>::Type... args,
                        typename Automation<R>::Type* result) {
        if (!(Automation<std::remove_cvref_t<A>>::accepts(args) && ...))
            return self.refuse(kInvalidPropertyValue);
        *result = Automation<R>::out(
            Fn(targetOf<C, Fn>(self), Automation<std::remove_cvref_t<A>>::in(args)...));
        return S_OK;
    }
};

template <typename C, auto Fn, typename L, typename T, typename... A>
struct MethodBinding<C, Fn, void (L::*)(T&, A...) const> {
    static HRESULT call(C& self, typename Automation<std::remove_cvref_t<A>>::Type... args) {
        if (!(Automation<std::remove_cvref_t<A>>::accepts(args) && ...))
            return self.refuse(kInvalidPropertyValue);
        Fn(targetOf<C, Fn>(self), Automation<std::remove_cvref_t<A>>::in(args)...);
        return S_OK;
    }
};

}  // namespace detail

// ---- Member rows ----

// A property read through `Read` (engine or window -> value).
template <typename C, auto Read>
constexpr com::Member readOnly(std::string_view name, DISPID dispid, com::Details details = {}) {
    return com::readOnly<&detail::getValue<C, Read>>(name, dispid, details);
}

// A property read through `Read` and written through `Write` (engine or window, value).
template <typename C, auto Read, auto Write>
constexpr com::Member property(std::string_view name, DISPID dispid, com::Details details = {}) {
    return com::property<&detail::getValue<C, Read>, &detail::putValue<C, Write>>(name, dispid,
                                                                                  details);
}

// A method: `Fn` takes the engine or the window, then the arguments, and returns the result.
template <typename C, auto Fn>
constexpr com::Member method(std::string_view name, DISPID dispid, com::Details details = {}) {
    return com::method<&detail::MethodBinding<C, Fn>::call>(name, dispid, details);
}

// One table from the common members and a control's own.
template <std::size_t N, std::size_t M>
constexpr std::array<com::Member, N + M> joinMembers(const std::array<com::Member, N>& first,
                                                     const std::array<com::Member, M>& second) {
    std::array<com::Member, N + M> joined{};
    for (std::size_t i = 0; i < N; ++i)
        joined[i] = first[i];
    for (std::size_t i = 0; i < M; ++i)
        joined[N + i] = second[i];
    return joined;
}

// ---- Events ----

namespace detail {

template <typename T>
inline constexpr bool isSender = std::is_base_of_v<TlkSharedControl, std::remove_cvref_t<T>>;

// Whether an engine argument of type T can travel as `vt`: integers as long or short, texts as
// BSTR, a truth value the handler may change (bool&) as VARIANT_BOOL by reference.
template <typename T>
bool fitsEventType(VARTYPE vt) {
    using V = std::remove_cvref_t<T>;
    if constexpr (std::is_same_v<V, bool>) {
        return std::is_lvalue_reference_v<T> && !std::is_const_v<std::remove_reference_t<T>> &&
               vt == (VT_BYREF | VT_BOOL);
    } else if constexpr (std::is_integral_v<V>) {
        return vt == VT_I4 || vt == VT_I2;
    } else if constexpr (std::is_same_v<V, std::string>) {
        return vt == VT_BSTR;
    } else {
        return false;
    }
}

// Whether an engine event's arguments (the sender aside) match the declared ones in number and
// type.
template <typename... A>
bool eventFits(std::span<const VARTYPE> declared) {
    std::size_t next = 0;
    bool fits = true;
    [[maybe_unused]] auto check = [&]<typename T>() {
        if constexpr (!isSender<T>) {
            fits = fits && next < declared.size() && fitsEventType<T>(declared[next]);
            ++next;
        }
    };
    (check.template operator()<A>(), ...);
    return fits && next == declared.size();
}

}  // namespace detail

// The arguments of one event as the sink receives them, each converted to its declared type. A
// digit (short) is the character's code, zero-extended; a text goes out as a new BSTR (the null
// BSTR when empty), freed after the call; a truth value goes out as a reference to a local
// VARIANT_BOOL, whose answer writeBack hands to the engine.
class EventArguments {
  public:
    explicit EventArguments(std::span<const VARTYPE> declared) : m_declared(declared) {}
    EventArguments(const EventArguments&) = delete;
    EventArguments& operator=(const EventArguments&) = delete;

    template <typename T>
    void add(T&& value) {
        using V = std::remove_cvref_t<T>;
        if constexpr (detail::isSender<T>) {
            return;
        } else if constexpr (std::is_same_v<V, bool>) {
            m_flag = toVariantBool(value);
            m_flagTarget = &value;
            m_values.push_back(com::Variant::byRef(&m_flag));
        } else if constexpr (std::is_integral_v<V>) {
            if (m_declared[m_values.size()] == VT_I2)
                m_values.emplace_back(static_cast<SHORT>(static_cast<unsigned char>(value)));
            else
                m_values.emplace_back(static_cast<LONG>(value));
        } else {
            m_values.push_back(com::eventArg(value));
        }
    }
    std::vector<com::Variant> take() { return std::move(m_values); }
    // The handler's answer: any non-zero value is True.
    void writeBack() {
        if (m_flagTarget)
            *m_flagTarget = m_flag != VARIANT_FALSE;
    }

  private:
    std::span<const VARTYPE> m_declared;
    std::vector<com::Variant> m_values;
    VARIANT_BOOL m_flag = VARIANT_FALSE;
    bool* m_flagTarget = nullptr;
};

// ---- The control object ----

// One ActiveX control over its engine. Derived names its Engine type, kKind (1 Line to 4 Record),
// identity(), typeTable() and eventsTable(), makes the engine, and hooks the engine's events in its
// constructor with forward(). The object is reference counted; the last Release destroys the
// engine, after the sink was let go, so nothing the engine does while it goes reaches the
// container.
template <typename Derived, typename EngineType>
class TlkControl : public com::Dispatchable<Derived, IDispatch, IConnectionPointContainer,
                                            ISupportErrorInfo, IPersistPropertyBag> {
  public:
    using Engine = EngineType;

    EngineType& engine() { return *m_engine; }
    ControlWindow& window() { return m_window; }
    com::EventSource& events() { return m_events; }

    // The adapter of an engine-owned list: made on the first request and kept, so every request
    // answers the same object; read-only. Handed out with a new reference.
    IDispatch* listView(const TlkStringList& list) {
        com::Ptr<StringsAdapter>& adapter = m_lists[&list];
        if (!adapter) {
            adapter =
                com::make<StringsAdapter>([&list] { return &list; }, StringsAdapter::Writer{});
        }
        return com::Ptr<IDispatch>(adapter.get()).detach();
    }
    // The log's lines, which the host may rewrite.
    IDispatch* logView() {
        TlkLog& log = m_engine->log();
        com::Ptr<StringsAdapter>& adapter = m_lists[&log.Lines()];
        if (!adapter) {
            adapter = com::make<StringsAdapter>(
                [&log] { return &log.Lines(); },
                [&log](TlkStringList lines) { log.setLines(std::move(lines)); });
        }
        return com::Ptr<IDispatch>(adapter.get()).detach();
    }

    // A member refuses the call: the error object names the control's interface and ProgID, and
    // the caller sees the failure, as for any member that raises.
    HRESULT refuse(std::string_view description) const {
        com::setErrorInfo(Derived::identity().iid, Derived::identity().progId, description);
        return E_UNEXPECTED;
    }

    // The DISPIDs of the events hooked to the sink, in hooking order.
    const std::vector<DISPID>& hookedEvents() const { return m_hooked; }

    // ---- IConnectionPointContainer ----
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (points)
            *points = nullptr;
        return E_NOTIMPL;
    }
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        return m_events.find(iid, point);
    }

    // ---- ISupportErrorInfo ----
    HRESULT InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == Derived::identity().iid ? S_OK : S_FALSE;
    }

    // ---- IPersistPropertyBag: stored values first, then the engine's Loaded step ----
    HRESULT GetClassID(CLSID* clsid) override {
        if (!clsid)
            return E_POINTER;
        *clsid = Derived::identity().clsid;
        return S_OK;
    }
    HRESULT InitNew() override {
        loaded();
        return S_OK;
    }
    HRESULT Load(IPropertyBag* bag, IErrorLog*) override {
        if (!bag)
            return E_POINTER;
        const HRESULT hr = com::loadPropertyBag(Derived::typeTable(), this, bag);
        loaded();
        return hr;
    }
    HRESULT Save(IPropertyBag*, BOOL, BOOL) override { return E_NOTIMPL; }

  protected:
    explicit TlkControl(std::unique_ptr<EngineType> engine) : m_engine(std::move(engine)) {}

    ~TlkControl() override {
        m_dying = true;
        m_events.disconnect();
        for (auto& [list, adapter] : m_lists)
            adapter->detach();
        m_engine.reset();
    }

    // Hooks one engine event to its forwarder. The event's DISPID names its row in the events
    // interface, whose declared argument types decide the conversions; an engine event whose
    // arguments do not match that row is left unhooked (hookedEvents() then lacks it).
    template <typename... A>
    void forward(std::function<void(A...)>& hook, DISPID dispid) {
        const com::Member* event = com::findMember(Derived::eventsTable(), dispid);
        if (!event || !detail::eventFits<A...>(event->method.params))
            return;
        const std::span<const VARTYPE> declared = event->method.params;
        hook = [this, dispid, declared](A... args) {
            forwardEvent(dispid, declared, std::forward<A>(args)...);
        };
        m_hooked.push_back(dispid);
    }

  private:
    // Calls the sink's Invoke for one event. Without a sink, or once the control is going, the
    // event is dropped. A sink that fails has still been given the event: the engine goes on, and
    // a truth value it passed keeps the engine's own value.
    template <typename... A>
    void forwardEvent(DISPID dispid, std::span<const VARTYPE> declared, A&&... args) {
        if (m_dying || !m_events.connected())
            return;
        // The container may release the control from inside its handler; the control lives until
        // the event is over.
        const com::Ptr<Derived> keepAlive(static_cast<Derived*>(this));
        EventArguments arguments(declared);
        (arguments.add(std::forward<A>(args)), ...);
        if (SUCCEEDED(m_events.fire(dispid, arguments.take())))
            arguments.writeBack();
    }

    void loaded() {
        if constexpr (requires(EngineType & e) { e.Loaded(); })
            m_engine->Loaded();
    }

    com::ServerModule::Ref m_module{serverModule()};
    std::unique_ptr<EngineType> m_engine;
    com::EventSource m_events{*this, Derived::identity().eventsIid};
    std::map<const TlkStringList*, com::Ptr<StringsAdapter>> m_lists;
    ControlWindow m_window;
    std::vector<DISPID> m_hooked;
    bool m_dying = false;
};

// ---- The members every control has ----

// Play and Record report wave errors with a warning variant, which answers whether to go on.
template <typename C>
inline constexpr bool kWaveReporter = C::kKind == lkKindPlay || C::kKind == lkKindRecord;

// A bare control of the kind (its engine not built yet): the shared base, initialised as an engine
// initialises it (kind, bitmap, the first two log lines).
std::unique_ptr<TlkSharedControl> makeSharedEngine(LONG kind, std::string_view bitmap,
                                                   std::string_view name);

// The wave engines' reporter: an error through the control's reporter (True only for code 0); a
// warning recorded and logged, answering True (go on).
bool reportWaveError(TlkSharedControl& control, bool warning, LONG code);

namespace detail {

template <typename C>
HRESULT getLogLines(C& self, IDispatch** lines) {
    *lines = self.logView();
    return S_OK;
}

// Runs the base's initialisation again, for the control's own kind only: another kind would give
// the engine the monitor window and error names of a different control.
template <typename C>
HRESULT initCtrl(C& self, LONG kind, BSTR bitmap, BSTR name) {
    if (kind != C::kKind)
        return self.refuse(kInvalidControlType);
    self.engine().InitCtrl(kind, com::utf8FromBstr(bitmap), com::utf8FromBstr(name));
    return S_OK;
}

template <typename C>
HRESULT fillErrorStrings(C& self, LONG code) {
    self.engine().FillErrorStrings(code);
    return S_OK;
}

template <typename C>
HRESULT fillWaveErrorStrings(C& self, VARIANT_BOOL warning, LONG code, VARIANT_BOOL* result) {
    bool goOn;
    if constexpr (requires { self.engine().FillErrorStrings(true, code); })
        goOn = self.engine().FillErrorStrings(warning != VARIANT_FALSE, code);
    else
        goOn = reportWaveError(self.engine(), warning != VARIANT_FALSE, code);
    *result = toVariantBool(goOn);
    return S_OK;
}

template <typename C>
constexpr com::Member fillErrorStringsMember(DISPID dispid) {
    if constexpr (kWaveReporter<C>) {
        return com::method<&fillWaveErrorStrings<C>>(
            "FillErrorStrings", dispid, com::params("bWarning, lSetError") | kRestricted);
    } else {
        return com::method<&fillErrorStrings<C>>("FillErrorStrings", dispid,
                                                 com::params("lSetError") | kRestricted);
    }
}

}  // namespace detail

// The 29 members of every control, with each control's DISPIDs in the order Line, Phone, Play,
// Record. The first sixteen reach the shared base (monitor settings, log, error record), the next
// ten the control's window, the last three the base's initialisation and the error reporter.
template <typename C>
constexpr std::array<com::Member, 29> commonMembers() {
    constexpr std::size_t column = C::kKind - 1;
    constexpr auto id = [](std::array<DISPID, 4> dispids) { return dispids[column]; };
    using S = TlkSharedControl;
    using W = ControlWindow;
    return {
        property<C, [](S& c) { return c.Vantage().Visible(); },
                 [](S& c, bool v) { c.Vantage().SetVisible(v); }>("VantageVisible",
                                                                  id({216, 103, 66, 56})),
        property<C, [](S& c) { return c.Vantage().StayOnTop(); },
                 [](S& c, bool v) { c.Vantage().SetStayOnTop(v); }>("VantageStayOnTop",
                                                                    id({215, 102, 65, 54})),
        property<C, [](S& c) { return c.Vantage().Events(); },
                 [](S& c, bool v) { c.Vantage().SetEvents(v); }>(
            "VantageEvents", id({195, 82, 45, 47}), kNonBrowsable),
        property<C, [](S& c) { return c.Vantage().Top(); },
                 [](S& c, LONG v) { c.Vantage().SetTop(v); }>("VantageTop", id({198, 85, 48, 55}),
                                                              kNonBrowsable),
        property<C, [](S& c) { return c.Vantage().Left(); },
                 [](S& c, LONG v) { c.Vantage().SetLeft(v); }>("VantageLeft", id({197, 84, 47, 49}),
                                                               kNonBrowsable),
        property<C, [](S& c) { return c.Vantage().Width(); },
                 [](S& c, LONG v) { c.Vantage().SetWidth(v); }>(
            "VantageWidth", id({199, 86, 49, 57}), kNonBrowsable),
        property<C, [](S& c) { return c.Vantage().Height(); },
                 [](S& c, LONG v) { c.Vantage().SetHeight(v); }>(
            "VantageHeight", id({196, 83, 46, 48}), kNonBrowsable),
        property<C, [](S& c) { return c.Vantage().WindowState(); },
                 [](S& c, TxWindowState v) { c.Vantage().SetWindowState(v); }>(
            "VantageWindowState", id({200, 87, 50, 58}), kNonBrowsable),
        property<C, [](S& c) { return c.Vantage().DevEnv(); },
                 [](S& c, TxDevEnv v) { c.Vantage().SetDevEnv(v); }>("VantageDevEnv",
                                                                     id({214, 101, 64, 46})),
        property<C, [](S& c) { return c.log().Active(); },
                 [](S& c, bool v) { c.log().SetActive(v); }>("VantageLogActive",
                                                             id({210, 97, 60, 50})),
        property<C, [](S& c) { return c.log().Count(); },
                 [](S& c, LONG v) { c.log().SetCount(v); }>("VantageLogCount",
                                                            id({211, 98, 61, 51})),
        property<C, [](S& c) { return c.log().TimeStamp(); },
                 [](S& c, bool v) { c.log().storeTimeStamp(v); }>("VantageLogTimeStamp",
                                                                  id({213, 100, 63, 53})),
        com::readOnly<&detail::getLogLines<C>>("VantageLogLines", id({212, 99, 62, 52}),
                                               kNonBrowsable),
        readOnly<C, [](S& c) { return c.Error().Number(); }>("ErrorNumber", id({193, 80, 43, 24}),
                                                             kNonBrowsable),
        readOnly<C, [](S& c) { return c.Error().Name(); }>("ErrorText", id({194, 81, 44, 25}),
                                                           kNonBrowsable),
        readOnly<C, [](S& c) { return c.Error().Hex(); }>("ErrorHex", id({192, 79, 42, 23}),
                                                          kNonBrowsable),
        property<C, [](W& w) { return w.Visible; }, [](W& w, bool v) { w.Visible = v; }>(
            "Visible", id({227, 114, 77, 61})),
        property<C, [](W& w) { return w.Enabled; }, [](W& w, bool v) { w.Enabled = v; }>(
            "Enabled", id({DISPID_ENABLED, DISPID_ENABLED, DISPID_ENABLED, 22}),
            kHiddenNonBrowsable),
        property<C, [](W& w) { return w.Cursor; }, [](W& w, SHORT v) { w.Cursor = v; }>(
            "Cursor", id({228, 115, 78, 9}), kHiddenNonBrowsable),
        property<C, [](W& w) { return w.DoubleBuffered; },
                 [](W& w, bool v) { w.DoubleBuffered = v; }>(
            "DoubleBuffered", id({217, 104, 67, 20}), kHiddenNonBrowsable),
        readOnly<C, [](W& w) { return w.VisibleDockClientCount(); }>(
            "VisibleDockClientCount", id({218, 105, 68, 62}), kHiddenNonBrowsable),
        method<C, [](W& w) { return w.IsRightToLeft(); }>("IsRightToLeft", id({222, 109, 72, 29}),
                                                          kHidden),
        method<C, [](W& w) { return w.UseRightToLeftReading(); }>("UseRightToLeftReading",
                                                                  id({225, 112, 75, 59}), kHidden),
        method<C, [](W& w) { return w.UseRightToLeftScrollBar(); }>(
            "UseRightToLeftScrollBar", id({226, 113, 76, 60}), kHidden),
        method<C, [](W& w) { return w.DrawTextBiDiModeFlagsReadingOnly(); }>(
            "DrawTextBiDiModeFlagsReadingOnly", id({220, 107, 70, 21}), kHidden),
        method<C, [](W& w) { w.InitiateAction(); }>("InitiateAction", id({221, 108, 71, 28}),
                                                    kRestricted),
        method<C, [](S& c) { c.DesignerUpdate(); }>("DesignerUpdate", id({201, 88, 51, 10}),
                                                    kRestricted),
        com::method<&detail::initCtrl<C>>(
            "InitCtrl", id({190, 77, 40, 27}),
            com::params("iControlType, sBitMap, sControlName") | kRestricted),
        detail::fillErrorStringsMember<C>(id({2, 1, 1, 26})),
    };
}

}  // namespace lkLK36
