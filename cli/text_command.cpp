// scandrel text DB COUNTER [--links=follow|ignore]: the search text of one patient, as the search sees it
// before lower-casing, so that support staff can tell why a patient is or is not found.
#include <charconv>
#include <cstdio>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/terminal_text.h"
#include "db/database.h"
#include "search/patient_text.h"
#include "search/plain_text_buffer.h"
#include "text/utf.h"

namespace scandrel::cli {

int runText(const Args& given) {
    constexpr std::string_view kTextUsage = "scandrel text DB CONTADOR [--links=follow|ignore]";
    Args args = given;
    db::LinkPolicy links = db::LinkPolicy::Follow;
    if (!takeLinksOption(args, links) || args.size() != 2) return usageError(kTextUsage);
    const std::string& number = args[1];
    int32_t counter = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), counter);
    if (error != std::errc() || end != number.data() + number.size()) return usageError(kTextUsage);

    const db::Database database = db::Database::open(argumentPath(args[0]), links);
    const db::Recordset patients =
        database.openRecordset(u"SELECT * FROM Pacientes WHERE paci_ln_Counter = " + fromUtf8(std::to_string(counter)));
    if (patients.eof()) {
        return reportFailure("nenhum paciente com o contador " + std::to_string(counter) + " neste banco de dados");
    }
    search::PlainTextBuffer buffer;
    OutputBuffer out;
    const std::string text = toUtf8(search::BuildPatientText(database, patients, buffer));
    out.put(isTerminal(stdout) ? terminalSafe(text, true) : text);
    out.put('\n');
    out.finish();
    return kExitOk;
}

}  // namespace scandrel::cli
