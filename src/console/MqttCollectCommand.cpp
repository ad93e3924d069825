// halyard-cli collect over the broker: the MQTT connection, the console loop
// that waits for SIGINT or SIGTERM, and the records handed to the collector's
// files.
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "console/CConsoleLoop.h"
#include "console/CollectCommand.h"
#include "console/MqttCommandLine.h"
#include "network/CMqttConnection.h"
#include "network/CRecordCollector.h"

namespace halyard {

namespace {

constexpr const char* kRecordsTopic = "halyard/+/records";
constexpr uint32_t kMsgStop = 1;  // wParam: the exit status

std::string DefaultClientId()
{
    char szHost[256] = {};
    if (::gethostname(szHost, sizeof(szHost) - 1) != 0 || szHost[0] == '\0')
        return "halyard-collect";
    return std::string("halyard-collect-") + szHost;
}

// The collector's run. Records arrive on the connection's network thread and
// are written there, one at a time: the library acknowledges a message to the
// broker only once the handler has returned, so a record is on disk before the
// broker forgets it. The main thread runs the loop until a signal, or until
// the first connection fails.
class CCollectCommand {
public:
    CCollectCommand(const CollectOptions& options, CliContext& context)
        : m_options(options)
        , m_context(context)
        , m_collector(options.strDir)
    {}
    int Run();

private:
    void OnRecord(const std::string& strTopic, const std::string& strPayload);
    void OnConnected();
    void OnDisconnected(const std::string& strWhy);
    void WatchSignals();
    void Stop(int nExit) { m_loop.Post({PostTarget::Frame, kMsgStop, static_cast<uintptr_t>(nExit), 0}); }
    // A line on the error stream, from either thread.
    void Say(const std::string& strLine);
    void Warn(const std::string& strLine) { Say("halyard-cli: " + strLine); }

    CollectOptions m_options;
    CliContext& m_context;
    CConsoleLoop m_loop;
    CRecordCollector m_collector;
    std::mutex m_errMutex;
    std::atomic<bool> m_bConnectedOnce = false;
    int m_nExit = EXIT_DONE;
};

void CCollectCommand::Say(const std::string& strLine)
{
    std::lock_guard lock(m_errMutex);
    m_context.err << strLine << std::endl;
}

void CCollectCommand::WatchSignals()
{
    if (m_context.nSignalFd < 0 || !m_context.takeSignal)
        return;
    m_loop.WatchFd(m_context.nSignalFd, [this] {
        if (m_context.takeSignal() != 0)
            m_loop.Quit();
    });
}

int CCollectCommand::Run()
{
    const MqttCheck check = CheckMqttOptions(m_options.mqtt);
    if (!check.settings) {
        Warn(check.strMessage);
        return check.nExit;
    }
    if (const SysResult prepared = m_collector.Prepare(); !prepared) {
        Warn("--dir " + m_options.strDir + ": " + prepared.Message());
        return EXIT_FILE;
    }
    if (!m_loop.Status()) {
        Warn("the event loop could not start: " + m_loop.Status().Message());
        return EXIT_FAILED;
    }
    m_loop.SetMessageHandler([this](const LoopMessage& message) {
        if (message.nMsg != kMsgStop)
            return;
        m_nExit = static_cast<int>(message.wParam);
        m_loop.Quit();
    });
    WatchSignals();

    const std::string strClientId = m_options.strClientId.empty() ? DefaultClientId() : m_options.strClientId;
    CMqttConnection::Handlers handlers;
    handlers.onConnected = [this] { OnConnected(); };
    handlers.onDisconnected = [this](const std::string& strWhy) { OnDisconnected(strWhy); };
    handlers.onMessage = [this](const std::string& strTopic, const std::string& strPayload) {
        OnRecord(strTopic, strPayload);
    };
    // Clean session off: the broker keeps the subscription and what arrives
    // for it while the collector is away.
    CMqttConnection connection(*check.settings, strClientId, false, std::move(handlers));
    if (const SysResult subscribed = connection.Subscribe(kRecordsTopic, 1); !subscribed) {
        Warn(connection.LastError());
        return EXIT_FAILED;
    }
    if (const SysResult started = connection.Start(std::nullopt); !started) {
        Warn(m_options.mqtt.strUrl + ": " + connection.LastError());
        return EXIT_FAILED;
    }
    m_loop.Run();
    connection.Stop();
    if (m_nExit == EXIT_DONE)
        Say("Collecting stopped");
    return m_nExit;
}

void CCollectCommand::OnConnected()
{
    if (m_bConnectedOnce.exchange(true))
        Say("Connected to " + m_options.mqtt.strUrl + " again");
    else
        Say("Connected to " + m_options.mqtt.strUrl + "; collecting into " + m_options.strDir +
            "; SIGINT or SIGTERM stops");
}

void CCollectCommand::OnDisconnected(const std::string& strWhy)
{
    if (!m_bConnectedOnce) {
        // Nothing was ever collected: a wrong address or password is said
        // at once (a service manager starts the collector again).
        Warn(m_options.mqtt.strUrl + ": " + strWhy);
        Stop(EXIT_FAILED);
        return;
    }
    Warn("the connection to " + m_options.mqtt.strUrl + " went (" + strWhy + "); trying again");
}

void CCollectCommand::OnRecord(const std::string& strTopic, const std::string& strPayload)
{
    const CollectOutcome outcome = m_collector.Receive(strTopic, strPayload);
    switch (outcome.result) {
    case CollectResult::Written:
    case CollectResult::Duplicate:
        if (!outcome.strNotice.empty())
            Warn("station " + CRecordCollector::StationOfTopic(strTopic) + ": " + outcome.strNotice);
        break;
    case CollectResult::Refused:
        Warn("record refused: " + outcome.strNotice);
        break;
    case CollectResult::Failed:
        // Returning would let the library acknowledge a record that is not
        // on disk. Ending here leaves it with the broker for the next start.
        Warn(outcome.strNotice + "; stopping, the broker keeps the record");
        std::_Exit(EXIT_FILE);
    }
}

}  // namespace

CLI::App* AddCollectCommand(CLI::App& app, CollectOptions& options)
{
    auto* pCollect = app.add_subcommand("collect", "write every station's records from an MQTT broker into "
                                                   "DIR/<station>/<YYYY-MM-DD>.LOG until SIGINT or SIGTERM");
    AddMqttOptions(*pCollect, options.mqtt, true);
    pCollect->add_option("--dir", options.strDir, "the folder of the stations' folders (made when missing)")
        ->required();
    pCollect
        ->add_option("--client-id", options.strClientId,
                     "the client id the broker keeps this collector's session under (default "
                     "halyard-collect-<host name>)")
        ->check([](const std::string& strId) { return strId.empty() ? "must not be empty" : std::string(); });
    return pCollect;
}

int RunCollect(const CollectOptions& options, CliContext& context)
{
    CCollectCommand command(options, context);
    return command.Run();
}

}  // namespace halyard
