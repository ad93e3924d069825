// The port list and the device watch on Windows, through the registry's
// SERIALCOMM list, which the test writes itself as a driver would (Wine lets
// a program write the machine's keys): a port added is listed by its system
// number and seen arriving by the watch on its next look, once; a port taken
// away is no longer listed.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/IDeviceWatch.h"
#include "platform/PortTable.h"
#include "platform/UdevPorts.h"

// After the program's headers: its macros (WM_APP, MessageBox) would rename their names.
#include <windows.h>

namespace halyard::test {
namespace {

constexpr const wchar_t* kDevice = L"\\Device\\HalyardTestSerial";
constexpr DWORD kLookWaitMs = 5000;

class SerialCommKey {
public:
    SerialCommKey()
    {
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE,
                          KEY_SET_VALUE, nullptr, &m_hKey, nullptr);
    }
    ~SerialCommKey()
    {
        Remove();
        if (m_hKey != nullptr)
            ::RegCloseKey(m_hKey);
    }
    bool IsOpen() const { return m_hKey != nullptr; }
    bool Add(const std::wstring& strName)
    {
        const auto* pData = reinterpret_cast<const BYTE*>(strName.c_str());
        return ::RegSetValueExW(m_hKey, kDevice, 0, REG_SZ, pData,
                                static_cast<DWORD>((strName.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    void Remove() { ::RegDeleteValueW(m_hKey, kDevice); }

private:
    HKEY m_hKey = nullptr;
};

bool Listed(const std::string& strDevice)
{
    const std::vector<SerialDeviceInfo> devices = ListSerialDevices();
    return std::any_of(devices.begin(), devices.end(),
                       [&](const SerialDeviceInfo& d) { return d.strDevice == strDevice; });
}

TEST(WindowsPortList, APortTheSystemListsIsSeenArrivingOnceAndGoesWhenTakenAway)
{
    SerialCommKey key;
    ASSERT_TRUE(key.IsOpen());
    const std::unique_ptr<IDeviceWatch> pWatch = CreateDeviceWatch();
    ASSERT_TRUE(pWatch);
    ASSERT_FALSE(Listed("\\\\.\\COM42"));

    ASSERT_TRUE(key.Add(L"COM42"));
    EXPECT_TRUE(Listed("\\\\.\\COM42")) << "listed by the name CreateFileW opens";
    CPortTable& table = CPortTable::Instance();
    table.Clear();
    table.Scan();
    EXPECT_EQ(table.Resolve("COM42:"), "\\\\.\\COM42") << "the system's number, not the lowest free one";

    ASSERT_EQ(::WaitForSingleObject(pWatch->Fd(), kLookWaitMs), WAIT_OBJECT_0) << "the watch looks once a second";
    EXPECT_TRUE(pWatch->TakeArrival("\\\\.\\COM42"));
    ASSERT_EQ(::WaitForSingleObject(pWatch->Fd(), kLookWaitMs), WAIT_OBJECT_0);
    EXPECT_FALSE(pWatch->TakeArrival("\\\\.\\COM42")) << "a port still there has not arrived again";

    key.Remove();
    EXPECT_FALSE(Listed("\\\\.\\COM42"));
    table.Clear();
}

}  // namespace
}  // namespace halyard::test
