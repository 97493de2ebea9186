// A control's single connection point and the events it fires into a container's sink.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/com/connection_point.h"
#include "platform/com/dispatch_client.h"

namespace {

constexpr IID kEvents{0x8A1E0003, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x03}};
constexpr IID kOtherEvents{0x8A1E0004, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x04}};

class Source final : public com::Object<IConnectionPointContainer> {
  public:
    HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override {
        *points = nullptr;
        return E_NOTIMPL;
    }
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        return events.find(iid, point);
    }

    com::EventSource events{*this, kEvents};
};

// One event as the sink saw it, arguments in declared order.
struct Seen {
    DISPID dispid;
    std::vector<VARTYPE> types;
    std::vector<std::string> texts;
};

class ConnectionTest : public testing::Test {
  protected:
    com::Ptr<com::EventSink> recordingSink(REFIID events = kEvents) {
        return com::make<com::EventSink>(events, [this](DISPID id, const com::EventArgs& args) {
            Seen event{id, {}, {}};
            for (UINT i = 0; i < args.count(); ++i) {
                event.types.push_back(args.at(i).vt);
                event.texts.push_back(args.text(i));
            }
            seen.push_back(event);
            return S_OK;
        });
    }
    com::Ptr<IConnectionPoint> point() {
        com::Ptr<IConnectionPoint> result;
        EXPECT_EQ(source->FindConnectionPoint(kEvents, result.put()), S_OK);
        return result;
    }

    com::Ptr<Source> source = com::make<Source>();
    std::vector<Seen> seen;
};

