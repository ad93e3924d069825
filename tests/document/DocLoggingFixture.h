#pragma once
// The document logging on a fake port whose sensor answers the accumulation
// steps; StartLog sets the log up as the dialog does and starts it.

#include <string>
#include <vector>

#include "DocLoopFixture.h"

namespace halyard::test {

class DocLogging : public DocLoopFixture {
protected:
    void SetUp() override
    {
        DocLoopFixture::SetUp();
        // The sensor answers what the accumulation steps ask.
        m_pPort->m_responder = [](const std::string& strLine) {
            std::vector<std::string> replies;
            if (strLine == "A?")
                replies.push_back("0012.50\r\n");
            else if (strLine == "AC")
                replies.push_back("0000.00\r\n");
            else if (strLine == "R?")
                replies.push_back("R 00,21.8,00\r\n");
            return replies;
        };
    }

    struct Options {
        bool bDaily = false;
        bool bResetA = false;
        bool bCaptureA = false;
        int nHour = 0;
        int nMinute = 0;
        bool bAutoR = false;
        bool bTimestamp = false;
        bool bAppend = false;
    };

    bool StartLog(const std::string& strPath, const Options& o, const std::string& strPrefix = "LogFile")
    {
        LogSettings settings;
        settings.strPathName = strPath;
        settings.strPrefix = m_folder.Path(strPrefix);
        settings.bAutoR = o.bAutoR;
        settings.bTimestamp = o.bTimestamp;
        settings.bDailyCapture = o.bDaily;
        settings.bResetA = o.bResetA;
        settings.bCaptureA = o.bCaptureA;
        settings.nHour = static_cast<int16_t>(o.nHour);
        settings.nMinute = static_cast<int16_t>(o.nMinute);
        Doc().SetLogParameters(settings);
        const bool bStarted = Doc().StartLogging(o.bAppend ? LogStart::Append : LogStart::Fresh);
        Deliver();
        return bStarted;
    }

    std::vector<PostedMessage> LogErrors() const { return ViewMessagesOf(WM_LOG_ERROR); }
};

}  // namespace halyard::test
