#include "SimSensor.h"

#include "SimEngine.h"

namespace halyard::sim {

CSimSensor::CSimSensor(SimOptions options, std::shared_ptr<ISimPort> pPort)
    : m_pEngine(std::make_unique<CSimEngine>(std::move(options), std::move(pPort)))
{}

CSimSensor::~CSimSensor() = default;

bool CSimSensor::Start()
{
    m_pEngine->SetFault(Fault::HangUp, false);
    return m_pEngine->Start();
}

void CSimSensor::Stop()
{
    m_pEngine->Stop();
}

bool CSimSensor::IsRunning() const
{
    return m_pEngine->IsRunning();
}

const std::string& CSimSensor::DevicePath() const
{
    return m_pEngine->DevicePath();
}

void CSimSensor::SetFault(Fault fault, bool bOn)
{
    if (fault == Fault::HangUp) {
        if (bOn)
            HangUp();
        return;
    }
    m_pEngine->SetFault(fault, bOn);
}

bool CSimSensor::GetFault(Fault fault) const
{
    return m_pEngine->GetFault(fault);
}

void CSimSensor::SetLateAnswerMs(int nMs)
{
    m_pEngine->SetLateAnswerMs(nMs);
}

void CSimSensor::SetBadCmdFor(const std::string& strCommand)
{
    m_pEngine->SetBadCmdFor(strCommand);
}

void CSimSensor::SetBadCmdOnceFor(const std::string& strCommand)
{
    m_pEngine->SetBadCmdOnceFor(strCommand);
}

void CSimSensor::SetNoAnswerFor(const std::string& strCommand)
{
    m_pEngine->SetNoAnswerFor(strCommand);
}

void CSimSensor::SetSilentAfter(size_t nCommands)
{
    m_pEngine->SetSilentAfter(nCommands);
}

void CSimSensor::SetHangUpAfter(size_t nCommands)
{
    m_pEngine->SetHangUpAfter(nCommands);
}

void CSimSensor::SendLine(const std::string& strLine)
{
    m_pEngine->PostOutgoing(strLine, false);
}

std::vector<std::string> CSimSensor::ReceivedCommands() const
{
    return m_pEngine->ReceivedCommands();
}

void CSimSensor::ClearReceivedCommands()
{
    m_pEngine->ClearReceivedCommands();
}

bool CSimSensor::WaitForCommands(size_t nCount, std::chrono::milliseconds timeout) const
{
    return m_pEngine->WaitForCommands(nCount, timeout);
}

size_t CSimSensor::RejectedLines() const
{
    return m_pEngine->RejectedLines();
}

void CSimSensor::HangUp()
{
    m_pEngine->SetFault(Fault::HangUp, true);
    m_pEngine->Stop();
}

uint16_t CSimSensor::GetOpState() const
{
    return m_pEngine->WithModel([](const CSensorModel& model) { return model.GetOpState(); });
}

void CSimSensor::SetOpState(uint16_t wState)
{
    m_pEngine->ChangeModel([wState](CSensorModel& model) { model.SetOpState(wState); });
}

uint16_t CSimSensor::GetOptions() const
{
    return m_pEngine->WithModel([](const CSensorModel& model) { return model.GetOptions(); });
}

void CSimSensor::SetOptions(uint16_t wOptions)
{
    m_pEngine->ChangeModel([wOptions](CSensorModel& model) { model.SetOptions(wOptions); });
}

int CSimSensor::GetNvram(int nIndex) const
{
    return m_pEngine->WithModel([nIndex](const CSensorModel& model) { return model.GetNvram(nIndex); });
}

bool CSimSensor::SetNvram(int nIndex, int nValue)
{
    return m_pEngine->ChangeModel([=](CSensorModel& model) { return model.SetNvram(nIndex, nValue); });
}

double CSimSensor::GetTemperature() const
{
    return m_pEngine->WithModel([](const CSensorModel& model) { return model.ReportedTemperature(); });
}

void CSimSensor::SetRawTemperature(double dTemperature)
{
    m_pEngine->ChangeModel([dTemperature](CSensorModel& model) { model.SetRawTemperature(dTemperature); });
}

bool CSimSensor::InTestMode() const
{
    return m_pEngine->WithModel([](const CSensorModel& model) { return model.InTestMode(); });
}

bool CSimSensor::NvramWriteEnabled() const
{
    return m_pEngine->WithModel([](const CSensorModel& model) { return model.NvramWriteEnabled(); });
}

void CSimSensor::SetDecimalOpState(bool bDecimal)
{
    m_pEngine->ChangeModel([bDecimal](CSensorModel& model) { model.SetDecimalOpState(bDecimal); });
}

}  // namespace halyard::sim
