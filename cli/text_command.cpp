// scandrel text DB COUNTER [--sources] [--links=follow|ignore]: the search text of one
// patient, as the search sees it before lower-casing, so that support staff can tell
// why a patient is or is not found; with --sources, one line per source of the text,
// its label in brackets ("[Anamnese de 15/08/2003] ...").
#include <charconv>
#include <cstdio>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/terminal_text.h"
#include "clinic/clinic_schema.h"
#include "db/database.h"
#include "search/patient_text.h"
#include "search/plain_text_buffer.h"
#include "text/utf.h"

namespace scandrel::cli {

int runText(const Args& given) {
    constexpr std::string_view kTextUsage = "scandrel text DB CONTADOR [--sources] [--links=follow|ignore]";
    Args args = given;
    db::LinkPolicy links = db::LinkPolicy::Follow;
    if (!takeLinksOption(args, links)) return usageError(kTextUsage);
    const bool withSources = args.size() == 3 && args[2] == "--sources";
    if (args.size() != 2 && !withSources) return usageError(kTextUsage);
    const std::string& number = args[1];
    int32_t counter = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), counter);
    if (error != std::errc() || end != number.data() + number.size()) return usageError(kTextUsage);

    const db::Database database = db::Database::open(argumentPath(args[0]), links);
    const db::Recordset patients = database.openRecordset(
        clinic::selectWhereEquals(clinic::pacientes::kTable, clinic::pacientes::kCounterAsQueried) +
        fromUtf8(std::to_string(counter)));
    if (patients.eof()) {
        throw Error(db::kNoCurrentRecord,
                    u"Nenhum paciente com o contador " + fromUtf8(std::to_string(counter)) + u" neste banco de dados.");
    }
    search::PlainTextBuffer buffer;
    OutputBuffer out;
    const bool onTerminal = isTerminal(stdout);
    const auto put = [&](const std::u16string& text) {
        const std::string bytes = toUtf8(text);
        out.put(onTerminal ? terminalSafe(bytes, true) : bytes);
    };
    if (withSources) {
        search::PatientTextBuilder builder(database, patients, buffer);
        for (const auto& piece : search::sourcedPieces(builder.buildWithSources())) {
            out.put('[');
            put(piece.label);
            out.put("] ");
            put(piece.text);
            out.put('\n');
        }
    } else {
        put(search::BuildPatientText(database, patients, buffer));
        out.put('\n');
    }
    out.finish();
    return kExitOk;
}

}  // namespace scandrel::cli
