#pragma once
// A document on a fake port and a recording host, with the clock standing
// still, driven as the frame and the view drive it. Connect() runs the real
// connect path; the identification talks to a fake port that answers "JM?".

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "FakeSerial.h"
#include "RecordingHost.h"
#include "document/CHalyardDoc.h"
#include "platform/Clock.h"

namespace halyard::test {

class DocFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(&m_clock);
        auto pPort = std::make_unique<CFakeSerial>();
        m_pPort = pPort.get();
        m_pDoc = std::make_unique<CHalyardDoc>(m_host, std::move(pPort));
        ASSERT_TRUE(m_pDoc->OnNewDocument());
        m_host.m_connectSerial = [this] {
            auto pFake = std::make_unique<CFakeSerial>();
            pFake->m_bOpenSucceeds = m_bIdentifyPortOpens;
            pFake->m_responder = [this](const std::string& strLine) {
                std::vector<std::string> replies;
                if (strLine.find("JM?") != std::string::npos && !m_strModelReply.empty())
                    replies.push_back(m_strModelReply + "\r\n");
                return replies;
            };
            return pFake;
        };
    }

    void TearDown() override
    {
        m_pDoc.reset();
        SetClock(nullptr);
        std::remove((::testing::TempDir() + "halyard_doc_fixture.LOG").c_str());
    }

    CHalyardDoc& Doc() { return *m_pDoc; }

    // Logs to a file of the test's own with settings, and forgets what
    // starting it posted and sent.
    void StartTestLog(LogSettings settings = {})
    {
        settings.strPathName = ::testing::TempDir() + "halyard_doc_fixture.LOG";
        Doc().SetLogParameters(settings);
        ASSERT_TRUE(Doc().StartLogging(LogStart::Fresh));
        m_host.ClearMessages();
        m_pPort->ClearSent();
    }

    // Connects through the identification and forgets what that posted and sent.
    void Connect()
    {
        ASSERT_TRUE(Doc().ConnectToSensor());
        m_host.ClearMessages();
        m_pPort->ClearSent();
    }

    // Hands packets to the document as the frame does and collects the lines as
    // the view does.
    std::vector<std::string> Receive(std::initializer_list<std::string> packets)
    {
        for (const std::string& strPacket : packets)
            m_pPort->Supply(strPacket);
        Doc().CommsDataReceived(true);
        return CollectLines();
    }

    std::vector<std::string> CollectLines()
    {
        std::vector<std::string> lines;
        uint32_t dwBytes = 0;
        while (Doc().GetCommsData(lines, dwBytes)) {
        }
        return lines;
    }

    // The view collecting the echo of the command announced last.
    std::string CollectEcho()
    {
        const auto messages = m_host.ViewMessages().Messages();
        for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
            if (it->nMsg != WM_COMMS_COMMAND)
                continue;
            std::string strEcho;
            Doc().GetCommsCommand(strEcho, static_cast<uint32_t>(it->wParam));
            return strEcho;
        }
        return {};
    }

    std::vector<PostedMessage> ViewMessagesOf(uint32_t nMsg) const
    {
        std::vector<PostedMessage> found;
        for (const PostedMessage& m : m_host.ViewMessages().Messages())
            if (m.nMsg == nMsg)
                found.push_back(m);
        return found;
    }

    CManualClock m_clock{MakeLocalTime(2026, 12, 8, 1, 30, 5)};
    CRecordingHost m_host;
    CFakeSerial* m_pPort = nullptr;
    std::unique_ptr<CHalyardDoc> m_pDoc;
    std::string m_strModelReply = "00630";
    bool m_bIdentifyPortOpens = true;
};

}  // namespace halyard::test
