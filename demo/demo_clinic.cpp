#include "demo/demo_clinic.h"

#include <string>
#include <vector>

#include "clinic/clinic_schema.h"
#include "db/writer/clinic_schema.h"
#include "db/writer/jet_writer.h"
#include "demo/demo_words.h"
#include "demo/rng.h"
#include "demo/rtf_memo.h"

namespace scandrel::demo {
namespace {

using db::writer::ClinicTable;
using db::writer::TableDef;
using namespace clinic;  // the names of the tables and their columns

constexpr double kPlaceholderBirthDate = -328716.0;  // 1000-01-01
constexpr double kFirstBirthDate = 9133.0;           // 1925-01-01
constexpr double kLastBirthDate = 45291.0;           // 2023-12-31
constexpr double kFirstVisit = 36526.0;              // 2000-01-01
constexpr double kLastVisit = 45657.0;               // 2024-12-31

std::u16string digits(Rng& rng, int count) {
    std::u16string s;
    for (int i = 0; i < count; ++i) s += static_cast<char16_t>(u'0' + rng.between(0, 9));
    return s;
}

char16_t upper(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
    return c;
}

std::u16string upper(std::u16string s) {
    for (char16_t& c : s) c = upper(c);
    return s;
}

std::u16string asciiLower(const std::u16string& s) {
    static const std::u16string from = u"áàâãäéèêëíìîïóòôõöúùûüçÁÀÂÃÄÉÈÊËÍÌÎÏÓÒÔÕÖÚÙÛÜÇ";
    static const std::u16string to = u"aaaaaeeeeiiiiooooouuuucaaaaaeeeeiiiiooooouuuuc";
    std::u16string out;
    for (char16_t c : s) {
        const size_t i = from.find(c);
        if (i != std::u16string::npos) c = to[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'.') out += c;
    }
    return out;
}

Value text(std::u16string s) { return Value::text(std::move(s)); }
Value number(int32_t n) { return Value::longValue(n); }
Value date(double serial) { return Value::date(serial); }

double dayBetween(Rng& rng, double first, double last) {
    return first + rng.between(0, static_cast<int>(last - first));
}

// Where each column of a table sits, looked up once by name.
class Columns {
public:
    explicit Columns(const TableDef& table) : table_(table) {}
    size_t operator[](std::u16string_view name) const {
        for (size_t i = 0; i < table_.columns.size(); ++i) {
            if (table_.columns[i].name == name) return i;
        }
        return table_.columns.size();  // a wrong name fails the write loudly
    }
    std::vector<Value> emptyRow() const {
        std::vector<Value> row(table_.columns.size(), Value::null());
        for (size_t i = 0; i < row.size(); ++i) {
            if (table_.columns[i].type == db::ColumnType::Boolean) row[i] = Value::boolean(false);
        }
        return row;
    }

private:
    const TableDef& table_;
};

class ClinicGenerator {
public:
    ClinicGenerator(const std::filesystem::path& path, const DemoOptions& options)
        : tables_(db::writer::clinicTables()), writer_(path, tables_), rng_(options.seed), options_(options) {}

    void run(const DemoProgress& progress) {
        writeSharedTables();
        for (int32_t p = 1; p <= options_.patients; ++p) {
            writePatient(p);
            if (progress && (p % 256 == 0)) progress(p, options_.patients);
        }
        writer_.finish();
        if (progress) progress(options_.patients, options_.patients);
    }

private:
    const TableDef& def(ClinicTable t) const { return tables_[t]; }

    std::u16string memo(int maxParagraphs, int sentencesLow, int sentencesHigh) {
        const int paragraphs = rng_.between(1, maxParagraphs);
        std::vector<std::u16string> text;
        for (int i = 0; i < paragraphs; ++i) {
            text.push_back(makeClinicalSentences(rng_, rng_.between(sentencesLow, sentencesHigh)));
        }
        if (rng_.percent(25)) {
            std::u16string plain;
            for (const auto& t : text) plain += (plain.empty() ? u"" : u"\r\n") + t;
            return plain;
        }
        return makeRtfMemo(rng_, text);
    }

