#pragma once
// One MQTT client connection to a broker, over libmosquitto, with a network
// thread of its own that keeps it connected: after a connection is lost or
// refused it tries again, waiting 1 s at first and doubling up to 30 s.
// The handlers are called on that network thread; they may publish. Publish
// and Subscribe may be called from any thread and never wait on the network
// (a message goes into the library's queue and the network thread sends it).
// The destructor disconnects and joins the thread.
//
// Texts for a person (why a start failed, why a connection went) say what
// happened in words: "connection refused", "not authorised", the TLS
// library's own reason for refusing a certificate.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "network/MqttSettings.h"
#include "platform/SysError.h"

struct mosquitto;
struct mosquitto_message;

namespace halyard {

class CMqttConnection {
public:
    struct Will { std::string strTopic, strPayload; bool bRetain = true; };
    struct Handlers {
        std::function<void()> onConnected;                                  // every (re)connection accepted
        std::function<void(const std::string& strWhy)> onDisconnected;      // lost or refused, with a reason a person reads
        std::function<void(int nMid)> onPublished;                          // QoS 1 acknowledged
        std::function<void(const std::string& strTopic, const std::string& strPayload)> onMessage;
    };

    CMqttConnection(MqttSettings settings, std::string strClientId, bool bCleanSession, Handlers handlers);
    ~CMqttConnection();                              // disconnects and joins the network thread
    CMqttConnection(const CMqttConnection&) = delete;
    CMqttConnection& operator=(const CMqttConnection&) = delete;

    // Reads the password file, sets up TLS and the will, starts connecting
    // and the network thread. A failure that trying again cannot mend (a
    // file that cannot be read, an unknown host, TLS files the library
    // refuses) ends it: LastError() says why.
    SysResult Start(const std::optional<Will>& will);
    // The message id (for onPublished), or why the library refused it.
    Result<int> Publish(const std::string& strTopic, const std::string& strPayload, int nQos, bool bRetain);
    SysResult Subscribe(const std::string& strTopic, int nQos);   // (kept across reconnections)
    bool IsConnected() const { return m_bConnected; }
    // Disconnects (sending what is queued first, when it can) and joins the thread.
    void Stop();

    // Why Start failed, or why the last connection went or was refused.
    std::string LastError() const;

private:
    static void OnConnect(mosquitto* pClient, void* pSelf, int nResult);
    static void OnDisconnect(mosquitto* pClient, void* pSelf, int nResult);
    static void OnPublish(mosquitto* pClient, void* pSelf, int nMid);
    static void OnMessage(mosquitto* pClient, void* pSelf, const mosquitto_message* pMessage);
    static void OnLog(mosquitto* pClient, void* pSelf, int nLevel, const char* pszText);

    SysResult Fail(int nError, const std::string& strWhy);
    SysResult SetUpClient(const std::optional<Will>& will);
    void SetLastError(const std::string& strWhy);
    void ConnectionLost(const std::string& strWhy);
    // The network thread: runs the library's loop, connecting again after a
    // failure (strFailure: the first attempt's, made by Start).
    void RunNetwork(std::string strFailure);
    // What a library result (and the errno it left) means, in words.
    std::string ResultText(int nResult, int nErrno);
    // Waits the retry delay, or less when Stop is called; false when stopping.
    bool WaitBeforeRetry();

    MqttSettings m_settings;
    std::string m_strClientId;
    bool m_bCleanSession;
    Handlers m_handlers;
    mosquitto* m_pClient = nullptr;
    std::thread m_network;
    std::atomic<bool> m_bConnected = false;
    std::atomic<bool> m_bStopping = false;
    int m_nRetrySeconds = 1;            // the network thread's
    mutable std::mutex m_mutex;         // guards what follows
    std::condition_variable m_stopped;
    std::string m_strLastError;
    std::string m_strLastLibraryError;  // the library's last error-level log line
    std::string m_strRefusal;           // why the broker refused the last connection
    std::vector<std::pair<std::string, int>> m_subscriptions;
};

}  // namespace halyard
