#pragma once
// The program's string table: tooltips (keyed by the id of the control they
// describe), menu prompts and the shell's fixed texts. UI thread only.

#include <QString>

namespace halyard {

// The entry with nId, or an empty string when the table has none.
QString LoadString(int nId);
// Whether the table holds an entry with nId.
bool HasString(int nId);

}  // namespace halyard
