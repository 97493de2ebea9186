// What the control tests share: a container's event sink that records each call exactly as it
// arrives, and a Line control made over the simulated exchange in virtual time.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lkLK36/activex/lkLineImpl1.h"
#include "lkLK36/engines/tests/engine_test_support.h"
#include "platform/com/dispatch_client.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"

namespace lkLK36::testing {

// One argument as it stood in rgvarg.
struct SeenArg {
    VARTYPE vt = VT_EMPTY;
    LONG number = 0;  // VT_I2, VT_I4, VT_BOOL, or what a VT_BYREF|VT_BOOL pointed at
    std::string text;
    bool nullText = false;  // a VT_BSTR holding the null BSTR
};

struct SeenEvent {
    DISPID dispid = 0;
    WORD flags = 0;
    UINT namedArgs = 0;
    bool wantsResult = false;
    std::vector<SeenArg> raw;  // in rgvarg order: the last declared argument first
};

// A container's sink for one events interface. Records every Invoke, lets a test act inside it,
// and answers `answer` (a failing container handler when not S_OK).
class RecordingSink final : public com::Object<IDispatch> {
  public:
    explicit RecordingSink(REFIID events) : m_events(events) {}

    HRESULT GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO*, UINT*) override {
        SeenEvent event{dispid, flags, params->cNamedArgs, result != nullptr, {}};
        for (UINT i = 0; i < params->cArgs; ++i)
            event.raw.push_back(argOf(params->rgvarg[i]));
        seen.push_back(event);
        if (during)
            during(dispid, *params);
        return answer;
    }

    std::vector<DISPID> dispids() const {
        std::vector<DISPID> ids;
        for (const SeenEvent& event : seen)
            ids.push_back(event.dispid);
        return ids;
    }
    // The events seen apart from the raw TAPI messages and replies (27, 28), which the Line engine
    // passes on whatever its event switch says.
    std::vector<DISPID> lineEventsBesidesTapi() const {
        std::vector<DISPID> ids;
        for (DISPID id : dispids()) {
            if (id != 27 && id != 28)
                ids.push_back(id);
        }
        return ids;
    }
    const SeenEvent* first(DISPID dispid) const {
        for (const SeenEvent& event : seen) {
            if (event.dispid == dispid)
                return &event;
        }
        return nullptr;
    }

    std::vector<SeenEvent> seen;
    std::function<void(DISPID, DISPPARAMS&)> during;
    HRESULT answer = S_OK;

  protected:
    void* findInterface(REFIID iid) override {
        if (iid == m_events)
            return static_cast<IDispatch*>(this);
        return com::Object<IDispatch>::findInterface(iid);
    }

  private:
    static SeenArg argOf(const VARIANT& v) {
        SeenArg arg;
        arg.vt = v.vt;
        switch (v.vt) {
            case VT_I2:
                arg.number = v.iVal;
                break;
            case VT_I4:
                arg.number = v.lVal;
                break;
            case VT_BOOL:
                arg.number = v.boolVal;
                break;
            case VT_BYREF | VT_BOOL:
                arg.number = *v.pboolVal;
                break;
            case VT_BSTR:
                arg.nullText = v.bstrVal == nullptr;
                arg.text = com::utf8FromBstr(v.bstrVal);
                break;
            default:
                break;
        }
        return arg;
    }

    IID m_events;
};

// The DISPID a container gets for a member's name (ASCII), as it asks before a late-bound call.
inline DISPID dispidOf(const com::Dispatch& object, std::string_view name) {
    std::u16string text(name.begin(), name.end());
    LPOLESTR names[] = {text.data()};
    DISPID found = DISPID_UNKNOWN;
    EXPECT_EQ(object.pointer()->GetIDsOfNames(IID_NULL, names, 1, 0, &found), S_OK) << name;
    return found;
}

template <typename Control>
IDispatch* dispatchOf(const com::Ptr<Control>& control) {
    return static_cast<IDispatch*>(control.get());
}

// One of a control's own members as its interface publishes it.
struct ExpectedMember {
    DISPID dispid;
    const char* name;
    VARTYPE type;  // a property's value, a method's result
    char kind;  // 'w' read-write browsable, 'n' read-write non-browsable, 'r' read-only, 'm' method
};

// Checks a control's table: the common members and exactly `expected` besides, each with its
// name, kind, browsability and type, and no DISPID twice.
inline void checkOwnMembers(const com::TypeTable& table, std::span<const ExpectedMember> expected) {
    constexpr std::size_t kCommonMembers = 29;
    EXPECT_EQ(table.members.size(), kCommonMembers + expected.size());
    std::set<DISPID> seen;
    for (const com::Member& member : table.members)
        EXPECT_TRUE(seen.insert(member.dispid).second) << member.name;
    for (const ExpectedMember& row : expected) {
        SCOPED_TRACE(row.name);
        const com::Member* member = com::findMember(table, row.dispid);
        ASSERT_NE(member, nullptr);
        EXPECT_EQ(member->name, row.name);
        const bool method = row.kind == 'm';
        EXPECT_EQ(member->method.declared, method);
        EXPECT_EQ(member->get.declared, !method);
        EXPECT_EQ(member->put.declared, row.kind == 'w' || row.kind == 'n');
        EXPECT_EQ(member->details.flags,
                  row.kind == 'n' || row.kind == 'r' ? FUNCFLAG_FNONBROWSABLE : 0);
        EXPECT_EQ(method ? member->method.result : member->get.result, row.type);
    }
}

// A Line control as a container makes it, on a fresh exchange, with its own program folder.
class LineControlTest : public ::testing::Test {
  protected:
    LineControlTest() {
        tapi::exchange().reset();
        setLkDeviceActiveRequested(false);
        setLkLibraryReady(true);
        control = com::make<TlkLine>();
        line = com::Dispatch(com::Ptr<IDispatch>(dispatchOf(control)));
    }
    ~LineControlTest() override {
        line = com::Dispatch();
        control.reset();
        setLkLibraryReady(false);
        tapi::exchange().reset();
    }

    TlkLineInternal& engine() { return control->engine(); }
    com::Ptr<RecordingSink> connect() {
        auto sink = com::make<RecordingSink>(DIID_IlkLineEvents);
        EXPECT_EQ(com::connectSink(dispatchOf(control), DIID_IlkLineEvents, sink.get(), &cookie),
                  S_OK);
        return sink;
    }

    OwnProgramFolder folder;
    core::VirtualTime time;
    com::Ptr<TlkLine> control;
    com::Dispatch line;
    DWORD cookie = 0;
};

}  // namespace lkLK36::testing
