// Connection points: advise/unadvise, firing with by-reference arguments, and the host sink.
#include <gtest/gtest.h>

#include <string>

#include "platform/com_ptr.h"
#include "platform/connection_point.h"
#include "platform/dispatch_map.h"

namespace {

// {0C0FFEE0-1111-2222-3333-444455556666}
constexpr IID kEventsIid = GUID_INIT(0x0C0FFEE0, 0x1111, 0x2222, 0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66);

// A source object: its QueryInterface answers the container through the helper.
class Source : public orv::DispatchObject<Source> {
public:
    Source() : points(this, kEventsIid) {}
    static std::span<const orv::DispatchEntry> DispatchMembers() {
        static constexpr orv::DispatchEntry kMembers[] = {
            orv::DispProperty<&Source::Sinks, nullptr, VT_I4>("Sinks")};
        return kMembers;
    }
    orv::ConnectionPointHelper points;

protected:
    void* QueryExtraInterface(REFIID riid) override {
        return riid == IID_IConnectionPointContainer ? points.Container() : nullptr;
    }

private:
    int32_t Sinks() { return static_cast<int32_t>(points.SinkCount()); }
};

TEST(ConnectionPoint, SinkReceivesEventsWithArgumentsInOrder) {
    auto source = orv::ComPtr<Source>::Attach(new Source);
    auto sink = orv::EventSink::Create(kEventsIid);
    int32_t status = 0;
    std::string text;
    sink->On(1, [&](const orv::EventArgs& a) { status = a.Long(0); });
    sink->On(2, [&](const orv::EventArgs& a) {
        text = a.Ansi(2);
        *a.LongRef(1) = 99;  // written back to the firing side
        BSTR* s = a.BstrRef(2);
        SysReAllocString(s, u"changed");
    });
    ASSERT_EQ(sink->Connect(source.Get()), S_OK);
    EXPECT_EQ(source->points.SinkCount(), 1u);
    EXPECT_EQ(sink->Connect(source.Get()), CONNECT_E_ADVISELIMIT);

    ASSERT_EQ(source->points.FireEvent(1, 7), S_OK);
    EXPECT_EQ(status, 7);
    int32_t data = 0;
    BSTR value = orv::BstrFromAnsi("original");
    ASSERT_EQ(source->points.FireEvent(2, 5, &data, &value), S_OK);
    EXPECT_EQ(text, "original");
    EXPECT_EQ(data, 99);
    EXPECT_EQ(orv::AnsiFromBstr(value), "changed");
    SysFreeString(value);
    // An event no handler is registered for is accepted.
    EXPECT_EQ(source->points.FireEvent(3), S_OK);

    ASSERT_EQ(sink->Disconnect(), S_OK);
    status = 0;
    source->points.FireEvent(1, 8);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(sink->Disconnect(), S_FALSE);
}

TEST(ConnectionPoint, ContainerAndPointSemantics) {
    auto source = orv::ComPtr<Source>::Attach(new Source);
    orv::ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(source->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()), S_OK);
    orv::ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, point.Put()), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point.Get(), nullptr);
    ASSERT_EQ(container->FindConnectionPoint(kEventsIid, point.Put()), S_OK);
    IID iid{};
    ASSERT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, kEventsIid);
    EXPECT_EQ(point->Unadvise(12345), CONNECT_E_NOCONNECTION);
    DWORD cookie = 1;
    EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(cookie, 0u);
    // The container's identity is the source's.
    orv::ComPtr<IUnknown> a, b;
    ASSERT_EQ(container->QueryInterface(IID_IUnknown, a.PutVoid()), S_OK);
    ASSERT_EQ(source->QueryInterface(IID_IUnknown, b.PutVoid()), S_OK);
    EXPECT_EQ(a.Get(), b.Get());
}

TEST(ConnectionPoint, SinkMayDisconnectFromItsOwnHandler) {
    auto source = orv::ComPtr<Source>::Attach(new Source);
    auto sink = orv::EventSink::Create(kEventsIid);
    int calls = 0;
    sink->On(1, [&](const orv::EventArgs&) {
        ++calls;
        sink->Disconnect();
    });
    ASSERT_EQ(sink->Connect(source.Get()), S_OK);
    source->points.FireEvent(1, 1);
    source->points.FireEvent(1, 2);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(source->points.SinkCount(), 0u);
}

}  // namespace