    Value optionalMemo(int nullPercent, int maxParagraphs, int low, int high) {
        return rng_.percent(nullPercent) ? Value::null() : text(memo(maxParagraphs, low, high));
    }

    std::u16string personName(bool female) {
        if (!recentNames_.empty() && rng_.percent(3)) return rng_.pick(recentNames_);
        std::u16string name = rng_.pick(female ? femaleNames() : maleNames());
        if (rng_.percent(20)) name += u" " + rng_.pick(female ? femaleNames() : maleNames());
        const int surnameCount = rng_.between(1, 3);
        for (int i = 0; i < surnameCount; ++i) {
            if (rng_.percent(30)) name += rng_.percent(50) ? u" da" : (rng_.percent(50) ? u" de" : u" dos");
            name += u" " + rng_.pick(surnames());
        }
        if (rng_.percent(35)) name = upper(name);
        if (recentNames_.size() < 64) {
            recentNames_.push_back(name);
        } else {
            recentNames_[static_cast<size_t>(rng_.between(0, 63))] = name;
        }
        return name;
    }

    void writeSharedTables() {
        const Columns conv(def(db::writer::kConvenios));
        int32_t counter = 0;
        for (const auto& plan : insurancePlans()) {
            auto row = conv.emptyRow();
            row[conv[convenios::kCounter]] = number(++counter);
            row[conv[convenios::kNomeConvenio]] = text(plan);
            writer_.addRow(db::writer::kConvenios, row);
        }
        const Columns prex(def(db::writer::kProcedimentosExames));
        counter = 0;
        for (const auto& p : procedures()) {
            auto row = prex.emptyRow();
            row[prex[procedimentos::kCounter]] = number(++counter);
            row[prex[procedimentos::kNomeProcedimento]] = text(p.name);
            row[prex[procedimentos::kCodigoAMB]] = text(p.code);
            row[prex[procedimentos::kMaterial]] = p.material.empty() ? Value::null() : text(p.material);
            writer_.addRow(db::writer::kProcedimentosExames, row);
        }
    }

    Value relationshipCode() {
        const int r = rng_.between(0, 99);
        if (r < 20) return Value::null();
        if (r < 60) return Value::byte(1);
        if (r < 75) return Value::byte(0);
        return Value::byte(static_cast<uint8_t>(rng_.between(0, 16)));
    }

