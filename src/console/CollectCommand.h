#pragma once
// halyard-cli collect: the centre of a network of stations. It subscribes to
// every station's records at the broker, with a session the broker keeps
// while it is away, and writes them to one folder per station, once and in
// order, until SIGINT or SIGTERM. Without the network library (a build with
// no libmosquitto) the subcommand does not exist.

#include <CLI/CLI.hpp>
#include <string>

#include "console/CliOptions.h"
#include "console/Commands.h"

namespace halyard {

struct CollectOptions {
    MqttOptions mqtt;
    std::string strDir;
    std::string strClientId;  // empty: "halyard-collect-<host name>"
};

// Adds the subcommand to app; nullptr when the program is built without it.
CLI::App* AddCollectCommand(CLI::App& app, CollectOptions& options);
int RunCollect(const CollectOptions& options, CliContext& context);

}  // namespace halyard
