#include "AppSimulator.h"

#include "SensorModel.h"
#include "platform/PortTable.h"

namespace halyard::sim {

std::unique_ptr<CAppSimulator> CAppSimulator::Start(const std::string& strModel)
{
    SimOptions options;
    options.strModel = strModel;
    options.wOpState |= CSensorModel::kAutoSendBit;
    std::unique_ptr<CAppSimulator> pSim(new CAppSimulator);
    pSim->m_pSensor = std::make_unique<CSimSensor>(options);
    if (!pSim->m_pSensor->Start())
        return nullptr;
    pSim->m_nPort = CPortTable::Instance().RegisterSimulated(pSim->m_pSensor->DevicePath(), "Simulated " + strModel);
    return pSim;
}

CAppSimulator::~CAppSimulator()
{
    if (m_nPort != 0)
        CPortTable::Instance().Unregister(m_nPort);
}

}  // namespace halyard::sim