    void writePatient(int32_t counter) {
        const Columns c(def(db::writer::kPacientes));
        auto row = c.emptyRow();
        const int sexRoll = rng_.between(0, 99);
        const bool female = sexRoll < 50;
        const std::u16string name = personName(female);
        const auto& place = rng_.pick(places());
        row[c[pacientes::kCounter]] = number(counter);
        row[c[pacientes::kNomePaciente]] = text(name);
        const int birth = rng_.between(0, 99);
        if (birth >= 7) {
            row[c[pacientes::kDataNascimentoPaciente]] = date(dayBetween(rng_, kFirstBirthDate, kLastBirthDate));
        } else if (birth >= 3) {
            row[c[pacientes::kDataNascimentoPaciente]] = date(kPlaceholderBirthDate);
        }
        if (rng_.percent(10)) row[c[pacientes::kLeito]] = text(digits(rng_, 2) + u"A");
        if (rng_.percent(60)) row[c[pacientes::kMatriculaPaciente]] = text(digits(rng_, 8));
        const int civil = rng_.between(0, 99);
        static const char16_t* const kCivil[] = {u"S", u"C", u"V", u"D", u"U", u"O", u"Q"};
        if (civil < 30) row[c[pacientes::kEstadoCivilPaciente]] = text(kCivil[0]);
        else if (civil < 65) row[c[pacientes::kEstadoCivilPaciente]] = text(kCivil[1]);
        else if (civil < 73) row[c[pacientes::kEstadoCivilPaciente]] = text(kCivil[2]);
        else if (civil < 81) row[c[pacientes::kEstadoCivilPaciente]] = text(kCivil[3]);
        else if (civil < 88) row[c[pacientes::kEstadoCivilPaciente]] = text(kCivil[4 + rng_.between(0, 2)]);
        if (rng_.percent(70)) row[c[pacientes::kCorPaciente]] = text(rng_.pick(skinColours()));
        if (rng_.percent(60)) row[c[pacientes::kNaturalidadePaciente]] = text(rng_.pick(places()).city);
        if (rng_.percent(50)) row[c[pacientes::kGraudeInstrucaoPaciente]] = text(rng_.pick(schooling()));
        if (rng_.percent(70)) {
            row[c[pacientes::kCPFPaciente]] =
                text(digits(rng_, 3) + u"." + digits(rng_, 3) + u"." + digits(rng_, 3) + u"-" + digits(rng_, 2));
        }
        if (rng_.percent(60)) row[c[pacientes::kProfissaoPaciente]] = text(rng_.pick(professions()));
        if (rng_.percent(50)) {
            row[c[pacientes::kDocumentoIdentidadePaciente]] = text(place.state + u"-" + digits(rng_, 8));
        }
        const std::u16string mailName = asciiLower(name.substr(0, name.find(u' '))) + digits(rng_, 2);
        if (rng_.percent(5)) row[c[pacientes::kEmailMed]] = text(u"dr." + mailName + u"@clinica.com.br");
        if (rng_.percent(50)) row[c[pacientes::kEmail]] = text(mailName + u"@exemplo.com.br");
        if (rng_.percent(10)) row[c[pacientes::kEmailAlt]] = text(mailName + u"@correio.net");
        if (rng_.percent(20)) row[c[pacientes::kIndicadoPorPaciente]] = text(u"Dr. " + rng_.pick(surnames()));
        if (rng_.percent(85)) {
            row[c[pacientes::kLogradouroPaciente]] =
                text(rng_.pick(streets()) + u", " + std::u16string(1, static_cast<char16_t>(u'1' + rng_.between(0, 8))) +
                     digits(rng_, rng_.between(0, 3)));
            row[c[pacientes::kCidadePaciente]] = text(place.city);
            row[c[pacientes::kBairroPaciente]] = text(rng_.pick(neighbourhoods()));
            row[c[pacientes::kUFPaciente]] = text(place.state);
            row[c[pacientes::kCEPPaciente]] = text(digits(rng_, 5) + u"-" + digits(rng_, 3));
        }
        if (rng_.percent(30)) row[c[pacientes::kComplementoPaciente]] = text(u"Apto " + digits(rng_, 3));
        if (rng_.percent(80)) {
            row[c[pacientes::kTelefonesPaciente]] =
                text(u"(" + digits(rng_, 2) + u") 3" + digits(rng_, 3) + u"-" + digits(rng_, 4) +
                     (rng_.percent(50) ? u" / 9" + digits(rng_, 4) + u"-" + digits(rng_, 4) : u""));
        }
        if (sexRoll < 49) row[c[pacientes::kSexoPaciente]] = text(u"F");
        else if (sexRoll < 50) row[c[pacientes::kSexoPaciente]] = Value::null();
        else if (sexRoll < 98) row[c[pacientes::kSexoPaciente]] = text(u"M");
        else row[c[pacientes::kSexoPaciente]] = text(sexRoll == 98 ? u"I" : u"X");
        row[c[pacientes::kNaoAtivo]] = Value::boolean(rng_.percent(8));
        row[c[pacientes::kPropCPF]] = relationshipCode();
        row[c[pacientes::kPropID]] = relationshipCode();
        row[c[pacientes::kPropCNH]] = relationshipCode();
        row[c[pacientes::kPropCTrab]] = relationshipCode();
        if (rng_.percent(5)) row[c[pacientes::kSecCode]] = text(digits(rng_, 4));
        row[c[pacientes::kObservacoesPaciente]] = optionalMemo(50, 2, 1, 3);
        if (rng_.percent(10)) {
            row[c[pacientes::kAlert]] =
                rng_.percent(50) ? text(rng_.pick(alerts())) : text(makeRtfMemo(rng_, {rng_.pick(alerts())}));
        }
        if (rng_.percent(90)) row[c[pacientes::kProntuario]] = text(u"P" + digits(rng_, 6));
        const int plan = rng_.between(0, 99);
        if (plan < 75) {
            row[c[pacientes::kConvenioPaciente]] =
                number(rng_.between(1, static_cast<int>(insurancePlans().size())));
        } else if (plan < 80) {
            row[c[pacientes::kConvenioPaciente]] = number(999);  // a plan since deleted
        } else if (plan < 90) {
            row[c[pacientes::kConvenioPaciente]] = number(0);
        }
        writer_.addRow(db::writer::kPacientes, row);

        writeAnamneses(counter);
        writeConsultations(counter);
        writeGuides(counter);
        writeTexts(counter);
    }

