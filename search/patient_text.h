#pragma once
// The search text of one patient: the patient's own fields, the words of its coded
// fields and the fields of its related rows, joined without separators, the plain
// text of every rich-text memo at the end, normalised. Built in two steps that may run
// on two threads: the values read from the database (the thread that owns it), then
// the memos converted and the whole normalised (any thread with a buffer of its own).
#include <array>
#include <cstddef>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "search/rich_text_buffer.h"
#include "search/text_sources.h"

namespace scandrel::search {

// One patient's values as read from the database, before its memos are converted:
// what the database gives, handed from the thread that reads to the one that converts.
struct PatientValues {
    std::u16string text;            // every value but the memos, joined as the text has them
    db::StoredTexts memos;          // the memos' values as the file stores them (rich text or not)
    // Only when the sources were asked for: where each value came from, and the source
    // of each memo, placed in the text once the memos are converted (placeMemos).
    SourcedText sources;
    std::vector<size_t> memoSources;
    std::exception_ptr sourcesFailure;  // a source that could not be read (its date, say)

    void clear();
};

// Converts the memos of `values` through `buffer` and appends their plain text to
// values.text, so that it is the patient's whole text before normalisation. When
// `plainEnds` is given, it gets the buffer's plain length after each memo. Any thread
// with a buffer of its own; a conversion's failure passes through.
void appendConvertedMemos(PatientValues& values, RichTextBuffer& buffer, std::vector<size_t>* plainEnds = nullptr);

// The sources of the converted memos placed in values.sources: the memos' plain text
// starts at `offset` of the text, and memo k ends at plainEnds[k] of it.
void placeMemos(PatientValues& values, size_t offset, const std::vector<size_t>& plainEnds);

// Builds the texts of the patients of one patient record set, one after another.
// Column positions are looked up once per table, not per row. The related record
// sets of a patient live only while its values are read.
class PatientTextBuilder {
public:
    // `patients` holds rows of the table "Pacientes"; it and `buffer` (when given)
    // must outlive the builder. Without a buffer, only read() may be used.
    PatientTextBuilder(const db::Database& database, const db::Recordset& patients, RichTextBuffer* buffer);
    PatientTextBuilder(const db::Database& database, const db::Recordset& patients, RichTextBuffer& buffer)
        : PatientTextBuilder(database, patients, &buffer) {}

    // The values of the patient at the current row, memos unconverted, into `into`
    // (cleared first; its capacity is kept), with their sources when asked. Does not
    // move the patient rows. Database and decoding errors pass through; what was read
    // before the failure stays in `into`, so that its memos can still be converted.
    void read(PatientValues& into, bool withSources = false);

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

    // The whole text before normalisation, through the buffer.
    std::u16string& assemble();
    template <class Recorder>
    void readValues(PatientValues& into, Recorder& recorder);
    db::Recordset openRelated(std::u16string_view prefix, const Value& number);
    const std::vector<int>& resolve(Columns& columns, const db::Recordset& rows,
                                    const std::vector<std::u16string_view>& names);

    const db::Database& database_;
    const db::Recordset& patients_;
    RichTextBuffer* buffer_;
    std::vector<int> patientColumns_;
    Columns anamneses_, consultations_, plans_, guides_, procedures_, texts_;
    LabelColumns labelColumns_;  // the sources' dates and titles, when recorded
    std::u16string sql_;
    PatientValues values_;  // reused from patient to patient
};

// The text of the patient at the current row of `patients`, on its own.
std::u16string BuildPatientText(const db::Database& database, const db::Recordset& patients,
                                RichTextBuffer& buffer);

}  // namespace scandrel::search
