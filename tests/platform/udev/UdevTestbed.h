#pragma once
// A umockdev testbed for one test: while it lives, udev (and /sys, /dev) in
// this process show only the devices the test adds, and the test can send
// their hot-plug events. Needs the process to run under umockdev's preload
// library, which UdevTestMain.cpp sees to.

#include <umockdev.h>

#include <memory>
#include <string>

namespace halyard::test {

class CUdevTestbed {
public:
    CUdevTestbed()
        : m_pTestbed(umockdev_testbed_new())
    {}

    // Devices from a recording file in tests/data, or from recording text.
    bool AddFromFile(const std::string& strName)
    {
        return Check(
            umockdev_testbed_add_from_file(m_pTestbed.get(), (kDataFolder + strName).c_str(), &m_pError));
    }
    bool AddFromString(const std::string& strRecording)
    {
        return Check(umockdev_testbed_add_from_string(m_pTestbed.get(), strRecording.c_str(), &m_pError));
    }
    // Sends the device's hot-plug event ("add", "remove", "change").
    void Uevent(const std::string& strSysPath, const std::string& strAction)
    {
        umockdev_testbed_uevent(m_pTestbed.get(), strSysPath.c_str(), strAction.c_str());
    }
    void Remove(const std::string& strSysPath)
    {
        umockdev_testbed_remove_device(m_pTestbed.get(), strSysPath.c_str());
    }
    // What went wrong in the last Add, for the test's message.
    const std::string& Error() const { return m_strError; }

private:
    struct GObjectUnref {
        void operator()(UMockdevTestbed* p) const { g_object_unref(p); }
    };

    bool Check(gboolean bOk)
    {
        if (!bOk && m_pError != nullptr) {
            m_strError = m_pError->message;
            g_clear_error(&m_pError);
        }
        return bOk != FALSE;
    }

    static inline const std::string kDataFolder = HALYARD_TEST_DATA "/";
    std::unique_ptr<UMockdevTestbed, GObjectUnref> m_pTestbed;
    GError* m_pError = nullptr;
    std::string m_strError;
};

}  // namespace halyard::test
