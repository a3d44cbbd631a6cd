#pragma once
// Where each stretch of a patient's search text came from: which row of the
// patient's data (the patient's own fields, an anamnesis, a consultation, the
// insurance plan, a guide, its procedure, a text document) or which rich-text memo
// of it, with the row's date where it has one. Filled by the patient text builder
// for a patient that matched (or, when the run explains its matches, for every
// patient on the thread that reads the database).
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scandrel { class Value; }
namespace scandrel::db { class Recordset; }

namespace scandrel::search {

enum class SourceKind : uint8_t { Patient, Anamnesis, Consultation, Plan, Guide, Procedure, Text };

// One row of the patient's data, or one memo of a row.
struct TextSource {
    SourceKind kind = SourceKind::Patient;
    std::u16string_view memo;  // the memo's column; empty for the row's other values
    std::optional<double> date;  // the row's date as stored, where it has one; its label
                                 // shows it as "dd/mm/yyyy"
    std::u16string title;      // a text document's name
};

// What a source is called where the user reads it: "Cadastro do paciente",
// "Anamnese de 15/08/2003 (texto)", "Texto «Atestado»", ...
std::u16string sourceLabel(const TextSource& source);

// One value's place in the text before normalisation.
struct SourceStretch {
    size_t from = 0;
    size_t to = 0;
    size_t source = 0;  // index into SourcedText::sources
};

// A patient's text before normalisation (accents and case as written), with the
// source of every value in it, in text order.
struct SourcedText {
    std::u16string text;
    std::vector<TextSource> sources;
    std::vector<SourceStretch> values;

    // The value that holds position `at` of the text, or nullptr.
    const SourceStretch* valueAt(size_t at) const;
};

// The normalised text, cut where its source changes: each piece with its source's
// label, without spaces at its ends; pieces of spaces alone are left out.
struct SourcedPiece {
    std::u16string label;
    std::u16string text;
};
std::vector<SourcedPiece> sourcedPieces(const SourcedText& text);

// The column each kind of row takes its label's date or title from, looked up at
// the first row of that kind and kept for the rows after, which share the first's
// query: -1 where the host's table lacks it. Kept by the patient text builder.
struct LabelColumns {
    static constexpr size_t kKinds = static_cast<size_t>(SourceKind::Text) + 1;
    int index[kKinds] = {};
    bool resolved[kKinds] = {};
};

// Told by the patient text builder, as it reads, where each value goes. Memos are
// converted later, perhaps on another thread: the recorder gives each its source,
// whose place in the text is set once its plain text is known (placeMemos,
// patient_text.h).
class TextSourceRecorder {
public:
    static constexpr bool kRecords = true;

    // `memoSources` gets the source of each memo, in memo order. With `keepReading`, a
    // row whose date or title cannot be read does not stop the text: its failure is
    // kept (failure()) and nothing more is recorded.
    TextSourceRecorder(SourcedText& out, std::vector<size_t>& memoSources, LabelColumns& columns,
                       bool keepReading = false)
        : out_(out), memoSources_(memoSources), columns_(columns), keepReading_(keepReading) {}

    // The values that follow belong to the current row of `rows` (null for the
    // patient's own row, whose values have no date). `date` is the row's date where
    // the builder read it for the text (an anamnesis's); a consultation's date (not
    // in the text) and a text's title are looked up here, their columns once a run.
    void row(SourceKind kind, const db::Recordset* rows, const Value* date = nullptr);
    // A value of the current row at [from, to) of the text.
    void value(size_t from, size_t to);
    // The next memo of the current row, from its column.
    void memo(std::u16string_view column);

    std::exception_ptr failure() const { return failure_; }

private:
    SourcedText& out_;
    std::vector<size_t>& memoSources_;
    LabelColumns& columns_;
    const bool keepReading_;
    TextSource row_;
    size_t rowSource_ = 0;
    bool rowAdded_ = false;
    std::exception_ptr failure_;
};

}  // namespace scandrel::search
