#pragma once
// Base of every test that touches COM: the simulated services table is in force for the test,
// and the test fails when any simulated object is still alive at its end. The check runs in the
// destructor, after the derived fixture's own references are gone.
#include <gtest/gtest.h>
#include <objbase.h>

#include "platform/system_services.h"
#include "sim/sim_object.h"
#include "sim/sim_services.h"

// Whether COM is initialised on this thread (false once CoUninitialize has balanced it).
inline bool ComIsUp()
{
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier));
}

class SimTest : public ::testing::Test {
protected:
    ~SimTest() override
    {
        services.ForgetClasses();
        EXPECT_EQ(SimLiveObjects::Count(), 0) << "simulated objects left alive";
    }

    SimServices services;

private:
    ScopedSystemServices m_scope{services};
};