TEST_F(ConnectionTest, OneSinkAtATime) {
    com::Ptr<IConnectionPoint> other;
    EXPECT_EQ(source->FindConnectionPoint(kOtherEvents, other.put()), CONNECT_E_NOCONNECTION);
    EXPECT_FALSE(other);

    com::Ptr<IConnectionPoint> cp = point();
    DWORD cookie = 77;
    // A sink that answers only another events interface is not stored.
    EXPECT_EQ(cp->Advise(recordingSink(kOtherEvents).get(), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);

    ASSERT_EQ(cp->Advise(recordingSink().get(), &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    DWORD second = 77;
    EXPECT_EQ(cp->Advise(recordingSink().get(), &second), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(cp->Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
    EXPECT_TRUE(source->events.connected());
    ASSERT_EQ(cp->Unadvise(cookie), S_OK);
    EXPECT_FALSE(source->events.connected());
    EXPECT_EQ(cp->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(com::fire(source->events, 1), S_FALSE);
    EXPECT_TRUE(seen.empty());

    // After Unadvise a new sink may connect.
    EXPECT_EQ(cp->Advise(recordingSink().get(), &second), S_OK);

    IID iid = IID_NULL;
    EXPECT_EQ(cp->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, kEvents);
    com::Ptr<IConnectionPointContainer> container;
    EXPECT_EQ(cp->GetConnectionPointContainer(container.put()), S_OK);
    EXPECT_EQ(container.get(), static_cast<IConnectionPointContainer*>(source.get()));
    IEnumConnections* connections = nullptr;
    EXPECT_EQ(cp->EnumConnections(&connections), E_NOTIMPL);
}

TEST_F(ConnectionTest, EventsReachTheSinkByDispidInReverseOrder) {
    DWORD cookie = 0;
    ASSERT_EQ(com::connectSink(static_cast<IConnectionPointContainer*>(source.get()), kEvents,
                               recordingSink().get(), &cookie),
              S_OK);

    // The sink sees rgvarg reversed: the last argument first.
    LONG firstInRgvarg = 0;
    com::Ptr<com::EventSink> raw =
        com::make<com::EventSink>(kEvents, [&](DISPID, const com::EventArgs& args) {
            firstInRgvarg = args.at(args.count() - 1).lVal;
            return S_OK;
        });

    EXPECT_EQ(com::fire(source->events, 14, LONG(5), SHORT('*'), LONG(9)), S_OK);
    EXPECT_EQ(com::fire(source->events, 20, std::string("12#"), std::string()), S_OK);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].dispid, 14);
    EXPECT_EQ(seen[0].types, (std::vector<VARTYPE>{VT_I4, VT_I2, VT_I4}));
    EXPECT_EQ(seen[0].texts, (std::vector<std::string>{"5", "42", "9"}));
    EXPECT_EQ(seen[1].types, (std::vector<VARTYPE>{VT_BSTR, VT_BSTR}));
    EXPECT_EQ(seen[1].texts, (std::vector<std::string>{"12#", ""}));

    ASSERT_EQ(
        com::disconnectSink(static_cast<IConnectionPointContainer*>(source.get()), kEvents, cookie),
        S_OK);
    ASSERT_EQ(point()->Advise(raw.get(), &cookie), S_OK);
    com::fire(source->events, 14, LONG(5), SHORT('*'), LONG(9));
    EXPECT_EQ(firstInRgvarg, 9);
}

TEST_F(ConnectionTest, SinkAnswersThroughByReferenceBoolean) {
    com::Ptr<com::EventSink> sink =
        com::make<com::EventSink>(kEvents, [](DISPID, const com::EventArgs& args) {
            EXPECT_EQ(args.at(1).vt, VT_BYREF | VT_BOOL);
            args.setBool(1, false);
            return S_OK;
        });
    DWORD cookie = 0;
    ASSERT_EQ(point()->Advise(sink.get(), &cookie), S_OK);
    VARIANT_BOOL carryOn = VARIANT_TRUE;
    EXPECT_EQ(com::fire(source->events, 30, LONG(1), &carryOn), S_OK);
    EXPECT_EQ(carryOn, VARIANT_FALSE);
}

TEST_F(ConnectionTest, SinkMayDisconnectItselfWhileHandlingAnEvent) {
    // The sink's handler owns this marker; it is gone once the sink is destroyed.
    auto alive = std::make_shared<int>(0);
    std::weak_ptr<int> watch = alive;
    DWORD cookie = 0;
    bool stillAliveAfterUnadvise = false;
    com::Ptr<com::EventSink> sink = com::make<com::EventSink>(
        kEvents, [this, marker = std::move(alive), &cookie, &stillAliveAfterUnadvise, &watch](
                     DISPID, const com::EventArgs&) {
            point()->Unadvise(cookie);
            stillAliveAfterUnadvise = !watch.expired();
            return S_OK;
        });
    ASSERT_EQ(point()->Advise(sink.get(), &cookie), S_OK);
    sink.reset();  // only the connection holds the sink now

    EXPECT_EQ(com::fire(source->events, 1), S_OK);
    EXPECT_TRUE(stillAliveAfterUnadvise);
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(source->events.connected());
}

TEST_F(ConnectionTest, DisconnectDropsTheSinkBeforeDestruction) {
    DWORD cookie = 0;
    ASSERT_EQ(point()->Advise(recordingSink().get(), &cookie), S_OK);
    source->events.disconnect();
    EXPECT_EQ(com::fire(source->events, 1), S_FALSE);
    EXPECT_TRUE(seen.empty());
}

TEST_F(ConnectionTest, FailingOrThrowingSinkIsReportedToTheFirer) {
    com::Ptr<com::EventSink> sink =
        com::make<com::EventSink>(kEvents, [](DISPID id, const com::EventArgs&) -> HRESULT {
            if (id == 1)
                return DISP_E_MEMBERNOTFOUND;
            throw std::runtime_error("handler failed");
        });
    DWORD cookie = 0;
    ASSERT_EQ(point()->Advise(sink.get(), &cookie), S_OK);
    EXPECT_EQ(com::fire(source->events, 1), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(com::fire(source->events, 2), E_UNEXPECTED);
}

}  // namespace
