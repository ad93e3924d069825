#include "console/MqttCommandLine.h"

#include <unistd.h>

#include <cerrno>

#include "platform/SysError.h"

namespace halyard {

namespace {

MqttCheck Refused(int nExit, const std::string& strMessage)
{
    MqttCheck check;
    check.nExit = nExit;
    check.strMessage = strMessage;
    return check;
}

// "" when the file can be read, else why not.
std::string UnreadableFile(const std::string& strOption, const std::string& strFile)
{
    if (strFile.empty() || ::access(strFile.c_str(), R_OK) == 0)
        return {};
    return strOption + " " + strFile + ": " + SystemErrorText(static_cast<uint32_t>(errno));
}

}  // namespace

CLI::Option* AddMqttOptions(CLI::App& command, MqttOptions& options, bool bRequired)
{
    auto* pUrl = command.add_option("--mqtt", options.strUrl,
                                    "the MQTT broker: mqtt://host[:port] (1883) or mqtts://host[:port] (TLS, 8883)");
    if (bRequired)
        pUrl->required();
    command.add_option("--mqtt-ca", options.strCaFile, "the CA certificate (PEM) that the broker's certificate must "
                                                       "come from (default: the system's)")
        ->needs(pUrl);
    command.add_option("--mqtt-cert", options.strCertFile, "this client's certificate (PEM), for a broker that asks")
        ->needs(pUrl);
    command.add_option("--mqtt-key", options.strKeyFile, "the private key (PEM) of --mqtt-cert")->needs(pUrl);
    command.add_option("--mqtt-user", options.strUser, "the user name to give the broker")->needs(pUrl);
    command.add_option("--mqtt-password-file", options.strPasswordFile,
                       "a file whose first line is the password of --mqtt-user")
        ->needs(pUrl);
    return pUrl;
}

MqttCheck CheckMqttOptions(const MqttOptions& options)
{
    std::string strWhy;
    const Result<MqttSettings> parsed = ParseMqttUrl(options.strUrl, &strWhy);
    if (!parsed.Ok())
        return Refused(EXIT_USAGE, "--mqtt " + strWhy);
    MqttSettings settings = parsed.Value();
    const bool bTlsFiles = !options.strCaFile.empty() || !options.strCertFile.empty() || !options.strKeyFile.empty();
    if (bTlsFiles && !settings.bTls)
        return Refused(EXIT_USAGE, "--mqtt-ca, --mqtt-cert and --mqtt-key need an mqtts:// URL");
    if (options.strCertFile.empty() != options.strKeyFile.empty())
        return Refused(EXIT_USAGE, "--mqtt-cert and --mqtt-key go together");
    if (!options.strPasswordFile.empty() && options.strUser.empty())
        return Refused(EXIT_USAGE, "--mqtt-password-file needs --mqtt-user");
    for (const auto& [strOption, strFile] : {std::pair{"--mqtt-ca", options.strCaFile},
                                             std::pair{"--mqtt-cert", options.strCertFile},
                                             std::pair{"--mqtt-key", options.strKeyFile},
                                             std::pair{"--mqtt-password-file", options.strPasswordFile}}) {
        if (const std::string strProblem = UnreadableFile(strOption, strFile); !strProblem.empty())
            return Refused(EXIT_FILE, strProblem);
    }
    settings.strCaFile = options.strCaFile;
    settings.strCertFile = options.strCertFile;
    settings.strKeyFile = options.strKeyFile;
    settings.strUser = options.strUser;
    settings.strPasswordFile = options.strPasswordFile;
    MqttCheck check;
    check.settings = std::move(settings);
    return check;
}

}  // namespace halyard
