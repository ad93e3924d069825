// halyard-cli export: a log's data messages as CSV, for scripts.
#include <cstring>
#include <fstream>

#include "console/Commands.h"
#include "document/LogReader.h"
#include "platform/SysError.h"

namespace halyard {

int RunExport(const ExportOptions& exportOptions, CliContext& context)
{
    std::ofstream file;
    if (!exportOptions.strOutput.empty()) {
        file.open(exportOptions.strOutput, std::ios::binary | std::ios::trunc);
        if (!file) {
            context.err << exportOptions.strOutput << " could not be created: " << SystemErrorText(errno) << "\n";
            return EXIT_FILE;
        }
    }
    std::ostream& out = exportOptions.strOutput.empty() ? context.out : file;
    const LogReadSummary summary = ExportLogCsv(exportOptions.strLog, exportOptions.fields, out);
    out.flush();
    const std::string strProblem = LogReadProblem(exportOptions.strLog, summary);
    if (!strProblem.empty())
        context.err << strProblem << "\n";
    if (!out) {
        context.err << (exportOptions.strOutput.empty() ? std::string("the standard output") : exportOptions.strOutput)
                    << " could not be written: " << SystemErrorText(errno) << "\n";
        return EXIT_FILE;
    }
    return summary.nError != 0 || summary.nDataMessages == 0 ? EXIT_FILE : EXIT_DONE;
}

}  // namespace halyard
