#include "network/CMqttConnection.h"

#include <mosquitto.h>
#include <netdb.h>

#include <cerrno>
#include <chrono>
#include <fstream>

namespace halyard {

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr int kMaxRetrySeconds = 30;
constexpr int kSendMaximum = 100;

void InitLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

// The first line of a password file, without its line end.
std::optional<std::string> ReadPassword(const std::string& strFile)
{
    std::ifstream file(strFile, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string strPassword;
    std::getline(file, strPassword);
    if (!strPassword.empty() && strPassword.back() == '\r')
        strPassword.pop_back();
    return strPassword;
}

// Why a broker refused a connection (the MQTT 3.1.1 return codes).
std::string RefusalText(int nCode)
{
    switch (nCode) {
    case 1:
        return "it does not speak this version of MQTT";
    case 2:
        return "it does not accept the client id";
    case 3:
        return "the service is unavailable";
    case 4:
        return "bad user name or password";
    case 5:
        return "not authorised (check --mqtt-user and --mqtt-password-file)";
    default:
        return mosquitto_connack_string(nCode);
    }
}

}  // namespace

CMqttConnection::CMqttConnection(MqttSettings settings, std::string strClientId, bool bCleanSession,
                                 Handlers handlers)
    : m_settings(std::move(settings))
    , m_strClientId(std::move(strClientId))
    , m_bCleanSession(bCleanSession)
    , m_handlers(std::move(handlers))
{}

CMqttConnection::~CMqttConnection()
{
    Stop();
    if (m_pClient != nullptr)
        mosquitto_destroy(m_pClient);
}

SysResult CMqttConnection::Fail(int nError, const std::string& strWhy)
{
    SetLastError(strWhy);
    return SysResult::Failure(static_cast<uint32_t>(nError));
}

void CMqttConnection::SetLastError(const std::string& strWhy)
{
    std::lock_guard lock(m_mutex);
    m_strLastError = strWhy;
}

std::string CMqttConnection::LastError() const
{
    std::lock_guard lock(m_mutex);
    return m_strLastError;
}

SysResult CMqttConnection::SetUpClient(const std::optional<Will>& will)
{
    InitLibraryOnce();
    m_pClient = mosquitto_new(m_strClientId.empty() ? nullptr : m_strClientId.c_str(), m_bCleanSession, this);
    if (m_pClient == nullptr)
        return Fail(errno != 0 ? errno : ENOMEM, "the MQTT client could not be made: " + SystemErrorText(errno));
    mosquitto_threaded_set(m_pClient, true);
    // As many QoS 1 messages on the wire as a station hands over at a time
    // (the library's default of 20 halves the pace of a backlog's drain).
    mosquitto_int_option(m_pClient, MOSQ_OPT_SEND_MAXIMUM, kSendMaximum);
    mosquitto_connect_callback_set(m_pClient, &CMqttConnection::OnConnect);
    mosquitto_disconnect_callback_set(m_pClient, &CMqttConnection::OnDisconnect);
    mosquitto_publish_callback_set(m_pClient, &CMqttConnection::OnPublish);
    mosquitto_message_callback_set(m_pClient, &CMqttConnection::OnMessage);
    mosquitto_log_callback_set(m_pClient, &CMqttConnection::OnLog);
    if (will && mosquitto_will_set(m_pClient, will->strTopic.c_str(), static_cast<int>(will->strPayload.size()),
                                   will->strPayload.data(), 1, will->bRetain) != MOSQ_ERR_SUCCESS)
        return Fail(EINVAL, "the last will could not be set for " + will->strTopic);
    if (!m_settings.strUser.empty() || !m_settings.strPasswordFile.empty()) {
        std::optional<std::string> password;
        if (!m_settings.strPasswordFile.empty()) {
            password = ReadPassword(m_settings.strPasswordFile);
            if (!password)
                return Fail(errno != 0 ? errno : EIO, m_settings.strPasswordFile + ": the password file cannot be read (" +
                                                          SystemErrorText(errno != 0 ? errno : EIO) + ")");
        }
        mosquitto_username_pw_set(m_pClient, m_settings.strUser.empty() ? nullptr : m_settings.strUser.c_str(),
                                  password ? password->c_str() : nullptr);
    }
    if (!m_settings.bTls)
        return {};
    auto fileOrNull = [](const std::string& strFile) { return strFile.empty() ? nullptr : strFile.c_str(); };
    if (m_settings.strCaFile.empty())
        mosquitto_int_option(m_pClient, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    const int nTls = mosquitto_tls_set(m_pClient, fileOrNull(m_settings.strCaFile), nullptr,
                                       fileOrNull(m_settings.strCertFile), fileOrNull(m_settings.strKeyFile), nullptr);
    if (nTls != MOSQ_ERR_SUCCESS)
        return Fail(EIO, std::string("the TLS files were refused: ") + mosquitto_strerror(nTls) +
                                " (--mqtt-ca, --mqtt-cert and --mqtt-key must name readable PEM files; "
                                "a certificate needs its key)");
    return {};
}

SysResult CMqttConnection::Start(const std::optional<Will>& will)
{
    if (m_pClient != nullptr || m_bStopping)
        return Fail(EALREADY, "the MQTT connection was started already");
    if (SysResult setUp = SetUpClient(will); !setUp)
        return setUp;
    const int nConnect = mosquitto_connect_async(m_pClient, m_settings.strHost.c_str(), m_settings.nPort,
                                                 kKeepAliveSeconds);
    const int nErrno = errno;
    std::string strFirstFailure;
    if (nConnect == MOSQ_ERR_EAI && nErrno != EAI_AGAIN)
        return Fail(EHOSTUNREACH, m_settings.strHost + ": unknown host");
    if (nConnect == MOSQ_ERR_INVAL)
        return Fail(EINVAL, m_settings.strUrl + ": the MQTT library refused the host or the port");
    if (nConnect != MOSQ_ERR_SUCCESS)
        strFirstFailure = ResultText(nConnect, nErrno);
    m_network = std::thread([this, strFirstFailure] { RunNetwork(strFirstFailure); });
    return {};
}

void CMqttConnection::RunNetwork(std::string strFailure)
{
    int nAfterStop = 0;
    while (true) {
        if (strFailure.empty()) {
            const int nResult = mosquitto_loop(m_pClient, m_bStopping ? 100 : 1000, 1);
            // Once stopping, a few passes send the disconnect that Stop queued.
            if (m_bStopping && (nResult != MOSQ_ERR_SUCCESS || ++nAfterStop > 20))
                return;
            if (nResult == MOSQ_ERR_SUCCESS)
                continue;
            strFailure = ResultText(nResult, errno);
        }
        ConnectionLost(strFailure);
        if (!WaitBeforeRetry())
            return;
        const int nReconnect = mosquitto_reconnect_async(m_pClient);
        strFailure = nReconnect == MOSQ_ERR_SUCCESS ? std::string() : ResultText(nReconnect, errno);
    }
}

std::string CMqttConnection::ResultText(int nResult, int nErrno)
{
    std::lock_guard lock(m_mutex);
    switch (nResult) {
    case MOSQ_ERR_ERRNO:
        return SystemErrorText(static_cast<uint32_t>(nErrno));
    case MOSQ_ERR_TLS:
        return "the TLS handshake failed" +
               (m_strLastLibraryError.empty() ? std::string() : ": " + m_strLastLibraryError);
    case MOSQ_ERR_CONN_REFUSED:
        return m_strRefusal.empty() ? std::string("the broker refused the connection") : m_strRefusal;
    case MOSQ_ERR_EAI:
        return m_settings.strHost + ": the host name could not be resolved";
    case MOSQ_ERR_KEEPALIVE:
        return "the broker stopped answering";
    case MOSQ_ERR_CONN_LOST:
    case MOSQ_ERR_NO_CONN:
        return "the connection was lost";
    default:
        return mosquitto_strerror(nResult);
    }
}

void CMqttConnection::ConnectionLost(const std::string& strWhy)
{
    m_bConnected = false;
    SetLastError(strWhy);
    if (m_handlers.onDisconnected)
        m_handlers.onDisconnected(strWhy);
}

bool CMqttConnection::WaitBeforeRetry()
{
    std::unique_lock lock(m_mutex);
    m_stopped.wait_for(lock, std::chrono::seconds(m_nRetrySeconds), [this] { return m_bStopping.load(); });
    m_nRetrySeconds = std::min(m_nRetrySeconds * 2, kMaxRetrySeconds);
    return !m_bStopping;
}

Result<int> CMqttConnection::Publish(const std::string& strTopic, const std::string& strPayload, int nQos,
                                     bool bRetain)
{
    if (m_pClient == nullptr)
        return SysResult::Failure(ENOTCONN);
    int nMid = 0;
    const int nResult = mosquitto_publish(m_pClient, &nMid, strTopic.c_str(), static_cast<int>(strPayload.size()),
                                          strPayload.data(), nQos, bRetain);
    if (nResult == MOSQ_ERR_SUCCESS)
        return nMid;
    return Fail(nResult == MOSQ_ERR_NO_CONN ? ENOTCONN : EIO,
                strTopic + ": the message was not accepted (" + mosquitto_strerror(nResult) + ")");
}

SysResult CMqttConnection::Subscribe(const std::string& strTopic, int nQos)
{
    {
        std::lock_guard lock(m_mutex);
        m_subscriptions.emplace_back(strTopic, nQos);
    }
    if (m_pClient == nullptr || !m_bConnected)
        return {};  // made when the connection is
    const int nResult = mosquitto_subscribe(m_pClient, nullptr, strTopic.c_str(), nQos);
    if (nResult == MOSQ_ERR_SUCCESS || nResult == MOSQ_ERR_NO_CONN)
        return {};
    return Fail(EINVAL, strTopic + ": cannot subscribe (" + mosquitto_strerror(nResult) + ")");
}

void CMqttConnection::Stop()
{
    if (!m_network.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_bStopping = true;
    }
    m_stopped.notify_all();
    mosquitto_disconnect(m_pClient);
    m_network.join();
    m_bConnected = false;
}

void CMqttConnection::OnConnect(mosquitto* /*pClient*/, void* pSelf, int nResult)
{
    auto* pThis = static_cast<CMqttConnection*>(pSelf);
    if (nResult != 0) {
        std::lock_guard lock(pThis->m_mutex);
        pThis->m_strRefusal = "the broker refused the connection: " + RefusalText(nResult);
        return;
    }
    std::vector<std::pair<std::string, int>> subscriptions;
    {
        std::lock_guard lock(pThis->m_mutex);
        pThis->m_nRetrySeconds = 1;
        pThis->m_strRefusal.clear();
        subscriptions = pThis->m_subscriptions;
    }
    for (const auto& [strTopic, nQos] : subscriptions)
        mosquitto_subscribe(pThis->m_pClient, nullptr, strTopic.c_str(), nQos);
    pThis->m_bConnected = true;
    if (pThis->m_handlers.onConnected)
        pThis->m_handlers.onConnected();
}

void CMqttConnection::OnDisconnect(mosquitto* /*pClient*/, void* pSelf, int /*nResult*/)
{
    // The network loop says why, with the failure it returns.
    static_cast<CMqttConnection*>(pSelf)->m_bConnected = false;
}

void CMqttConnection::OnPublish(mosquitto* /*pClient*/, void* pSelf, int nMid)
{
    auto* pThis = static_cast<CMqttConnection*>(pSelf);
    if (pThis->m_handlers.onPublished)
        pThis->m_handlers.onPublished(nMid);
}

void CMqttConnection::OnMessage(mosquitto* /*pClient*/, void* pSelf, const mosquitto_message* pMessage)
{
    auto* pThis = static_cast<CMqttConnection*>(pSelf);
    if (!pThis->m_handlers.onMessage || pMessage == nullptr)
        return;
    const char* pPayload = static_cast<const char*>(pMessage->payload);
    pThis->m_handlers.onMessage(pMessage->topic,
                                std::string(pPayload != nullptr ? pPayload : "", static_cast<size_t>(pMessage->payloadlen)));
}

void CMqttConnection::OnLog(mosquitto* /*pClient*/, void* pSelf, int nLevel, const char* pszText)
{
    if (nLevel != MOSQ_LOG_ERR || pszText == nullptr)
        return;
    auto* pThis = static_cast<CMqttConnection*>(pSelf);
    std::lock_guard lock(pThis->m_mutex);
    pThis->m_strLastLibraryError = pszText;
}

}  // namespace halyard
