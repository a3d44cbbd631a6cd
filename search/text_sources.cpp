#include "search/text_sources.h"

#include <algorithm>
#include <optional>

#include "clinic/clinic_schema.h"
#include "db/database.h"
#include "text/date.h"
#include "text/lower_case.h"
#include "text/normalize.h"

namespace scandrel::search {
namespace {

bool sameName(std::u16string_view a, std::u16string_view b) {
    return std::ranges::equal(a, b, [](char16_t x, char16_t y) { return text::toLower(x) == text::toLower(y); });
}

// A column the host's tables may lack (the consultations' date is not searched): its
// position, or -1.
int optionalColumn(const db::Recordset& rows, std::u16string_view name) {
    const auto& columns = rows.columns();
    for (size_t i = 0; i < columns.size(); ++i) {
        if (sameName(columns[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

// Formatted only for the label of a listed patient's source.
std::optional<double> dateOf(const Value& value) {
    if (value.kind() == Value::Kind::Date) return value.asDouble();
    return std::nullopt;
}

std::optional<double> dateOf(const db::Recordset& rows, int index) {
    if (index < 0) return std::nullopt;
    return dateOf(rows.value(index));
}

// A name as a label shows it: without the spaces around it, at most this long.
constexpr size_t kMaxTitle = 24;
std::u16string shortTitle(const db::Recordset& rows, int index) {
    if (index < 0) return {};
    const Value value = rows.value(index);
    if (value.kind() != Value::Kind::Text) return {};
    std::u16string title = value.asText();
    const size_t first = title.find_first_not_of(u' ');
    if (first == std::u16string::npos) return {};
    title.erase(0, first);
    title.erase(title.find_last_not_of(u' ') + 1);
    if (title.size() > kMaxTitle) title = title.substr(0, kMaxTitle - 1) + u"…";
    return title;
}

}  // namespace

std::u16string sourceLabel(const TextSource& source) {
    const auto dated = [&source](std::u16string label) {
        if (source.date) label += u" de " + text::formatDayMonthYear(*source.date);
        return label;
    };
    switch (source.kind) {
        case SourceKind::Patient:
            if (sameName(source.memo, clinic::pacientes::kObservacoesPaciente)) return u"Observações do paciente";
            if (sameName(source.memo, clinic::pacientes::kAlert)) return u"Alerta do paciente";
            return u"Cadastro do paciente";
        case SourceKind::Anamnesis: {
            std::u16string label = dated(u"Anamnese");
            if (sameName(source.memo, clinic::anamneses::kPalavrasChave)) label += u" (palavras-chave)";
            if (sameName(source.memo, clinic::anamneses::kTextoAnamnese)) label += u" (texto)";
            return label;
        }
        case SourceKind::Consultation: return dated(u"Consulta");
        case SourceKind::Plan: return u"Convênio";
        case SourceKind::Guide: return u"Guia";
        case SourceKind::Procedure: return u"Procedimento da guia";
        case SourceKind::Text:
            return source.title.empty() ? std::u16string(u"Texto") : u"Texto «" + source.title + u"»";
    }
    return {};
}

const SourceStretch* SourcedText::valueAt(size_t at) const {
    auto next = std::upper_bound(values.begin(), values.end(), at,
                                 [](size_t position, const SourceStretch& v) { return position < v.from; });
    // Empty values share their start with the value after them: look back past them.
    while (next != values.begin()) {
        --next;
        if (at < next->to) return &*next;
        if (next->from < at) break;
    }
    return nullptr;
}

std::vector<SourcedPiece> sourcedPieces(const SourcedText& text) {
    std::vector<SourcedPiece> pieces;
    std::u16string normalised = text.text;
    text::normalizeInPlace(normalised);
    const std::vector<size_t> at = text::normalizedPositions(text.text);
    constexpr size_t kNone = static_cast<size_t>(-1);
    size_t current = kNone;
    std::u16string piece;
    const auto flush = [&] {
        const size_t first = piece.find_first_not_of(u' ');
        if (first != std::u16string::npos) {
            const size_t last = piece.find_last_not_of(u' ');
            const std::u16string label = current == kNone ? std::u16string() : sourceLabel(text.sources[current]);
            pieces.push_back({label, piece.substr(first, last - first + 1)});
        }
        piece.clear();
    };
    for (size_t i = 0; i < normalised.size() && i < at.size(); ++i) {
        const SourceStretch* value = text.valueAt(at[i]);
        const size_t source = value == nullptr ? kNone : value->source;
        if (source != current && normalised[i] != u' ') {
            flush();
            current = source;
        }
        piece += normalised[i];
    }
    flush();
    return pieces;
}

void TextSourceRecorder::row(SourceKind kind, const db::Recordset* rows, const Value* date) {
    if (failure_) return;
    row_ = TextSource{kind, {}, {}, {}};
    rowAdded_ = false;
    if (rows == nullptr) return;
    const auto column = [&](std::u16string_view name) {
        const auto k = static_cast<size_t>(kind);
        if (!columns_.resolved[k]) {
            columns_.index[k] = optionalColumn(*rows, name);
            columns_.resolved[k] = true;
        }
        return columns_.index[k];
    };
    try {
        if (date != nullptr) row_.date = dateOf(*date);
        if (kind == SourceKind::Consultation)
            row_.date = dateOf(*rows, column(clinic::consultas::kDataConsultaRetorno));
        if (kind == SourceKind::Text) row_.title = shortTitle(*rows, column(clinic::textos::kNomeTexto));
    } catch (...) {
        if (!keepReading_) throw;
        failure_ = std::current_exception();
    }
}

void TextSourceRecorder::value(size_t from, size_t to) {
    if (failure_) return;
    if (!rowAdded_) {
        rowSource_ = out_.sources.size();
        out_.sources.push_back(row_);
        rowAdded_ = true;
    }
    out_.values.push_back({from, to, rowSource_});
}

void TextSourceRecorder::memo(std::u16string_view column) {
    if (failure_) return;
    TextSource source = row_;
    source.memo = column;
    memoSources_.push_back(out_.sources.size());
    out_.sources.push_back(std::move(source));
}

}  // namespace scandrel::search
