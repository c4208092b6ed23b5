#include <gtest/gtest.h>

#include "platform/system_services.h"
#include "sim/sim_property_set.h"
#include "sim/sim_services.h"
#include "sim_test.h"

#include "platform/com_holders.h"
#include "platform/com_ptr.h"


namespace {

constexpr GUID kSomeClass = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};

TEST(ComHolders, FillingAnOutParameterFreesWhatWasHeldFirst)
{
    // Reused holders (a name read once per device) must not carry the last value into the next
    // call, which may leave the out-parameter as it found it.
    VariantHolder variant;
    V_VT(variant.Get()) = VT_BSTR;
    V_BSTR(variant.Get()) = SysAllocString(L"VKO 8317 Tuner 0");
    VARIANT* out = variant.ReleaseAndGetAddressOf();
    EXPECT_EQ(out, variant.Get());
    EXPECT_EQ(V_VT(out), VT_EMPTY);

    BstrHolder text(L"quorvantel dvb-s");
    ASSERT_NE(text.Get(), nullptr);
    BSTR* place = text.ReleaseAndGetAddressOf();
    EXPECT_EQ(*place, nullptr);
    EXPECT_EQ(text.Get(), nullptr);
}

TEST(ScopedSystemServices, NestedTablesAreRestoredInTurn)
{
    SystemServices& windows = Services();
    SimServices outer;
    {
        ScopedSystemServices outerScope(outer);
        EXPECT_EQ(&Services(), &outer);
        SimServices inner;
        {
            ScopedSystemServices innerScope(inner);
            EXPECT_EQ(&Services(), &inner);
            Services().Sleep(3000);
            EXPECT_EQ(inner.sleeps.size(), 1u);
        }
        EXPECT_EQ(&Services(), &outer);
        EXPECT_TRUE(outer.sleeps.empty());
    }
    EXPECT_EQ(&Services(), &windows);
}

class ComPtrTest : public SimTest {};

TEST_F(ComPtrTest, AttachTakesTheReferenceOverAndMoveLeavesTheSourceEmpty)
{
    SimPropertySet* first = SimPropertySet::Create();
    ComPtr<IKsPropertySet> held;
    held.Attach(first);
    EXPECT_EQ(first->RefCount(), 1);

    ComPtr<IKsPropertySet> copy = held;
    EXPECT_EQ(first->RefCount(), 2);
    ComPtr<IKsPropertySet> moved;
    moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(first->RefCount(), 2);

    // Attaching another object releases the one held before.
    moved.Attach(SimPropertySet::Create());
    EXPECT_EQ(first->RefCount(), 1);
    EXPECT_EQ(SimLiveObjects::Count(), 2);

    // Attaching a new reference to the object already held keeps just one.
    first->AddRef();
    held.Attach(first);
    EXPECT_EQ(first->RefCount(), 1);

    // Moving into a reference that holds another object releases that one at once, and the
    // source is left empty, not holding what the target had.
    ComPtr<IKsPropertySet> source = held;
    moved = std::move(source);
    EXPECT_FALSE(source);
    EXPECT_EQ(SimLiveObjects::Count(), 1);
    EXPECT_EQ(first->RefCount(), 2);
}

class SimServicesTest : public SimTest {};

TEST_F(SimServicesTest, CreationHandsOverOneReferenceOrNullWithTheFailure)
{
    services.AddClass(kSomeClass, [] { return static_cast<IUnknown*>(SimPropertySet::Create()); });

    ComPtr<IKsPropertySet> channel;
    ASSERT_EQ(Services().CreateInstance(kSomeClass, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IKsPropertySet,
                                        reinterpret_cast<void**>(channel.ReleaseAndGetAddressOf())),
              S_OK);
    ASSERT_TRUE(channel);
    EXPECT_EQ(static_cast<SimPropertySet*>(channel.Get())->RefCount(), 1);

    // An interface the object lacks: null out-pointer, nothing kept alive by the attempt.
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(Services().CreateInstance(kSomeClass, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                        reinterpret_cast<void**>(filter.GetAddressOf())),
              E_NOINTERFACE);
    EXPECT_FALSE(filter);

    services.FailCreation(kSomeClass, E_OUTOFMEMORY);
    EXPECT_EQ(Services().CreateInstance(kSomeClass, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IKsPropertySet,
                                        reinterpret_cast<void**>(channel.ReleaseAndGetAddressOf())),
              E_OUTOFMEMORY);
    EXPECT_FALSE(channel);
    EXPECT_EQ(services.creations.size(), 3u);
    EXPECT_EQ(services.creations[0].context, DWORD(CLSCTX_INPROC_SERVER));

    GUID unknownClass = kSomeClass;
    unknownClass.Data1 = 99;
    EXPECT_EQ(Services().CreateInstance(unknownClass, nullptr, CLSCTX_ALL, IID_IUnknown,
                                        reinterpret_cast<void**>(channel.ReleaseAndGetAddressOf())),
              REGDB_E_CLASSNOTREG);
}

}  // namespace
