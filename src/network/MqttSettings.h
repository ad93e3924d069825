#pragma once
// Where and how to reach the MQTT broker: the URL a user gives
// ("mqtt://host[:port]", "mqtts://host[:port]") and the files that prove who
// we are (a CA, a client certificate and key, a password file). The console
// fills it from its command line; CMqttConnection uses it to connect.

#include <string>

#include "platform/SysError.h"

namespace halyard {

struct MqttSettings {
    std::string strUrl;                 // as given
    std::string strHost;
    int nPort = 1883;                   // 8883 for mqtts:// when none is given
    bool bTls = false;
    std::string strCaFile, strCertFile, strKeyFile;
    std::string strUser, strPasswordFile;   // the password is read from the file, never the command line
};

// "mqtt://host[:port]" or "mqtts://host[:port]"; a host may be a name, an IPv4
// address or an IPv6 address in brackets ("mqtt://[::1]:1883"). Anything else
// is a failure (EINVAL), and pstrWhy, when given, receives a text saying what
// is wrong with the URL.
Result<MqttSettings> ParseMqttUrl(const std::string& strUrl, std::string* pstrWhy = nullptr);

}  // namespace halyard
