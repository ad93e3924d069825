#pragma once
// The broker options of a subcommand (--mqtt URL, --mqtt-ca, --mqtt-cert,
// --mqtt-key, --mqtt-user, --mqtt-password-file) and the check that turns
// them into the network's settings before anything starts: a URL that is
// not one, TLS files without mqtts://, a password without a user, a file
// that cannot be read, each with a message that says so and its exit status.

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "console/CliOptions.h"
#include "network/MqttSettings.h"

namespace halyard {

// Adds the options to command; the others need --mqtt, which bRequired makes required.
CLI::Option* AddMqttOptions(CLI::App& command, MqttOptions& options, bool bRequired);

struct MqttCheck {
    std::optional<MqttSettings> settings;  // none: refused
    std::string strMessage;                // why it was refused
    int nExit = EXIT_DONE;                 // EXIT_USAGE or EXIT_FILE when refused
};
MqttCheck CheckMqttOptions(const MqttOptions& options);

}  // namespace halyard
