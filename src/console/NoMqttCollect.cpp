// halyard-cli without the network library: there is no collect subcommand.
#include "console/CollectCommand.h"

namespace halyard {

CLI::App* AddCollectCommand(CLI::App& /*app*/, CollectOptions& /*options*/)
{
    return nullptr;
}

int RunCollect(const CollectOptions& /*options*/, CliContext& context)
{
    context.err << "halyard-cli: this build has no MQTT" << std::endl;
    return EXIT_USAGE;
}

}  // namespace halyard
