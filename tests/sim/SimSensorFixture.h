// CSimSensorFixture: the base of the integration tests that talk to a
// simulated sensor. StartSensor() runs a sensor and opens a client on its
// pseudo-terminal; both go at the end of each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "PtyClient.h"
#include "SimSensor.h"

namespace halyard::sim::test {

class CSimSensorFixture : public ::testing::Test {
protected:
    // Starts a sensor with `options` and opens a client on it.
    void StartSensor(SimOptions options = {})
    {
        m_pSensor = std::make_unique<CSimSensor>(std::move(options));
        ASSERT_TRUE(m_pSensor->Start());
        ASSERT_FALSE(m_pSensor->DevicePath().empty());
        m_pClient = std::make_unique<CPtyClient>(m_pSensor->DevicePath());
        ASSERT_TRUE(m_pClient->IsOpen());
    }
    void TearDown() override
    {
        m_pClient.reset();
        m_pSensor.reset();
    }
    static SimOptions Bus(int nAddress, const char* szModel = "ZRT-650")
    {
        SimOptions options;
        options.strModel = szModel;
        options.nAddress = nAddress;
        options.bRS485 = true;
        return options;
    }

    std::unique_ptr<CSimSensor> m_pSensor;
    std::unique_ptr<CPtyClient> m_pClient;
};

}  // namespace halyard::sim::test
