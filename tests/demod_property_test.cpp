#include <gmock/gmock.h>
#include "platform/com_ptr.h"

#include "modes/demod_property.h"
#include "platform/identities.h"
#include "sim/sim_property_set.h"
#include "sim_test.h"

using ::testing::ElementsAre;

namespace {

class DemodPropertyTest : public SimTest {
protected:
    DemodPropertyTest() { m_channel.Attach(SimPropertySet::Create()); }

    SimPropertySet& Card() { return *m_channel.Get(); }
    IKsPropertySet* Channel() { return m_channel.Get(); }

    // Every call names the vendor set and the demodulator-mode property.
    void ExpectDemodModeProperty(const SimPropertySet::Record& record)
    {
        EXPECT_TRUE(record.set == KSPROPSETID_DemodMode);
        EXPECT_EQ(record.id, 60u);
    }

private:
    ComPtr<SimPropertySet> m_channel;
};

TEST_F(DemodPropertyTest, ReadTakesBothTunersFromOneGetOfTheSharedTwoByteBuffer)
{
    Card().modes[0] = 2;
    Card().modes[1] = 4;

    const DemodModeBlock modes = GetDemodModes(Channel());

    EXPECT_STREQ(DemodModeName(modes.tunerA), "DVB-S/S2");
    EXPECT_STREQ(DemodModeName(modes.tunerB), "DVB-C");
    ASSERT_EQ(Card().calls.size(), 1u);
    const auto& get = Card().calls[0];
    EXPECT_EQ(get.call, SimPropertySet::Call::Get);
    ExpectDemodModeProperty(get);
    EXPECT_EQ(get.instanceLength, 2u);
    EXPECT_EQ(get.dataLength, 2u);
    EXPECT_TRUE(get.sameBuffer);
    // The driver is given a place for the count of bytes it returns, which it may require.
    EXPECT_TRUE(get.countPlace);
    // The buffer is cleared before the driver sees it.
    EXPECT_THAT(get.data, ElementsAre(0, 0));
}

TEST_F(DemodPropertyTest, FailedOrShortReadsYieldNotSetInsteadOfStaleBytes)
{
    Card().modes[0] = 5;
    Card().modes[1] = 6;

    Card().getResult = E_FAIL;
    DemodModeBlock modes = GetDemodModes(Channel());
    EXPECT_STREQ(DemodModeName(modes.tunerA), "NO Set");
    EXPECT_STREQ(DemodModeName(modes.tunerB), "NO Set");

    Card().getResult = S_OK;
    Card().getBytesWritten = 1;
    modes = GetDemodModes(Channel());
    EXPECT_EQ(modes.tunerA, 5);
    EXPECT_STREQ(DemodModeName(modes.tunerB), "NO Set");

    Card().getBytesWritten = 0;
    modes = GetDemodModes(Channel());
    EXPECT_EQ(modes.tunerA, 0);
    EXPECT_EQ(modes.tunerB, 0);
}

TEST_F(DemodPropertyTest, AReadThatReportsItsResultFailsOnErrorsAndShortReads)
{
    Card().modes[0] = 4;
    Card().modes[1] = 7;
    DemodModeBlock modes = {9, 9};
    EXPECT_EQ(ReadDemodModes(Channel(), modes), S_OK);
    EXPECT_EQ(modes.tunerA, 4);
    EXPECT_EQ(modes.tunerB, 7);

    Card().getResult = E_ACCESSDENIED;
    modes = {9, 9};
    EXPECT_EQ(ReadDemodModes(Channel(), modes), E_ACCESSDENIED);
    EXPECT_EQ(modes.tunerA, 0);
    EXPECT_EQ(modes.tunerB, 0);

    // A driver that claims success but hands back one byte has not told both modes.
    Card().getResult = S_OK;
    Card().getBytesWritten = 1;
    EXPECT_EQ(ReadDemodModes(Channel(), modes), E_UNEXPECTED);
    EXPECT_EQ(Card().calls.size(), 3u);
}

TEST_F(DemodPropertyTest, WriteSendsTunerAThenTunerBAsInstanceAndPropertyData)
{
    EXPECT_TRUE(SetDemodModes(Channel(), {5, 7}));

    ASSERT_EQ(Card().calls.size(), 1u);
    const auto& set = Card().calls[0];
    EXPECT_EQ(set.call, SimPropertySet::Call::Set);
    ExpectDemodModeProperty(set);
    EXPECT_THAT(set.instance, ElementsAre(0x05, 0x07));
    EXPECT_THAT(set.data, ElementsAre(0x05, 0x07));
    EXPECT_EQ(set.instanceLength, 2u);
    EXPECT_EQ(set.dataLength, 2u);
    EXPECT_TRUE(set.sameBuffer);
    EXPECT_THAT(Card().modes, ElementsAre(5, 7));
}

TEST_F(DemodPropertyTest, OnlyANegativeResultIsAFailedWrite)
{
    Card().setResult = E_FAIL;
    EXPECT_FALSE(SetDemodModes(Channel(), {1, 2}));
    Card().setResult = S_FALSE;
    EXPECT_TRUE(SetDemodModes(Channel(), {1, 2}));
}

TEST_F(DemodPropertyTest, SupportTestLooksOnlyAtTheResult)
{
    Card().supportFlags = 0;
    EXPECT_TRUE(QueryDemodModeSupport(Channel()));
    ASSERT_EQ(Card().calls.size(), 1u);
    EXPECT_EQ(Card().calls[0].call, SimPropertySet::Call::QuerySupported);
    ExpectDemodModeProperty(Card().calls[0]);

    Card().querySupportedResult = S_FALSE;
    EXPECT_TRUE(QueryDemodModeSupport(Channel()));

    Card().querySupportedResult = E_NOTIMPL;
    Card().supportFlags = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
    EXPECT_FALSE(QueryDemodModeSupport(Channel()));
}

TEST_F(DemodPropertyTest, AnAbsentChannelFailsTheSupportTest)
{
    EXPECT_FALSE(QueryDemodModeSupport(nullptr));
}

}  // namespace
