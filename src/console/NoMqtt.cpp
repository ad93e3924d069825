// A halyard-cli built without the network library: no broker options, and
// a station link that does nothing.
#include "console/CStationLink.h"

namespace halyard {

struct CStationLink::Impl {};

void AddStationOptions(CLI::App& /*log*/, StationOptions& /*options*/) {}

CStationLink::CStationLink(CConsoleSession& session)
    : m_session(session)
{}

CStationLink::~CStationLink() = default;

int CStationLink::Open(const StationOptions& /*options*/)
{
    return EXIT_DONE;
}

int CStationLink::Connect()
{
    return EXIT_DONE;
}

void CStationLink::Stop() {}

}  // namespace halyard
