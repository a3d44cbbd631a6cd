#include "search/patient_text.h"

#include <cassert>
#include <utility>

#include "clinic/clinic_schema.h"
#include "text/date.h"
#include "text/decode.h"
#include "text/normalize.h"

namespace scandrel::search {
namespace {

using Names = std::vector<std::u16string_view>;

// Columns of "Pacientes", in the order they are used. The first 21 go into the text
// as they are; the civil state is among them as its letter and is decoded again later.
const Names& patientFields() {
    static const Names names = {
        clinic::pacientes::kNomePaciente, clinic::pacientes::kLeito, clinic::pacientes::kMatriculaPaciente,
        clinic::pacientes::kEstadoCivilPaciente, clinic::pacientes::kCorPaciente,
        clinic::pacientes::kNaturalidadePaciente, clinic::pacientes::kGraudeInstrucaoPaciente,
        clinic::pacientes::kCPFPaciente, clinic::pacientes::kProfissaoPaciente,
        clinic::pacientes::kDocumentoIdentidadePaciente, clinic::pacientes::kEmailMed, clinic::pacientes::kEmail,
        clinic::pacientes::kEmailAlt, clinic::pacientes::kIndicadoPorPaciente,
        clinic::pacientes::kLogradouroPaciente, clinic::pacientes::kCidadePaciente,
        clinic::pacientes::kComplementoPaciente, clinic::pacientes::kBairroPaciente, clinic::pacientes::kUFPaciente,
        clinic::pacientes::kCEPPaciente, clinic::pacientes::kTelefonesPaciente,
        // coded fields
        clinic::pacientes::kSexoPaciente, clinic::pacientes::kEstadoCivilPaciente, clinic::pacientes::kNaoAtivo,
        clinic::pacientes::kPropCPF, clinic::pacientes::kPropID, clinic::pacientes::kPropCNH,
        clinic::pacientes::kPropCTrabAsRead,
        // the rest
        clinic::pacientes::kSecCode, clinic::pacientes::kObservacoesPaciente, clinic::pacientes::kAlert,
        clinic::pacientes::kProntuario, clinic::pacientes::kCounterAsQueried, clinic::pacientes::kConvenioPaciente,
    };
    return names;
}
constexpr size_t kPlainFieldCount = 21;
enum : size_t {
    kSex = kPlainFieldCount, kCivilState, kInactive,
    kFirstRelationship, kLastRelationship = kFirstRelationship + 3,
    kSecCode, kObservations, kAlert, kRecordNumber, kCounter, kPlan,
};

// Names under which the coded fields are decoded. The decoder compares names
// exactly and knows the work-permit code as "PropCTrab", although the column is
// read as "PropCtrab".
const std::array<std::u16string, 3>& codedNames() {
    static const std::array<std::u16string, 3> names = {std::u16string(clinic::pacientes::kSexoPaciente),
                                                         std::u16string(clinic::pacientes::kEstadoCivilPaciente),
                                                         std::u16string(clinic::pacientes::kNaoAtivo)};
    return names;
}
const std::array<std::u16string, 4>& relationshipNames() {
    static const std::array<std::u16string, 4> names = {
        std::u16string(clinic::pacientes::kPropCPF), std::u16string(clinic::pacientes::kPropID),
        std::u16string(clinic::pacientes::kPropCNH), std::u16string(clinic::pacientes::kPropCTrab)};
    return names;
}

// The related statements, each followed by a number.
using clinic::selectWhereEquals;
const std::u16string kAnamnesesQuery = selectWhereEquals(clinic::anamneses::kTable, clinic::anamneses::kPaciente);
const std::u16string kConsultationsQuery = selectWhereEquals(clinic::consultas::kTable, clinic::consultas::kPaciente);
const std::u16string kPlanQuery = selectWhereEquals(clinic::convenios::kTable, clinic::convenios::kCounter);
const std::u16string kGuidesQuery = selectWhereEquals(clinic::guias::kTable, clinic::guias::kPaciente);
const std::u16string kTextsQuery = selectWhereEquals(clinic::textos::kTable, clinic::textos::kPaciente);
const std::u16string kProcedureQuery =
    selectWhereEquals(clinic::procedimentos::kTable, clinic::procedimentos::kCounter);

// Where the file's reads wait, the patients ahead are read this many at a time, with
// their related rows.
constexpr size_t kPatientsAhead = 64;
const std::vector<db::Recordset::Link>& readAheadLinks() {
    static const std::vector<db::Recordset::Link> links = {
        {kAnamnesesQuery, clinic::pacientes::kCounterAsQueried},
        {kConsultationsQuery, clinic::pacientes::kCounterAsQueried},
        {kPlanQuery, clinic::pacientes::kConvenioPaciente},
        {kGuidesQuery, clinic::pacientes::kCounterAsQueried},
        {kTextsQuery, clinic::pacientes::kCounterAsQueried},
    };
    return links;
}

const Names kAnamnesisFields = {clinic::anamneses::kPalavrasChave, clinic::anamneses::kDiagnostico1,
                                clinic::anamneses::kDiagnostico2, clinic::anamneses::kTextoAnamnese,
                                clinic::anamneses::kDataAnamnese};
const Names kConsultationFields = {clinic::consultas::kTextoConsultaRetorno};
const Names kPlanFields = {clinic::convenios::kNomeConvenio};
const Names kGuideFields = {clinic::guias::kProcedimento, clinic::guias::kNroGuia, clinic::guias::kMatriculaGuia};
const Names kProcedureFields = {clinic::procedimentos::kNomeProcedimento, clinic::procedimentos::kCodigoAMB,
                                clinic::procedimentos::kMaterial};
const Names kTextFields = {clinic::textos::kNomeTexto, clinic::textos::kTexto};

// A field's value as text, a null giving one space; into the text or into the memo buffer.
void appendField(std::u16string& out, const Value& value) {
    if (value.kind() == Value::Kind::Text) {
        out += value.asText();
    } else {
        out += text::ValueOrDefault(value, 0).toText();
    }
}

// The same for a field of a record set: a text read straight into `out` (a memo's too,
// as stored, for its conversion).
void appendField(std::u16string& out, const db::Recordset& rows, int column) {
    if (!rows.appendText(column, out)) appendField(out, rows.value(column));
}

// "dd/mm/yyyy"; a null date gives nothing.
void appendDate(std::u16string& out, const Value& value) {
    if (value.isNull()) return;
    if (value.kind() == Value::Kind::Date) {
        out += text::formatDayMonthYear(value.asDouble());
    } else {
        out += value.toText();
    }
}

void appendDecimal(std::u16string& out, int64_t number) {
    char16_t digits[24];
    size_t n = 0;
    const bool negative = number < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
    do {
        digits[n++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) out += u'-';
    while (n > 0) out += digits[--n];
}

}  // namespace

void PatientValues::clear() {
    text.clear();
    memos.clear();
    sources.text.clear();
    sources.sources.clear();
    sources.values.clear();
    memoSources.clear();
    sourcesFailure = nullptr;
}

void appendConvertedMemos(PatientValues& values, RichTextBuffer& buffer, std::vector<size_t>* plainEnds) {
    buffer.clear();
    std::u16string memo;
    for (size_t k = 0; k < values.memos.size(); ++k) {
        memo.clear();
        values.memos.appendTo(k, memo);
        buffer.append(memo);
        if (plainEnds != nullptr) plainEnds->push_back(buffer.plainLength());
    }
    buffer.appendPlainText(values.text);
}

void placeMemos(PatientValues& values, size_t offset, const std::vector<size_t>& plainEnds) {
    if (values.sourcesFailure) return;
    size_t from = 0;
    for (size_t k = 0; k < values.memoSources.size() && k < plainEnds.size(); ++k) {
        values.sources.values.push_back({offset + from, offset + plainEnds[k], values.memoSources[k]});
        from = plainEnds[k];
    }
}

PatientTextBuilder::PatientTextBuilder(const db::Database& database, const db::Recordset& patients,
                                       RichTextBuffer* buffer)
    : database_(database), patients_(patients), buffer_(buffer) {
    patientColumns_.reserve(patientFields().size());
    for (const auto name : patientFields()) patientColumns_.push_back(patients.fieldIndex(name));
}

const std::vector<int>& PatientTextBuilder::resolve(Columns& columns, const db::Recordset& rows,
                                                    const Names& names) {
    if (!columns.resolved) {
        columns.index.clear();
        for (const auto name : names) columns.index.push_back(rows.fieldIndex(name));
        columns.resolved = true;
    }
    return columns.index;
}

db::Recordset PatientTextBuilder::openRelated(std::u16string_view prefix, const Value& number) {
    // Record numbers go through the default of kind 4: a null asks for number 0.
    const Value n = text::ValueOrDefault(number, 4);
    sql_.assign(prefix);
    switch (n.kind()) {
        case Value::Kind::Byte:
        case Value::Kind::Integer:
        case Value::Kind::Long:
            appendDecimal(sql_, n.asInteger());
            break;
        default:
            sql_ += n.toText();
    }
    return database_.openRecordset(sql_);
}

std::u16string& PatientTextBuilder::build() {
    std::u16string& t = assemble();
    text::normalizeInPlace(t);
    return t;
}

std::u16string& PatientTextBuilder::buildLowerCase() {
    std::u16string& t = assemble();
    text::normalizeLowerCaseInPlace(t);
    return t;
}

// The search's own build tells no one where its values went.
struct NoRecorder {
    static constexpr bool kRecords = false;
    void row(SourceKind, const db::Recordset*, const Value* = nullptr) {}
    void value(size_t, size_t) {}
    void memo(std::u16string_view) {}
};

void PatientTextBuilder::read(PatientValues& into, bool withSources) {
    into.clear();
    if (withSources) {
        TextSourceRecorder recorder(into.sources, into.memoSources, labelColumns_, true);
        readValues(into, recorder);
        into.sourcesFailure = recorder.failure();
    } else {
        NoRecorder none;
        readValues(into, none);
    }
}

std::u16string& PatientTextBuilder::assemble() {
    assert(buffer_ != nullptr);
    values_.clear();
    NoRecorder none;
    readValues(values_, none);
    appendConvertedMemos(values_, *buffer_);
    return values_.text;
}

SourcedText PatientTextBuilder::buildWithSources() {
    assert(buffer_ != nullptr);
    PatientValues values;
    TextSourceRecorder recorder(values.sources, values.memoSources, labelColumns_);
    readValues(values, recorder);
    const size_t offset = values.text.size();
    std::vector<size_t> plainEnds;
    appendConvertedMemos(values, *buffer_, &plainEnds);
    placeMemos(values, offset, plainEnds);
    values.sources.text = std::move(values.text);
    return std::move(values.sources);
}

template <class Recorder>
void PatientTextBuilder::readValues(PatientValues& into, Recorder& recorder) {
    const auto field = [this](size_t i) { return patients_.value(patientColumns_[i]); };

    patients_.readAhead(kPatientsAhead, readAheadLinks());

    std::u16string& t = into.text;

    // Every value goes in through one of these, so that a recorder sees where.
    const auto put = [&](auto&& append) {
        if constexpr (Recorder::kRecords) {
            const size_t from = t.size();
            append();
            recorder.value(from, t.size());
        } else {
            append();
        }
    };
    const auto putField = [&](const db::Recordset& rows, int column) {
        put([&] { appendField(t, rows, column); });
    };
    const auto putMemo = [&](const db::Recordset& rows, const std::vector<int>& columns, const Names& names,
                             size_t i) {
        // As the file stores it: decoded and converted later, on the thread that converts.
        if (!rows.appendStored(columns[i], into.memos)) {
            std::u16string value;
            appendField(value, rows.value(columns[i]));
            into.memos.append(value);
        }
        recorder.memo(names[i]);
    };

    recorder.row(SourceKind::Patient, nullptr);
    for (size_t i = 0; i < kPlainFieldCount; ++i) putField(patients_, patientColumns_[i]);

    // Words of the sex, civil state and activity codes (never null: the decoder
    // always answers with a text).
    for (size_t i = 0; i < codedNames().size(); ++i) {
        put([&] { t += text::DecodeFieldValue(field(kSex + i), codedNames()[i], 0); });
    }
    // Whose documents they are: a null code counts as 0, which gives no words.
    for (size_t i = 0; i < relationshipNames().size(); ++i) {
        const uint8_t code = text::ValueOrDefault(field(kFirstRelationship + i), 1).toByte();
        put([&] { t += text::DecodeFieldValue(Value::text(std::u16string()), relationshipNames()[i], code); });
    }
    putField(patients_, patientColumns_[kSecCode]);
    putMemo(patients_, patientColumns_, patientFields(), kObservations);
    putMemo(patients_, patientColumns_, patientFields(), kAlert);
    putField(patients_, patientColumns_[kRecordNumber]);

    const Value counter = field(kCounter);
    auto anamneses = openRelated(kAnamnesesQuery, counter);
    auto consultations = openRelated(kConsultationsQuery, counter);
    auto plans = openRelated(kPlanQuery, field(kPlan));
    auto guides = openRelated(kGuidesQuery, counter);
    auto texts = openRelated(kTextsQuery, counter);

    if (!anamneses.eof()) {
        const auto& c = resolve(anamneses_, anamneses, kAnamnesisFields);
        for (; !anamneses.eof(); anamneses.moveNext()) {
            const Value date = anamneses.value(c[4]);  // in the text, and in the row's label
            recorder.row(SourceKind::Anamnesis, &anamneses, &date);
            putMemo(anamneses, c, kAnamnesisFields, 0);
            putField(anamneses, c[1]);
            putField(anamneses, c[2]);
            putMemo(anamneses, c, kAnamnesisFields, 3);
            put([&] { appendDate(t, date); });
        }
    }
    if (!consultations.eof()) {
        const auto& c = resolve(consultations_, consultations, kConsultationFields);
        for (; !consultations.eof(); consultations.moveNext()) {
            recorder.row(SourceKind::Consultation, &consultations);
            putMemo(consultations, c, kConsultationFields, 0);
        }
    }
    if (!plans.eof()) {
        const auto& c = resolve(plans_, plans, kPlanFields);
        for (; !plans.eof(); plans.moveNext()) {
            recorder.row(SourceKind::Plan, &plans);
            putField(plans, c[0]);
        }
    }
    if (!guides.eof()) {
        // Only the first guide's procedure is looked up.
        const auto& c = resolve(guides_, guides, kGuideFields);
        auto procedures = openRelated(kProcedureQuery, guides.value(c[0]));
        for (; !guides.eof(); guides.moveNext()) {
            recorder.row(SourceKind::Guide, &guides);
            putField(guides, c[1]);
            putField(guides, c[2]);
        }
        if (!procedures.eof()) {
            const auto& p = resolve(procedures_, procedures, kProcedureFields);
            for (; !procedures.eof(); procedures.moveNext()) {
                recorder.row(SourceKind::Procedure, &procedures);
                for (const int i : p) putField(procedures, i);
            }
        }
    }
    if (!texts.eof()) {
        const auto& c = resolve(texts_, texts, kTextFields);
        for (; !texts.eof(); texts.moveNext()) {
            recorder.row(SourceKind::Text, &texts);
            putField(texts, c[0]);
            putMemo(texts, c, kTextFields, 1);
        }
    }
}

std::u16string BuildPatientText(const db::Database& database, const db::Recordset& patients,
                                RichTextBuffer& buffer) {
    return PatientTextBuilder(database, patients, buffer).build();
}

}  // namespace scandrel::search
