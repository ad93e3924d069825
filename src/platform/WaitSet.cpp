#include "WaitSet.h"

namespace halyard {

bool WaitForEvent(CAutoResetEvent& event, int nTimeoutMs)
{
    CAutoResetEvent* const one[] = {&event};
    return WaitForAny(one, nTimeoutMs) == 0;
}

}  // namespace halyard