    void writeAnamneses(int32_t patient) {
        const Columns c(def(db::writer::kAnamneses));
        for (int i = rng_.between(0, 6); i > 0; --i) {
            auto row = c.emptyRow();
            row[c[anamneses::kCounter]] = number(++anamneses_);
            row[c[anamneses::kPaciente]] = number(patient);
            if (!rng_.percent(3)) row[c[anamneses::kDataAnamnese]] = date(dayBetween(rng_, kFirstVisit, kLastVisit));
            if (rng_.percent(60)) {
                row[c[anamneses::kPalavrasChave]] = text(rng_.pick(keywords()) + u"; " + rng_.pick(keywords()));
            }
            if (rng_.percent(80)) row[c[anamneses::kDiagnostico1]] = text(rng_.pick(diagnoses()));
            if (rng_.percent(30)) row[c[anamneses::kDiagnostico2]] = text(rng_.pick(diagnoses()));
            row[c[anamneses::kTextoAnamnese]] = optionalMemo(10, 3, 2, 4);
            writer_.addRow(db::writer::kAnamneses, row);
        }
    }

    void writeConsultations(int32_t patient) {
        const Columns c(def(db::writer::kConsultaseRetornos));
        for (int i = rng_.between(0, 16); i > 0; --i) {
            auto row = c.emptyRow();
            row[c[consultas::kCounter]] = number(++consultations_);
            row[c[consultas::kPaciente]] = number(patient);
            row[c[consultas::kDataConsultaRetorno]] = date(dayBetween(rng_, kFirstVisit, kLastVisit));
            row[c[consultas::kTextoConsultaRetorno]] = optionalMemo(10, 1, 1, 2);
            writer_.addRow(db::writer::kConsultaseRetornos, row);
        }
    }

    void writeGuides(int32_t patient) {
        const Columns c(def(db::writer::kGuias));
        for (int i = rng_.between(0, 4); i > 0; --i) {
            auto row = c.emptyRow();
            row[c[guias::kCounter]] = number(++guides_);
            row[c[guias::kPaciente]] = number(patient);
            const int procedure = rng_.between(0, 99);
            if (procedure < 90) {
                row[c[guias::kProcedimento]] = number(rng_.between(1, static_cast<int>(procedures().size())));
            } else if (procedure < 95) {
                row[c[guias::kProcedimento]] = number(777);  // no such procedure
            }
            row[c[guias::kNroGuia]] = text(digits(rng_, 9));
            if (rng_.percent(70)) row[c[guias::kMatriculaGuia]] = text(digits(rng_, 12));
            writer_.addRow(db::writer::kGuias, row);
        }
    }

    void writeTexts(int32_t patient) {
        const Columns c(def(db::writer::kTextos));
        for (int i = rng_.between(0, 2); i > 0; --i) {
            auto row = c.emptyRow();
            row[c[textos::kCounter]] = number(++texts_);
            row[c[textos::kPaciente]] = number(patient);
            row[c[textos::kNomeTexto]] = text(rng_.pick(documentTitles()));
            row[c[textos::kTexto]] = optionalMemo(5, 3, 2, 5);
            writer_.addRow(db::writer::kTextos, row);
        }
    }

    std::vector<TableDef> tables_;
    db::writer::JetWriter writer_;
    Rng rng_;
    DemoOptions options_;
    std::vector<std::u16string> recentNames_;
    int32_t anamneses_ = 0;
    int32_t consultations_ = 0;
    int32_t guides_ = 0;
    int32_t texts_ = 0;
};

}  // namespace

void writeDemoClinic(const std::filesystem::path& path, const DemoOptions& options, const DemoProgress& progress) {
    ClinicGenerator generator(path, options);
    generator.run(progress);
}

}  // namespace scandrel::demo
