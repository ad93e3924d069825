#include "AppSimulator.h"

#include "SensorModel.h"
#include "SimSystem.h"
#include "platform/PortTable.h"
#include "serial/CPortLink.h"

namespace halyard::sim {

std::unique_ptr<CAppSimulator> CAppSimulator::Start(const std::string& strModel)
{
    SimOptions options;
    options.strModel = strModel;
    options.wOpState |= CSensorModel::kAutoSendBit;
    std::unique_ptr<CAppSimulator> pSim(new CAppSimulator);
    const std::shared_ptr<ISimPort> pPort = DefaultSimPort();
    pSim->m_pSensor = std::make_unique<CSimSensor>(options, pPort);
    if (!pSim->m_pSensor->Start())
        return nullptr;
    const std::string& strDevice = pSim->m_pSensor->DevicePath();
    // A line without a path of the system's is opened through a link of the program's own.
    if (LinkFactory make = pPort->MakeLinkFactory()) {
        CPortLink::RegisterLinkFactory(strDevice, std::move(make));
        pSim->m_strLinkDevice = strDevice;
    }
    pSim->m_nPort = CPortTable::Instance().RegisterSimulated(strDevice, "Simulated " + strModel);
    return pSim;
}

CAppSimulator::~CAppSimulator()
{
    if (m_nPort != 0)
        CPortTable::Instance().Unregister(m_nPort);
    if (!m_strLinkDevice.empty())
        CPortLink::UnregisterLinkFactory(m_strLinkDevice);
}

}  // namespace halyard::sim
