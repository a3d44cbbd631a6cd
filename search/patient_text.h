#pragma once
// The search text of one patient: the patient's own fields, the words of its coded
// fields and the fields of its related rows, joined without separators, the plain
// text of every rich-text memo at the end, normalised.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "search/rich_text_buffer.h"
#include "search/text_sources.h"

namespace scandrel::search {

// Builds the texts of the patients of one patient record set, one after another.
// Column positions are looked up once per table, not per row. The related record
// sets of a patient live only while its text is built.
class PatientTextBuilder {
public:
    // `patients` holds rows of the table "Pacientes"; both it and `buffer` must
    // outlive the builder.
    PatientTextBuilder(const db::Database& database, const db::Recordset& patients, RichTextBuffer& buffer);

    // The normalised (not lower-cased) text of the patient at the current row, valid
    // until the next call; the caller may change it in place (the run lower-cases it).
    // Does not move the patient rows. Database and decoding errors pass through.
    std::u16string& build();

    // The same text lower-cased, in the same pass as its normalisation: the form the
    // run compares with the words. Valid and changeable like build's.
    std::u16string& buildLowerCase();

    // The same patient's text before normalisation, with the source of every value,
    // built by the same steps (for a patient that matched: it costs another build).
    SourcedText buildWithSources();

private:
    // Column positions of one related table, resolved at its first row.
    struct Columns {
        std::vector<int> index;
        bool resolved = false;
    };

    // The text before normalisation; the recorder is told where each value went.
    std::u16string& assemble();
    template <class Recorder>
    std::u16string& assemble(Recorder& recorder);
    db::Recordset openRelated(std::u16string_view prefix, const Value& number);
    const std::vector<int>& resolve(Columns& columns, const db::Recordset& rows,
                                    const std::vector<std::u16string_view>& names);

    const db::Database& database_;
    const db::Recordset& patients_;
    RichTextBuffer& buffer_;
    std::vector<int> patientColumns_;
    Columns anamneses_, consultations_, plans_, guides_, procedures_, texts_;
    std::u16string sql_;
    std::u16string text_;  // reused from patient to patient
    std::u16string memo_;  // each memo's text on its way to the buffer
};

// The text of the patient at the current row of `patients`, on its own.
std::u16string BuildPatientText(const db::Database& database, const db::Recordset& patients,
                                RichTextBuffer& buffer);

}  // namespace scandrel::search
