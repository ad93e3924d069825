#include "network/MqttSettings.h"

#include <cerrno>
#include <cctype>

namespace halyard {

namespace {

constexpr std::string_view kPlain = "mqtt://";
constexpr std::string_view kTls = "mqtts://";

// The port's digits as a number from 1 to 65535; 0 when they are not one.
int PortNumber(std::string_view digits)
{
    if (digits.empty() || digits.size() > 5)
        return 0;
    int nPort = 0;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return 0;
        nPort = nPort * 10 + (c - '0');
    }
    return nPort <= 65535 ? nPort : 0;
}

// Why a host name cannot be one, or "" when it can.
std::string HostProblem(std::string_view host, bool bBracketed)
{
    if (host.empty())
        return "no host";
    for (char c : host) {
        const bool bAllowed = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_' ||
                              (bBracketed && c == ':');
        if (!bAllowed)
            return "the host has a character a host name cannot have: '" + std::string(1, c) + "'";
    }
    return {};
}

SysResult Refuse(std::string* pstrWhy, const std::string& strUrl, const std::string& strWhat)
{
    if (pstrWhy != nullptr)
        *pstrWhy = strUrl + ": " + strWhat;
    return SysResult::Failure(EINVAL);
}

}  // namespace

Result<MqttSettings> ParseMqttUrl(const std::string& strUrl, std::string* pstrWhy)
{
    MqttSettings settings;
    settings.strUrl = strUrl;
    std::string_view rest(strUrl);
    if (rest.starts_with(kTls)) {
        settings.bTls = true;
        settings.nPort = 8883;
        rest.remove_prefix(kTls.size());
    } else if (rest.starts_with(kPlain)) {
        rest.remove_prefix(kPlain.size());
    } else {
        return Refuse(pstrWhy, strUrl, "expected mqtt://host[:port] or mqtts://host[:port]");
    }
    if (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    if (rest.find_first_of("/?#@") != std::string_view::npos)
        return Refuse(pstrWhy, strUrl, "expected only a host and a port after the scheme (no path, user or query)");

    std::string_view host = rest;
    std::string_view port;
    const bool bBracketed = rest.starts_with('[');
    if (bBracketed) {
        const size_t nClose = rest.find(']');
        if (nClose == std::string_view::npos)
            return Refuse(pstrWhy, strUrl, "an IPv6 address needs its closing ']'");
        host = rest.substr(1, nClose - 1);
        std::string_view after = rest.substr(nClose + 1);
        if (!after.empty() && !after.starts_with(':'))
            return Refuse(pstrWhy, strUrl, "expected ':port' after the IPv6 address");
        if (!after.empty())
            port = after.substr(1);
        if (after == ":")
            return Refuse(pstrWhy, strUrl, "the port is empty");
    } else if (const size_t nColon = rest.rfind(':'); nColon != std::string_view::npos) {
        host = rest.substr(0, nColon);
        port = rest.substr(nColon + 1);
        if (port.empty())
            return Refuse(pstrWhy, strUrl, "the port is empty");
    }
    if (const std::string strProblem = HostProblem(host, bBracketed); !strProblem.empty())
        return Refuse(pstrWhy, strUrl, strProblem);
    if (!port.empty()) {
        settings.nPort = PortNumber(port);
        if (settings.nPort == 0)
            return Refuse(pstrWhy, strUrl, "the port must be a number from 1 to 65535");
    }
    settings.strHost = std::string(host);
    return settings;
}

}  // namespace halyard
