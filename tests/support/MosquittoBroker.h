#pragma once
// A real MQTT broker for a test: Debian's /usr/sbin/mosquitto on 127.0.0.1,
// on a port that was free, with a configuration of its own in a temporary
// folder: persistence on (its own persistence folder, saved when it stops),
// anonymous clients allowed unless the extra lines say otherwise, "user root"
// when the test runs as root (Mosquitto would otherwise drop to its own user,
// who cannot write a root-owned folder), and the caller's extra lines
// (listeners with TLS, password_file, acl_file ...). Start() returns once the
// port accepts connections; Stop() ends it with SIGTERM (it saves its
// persistence) and waits; Kill() ends it with SIGKILL; Start() again uses the
// same port and folder. The destructor stops it. One test thread uses it.

#include <sys/types.h>

#include <string>
#include <vector>

#include "TempFolder.h"

namespace halyard::test {

// How many times strPart occurs in strText (overlapping ones too).
size_t CountOf(const std::string& strText, const std::string& strPart);

class CMosquittoBroker {
public:
    explicit CMosquittoBroker(std::vector<std::string> extraConfig = {});
    ~CMosquittoBroker();
    CMosquittoBroker(const CMosquittoBroker&) = delete;
    CMosquittoBroker& operator=(const CMosquittoBroker&) = delete;

    // False when Mosquitto ended before it accepted connections (its log says why).
    bool Start();
    // True when it ended of its own accord after SIGTERM.
    bool Stop();
    void Kill();
    bool IsRunning() const { return m_pid > 0; }

    int Port() const { return m_nPort; }
    // The broker's process while it runs, for the benchmarks' figures.
    pid_t Pid() const { return m_pid; }
    std::string Url() const { return "mqtt://127.0.0.1:" + std::to_string(m_nPort); }
    // A path inside the broker's own folder, for files its extra lines name.
    std::string Path(const std::string& strName) const { return m_folder.Path(strName); }
    // What Mosquitto logged so far, for a failing test's message.
    std::string Log() const { return ReadWholeFile(m_folder.Path("mosquitto.log")); }
    // How many subscriptions to this topic filter the broker has taken so far
    // (by its log): a client's subscription is in place once it grows.
    size_t Subscriptions(const std::string& strFilter) const;
    // The options that point mosquitto_pub and mosquitto_sub at this broker.
    std::vector<std::string> ClientArgs() const;

private:
    void WriteConfig() const;
    bool Accepts() const;
    // Whether the process has ended (reaped); m_pid is then -1.
    bool Reaped();

    CTempFolder m_folder;
    std::vector<std::string> m_extraConfig;
    int m_nPort = 0;
    pid_t m_pid = -1;
};

}  // namespace halyard::test
