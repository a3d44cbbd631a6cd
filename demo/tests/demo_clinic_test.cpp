// The demo clinic: reproducible, in the host's layout, with the awkward values
// the search must cope with; and its rich-text memos.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "db/database.h"
#include "demo/demo_clinic.h"
#include "demo/rtf_memo.h"
#include "testing/readers.h"
#include "text/utf.h"

namespace scandrel::demo {
namespace {

std::filesystem::path tempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("scandrel-demo-" + std::to_string(::getpid()) + "-" + name);
}

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Visible text of the rich text written by makeRtfMemo: enough of the format
// to check that the words survive (groups, font and colour tables skipped,
// \par, \'xx in code page 1252 for the Latin-1 range, \uN with one fallback).
std::u16string visibleText(std::u16string_view rtf) {
    std::u16string out;
    int depth = 0;
    int skipFrom = -1;  // depth of a table group being skipped
    for (size_t i = 0; i < rtf.size();) {
        const char16_t c = rtf[i];
        if (c == u'{') {
            ++depth;
            ++i;
        } else if (c == u'}') {
            if (depth == skipFrom) skipFrom = -1;
            --depth;
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            ++i;
        } else if (c != u'\\') {
            if (skipFrom < 0) out += c;
            ++i;
        } else if (rtf[i + 1] == u'\\' || rtf[i + 1] == u'{' || rtf[i + 1] == u'}') {
            if (skipFrom < 0) out += rtf[i + 1];
            i += 2;
        } else if (rtf[i + 1] == u'\'') {
            const auto hex = toUtf8(rtf.substr(i + 2, 2));
            const int byte = std::stoi(hex, nullptr, 16);
            if (skipFrom < 0) out += byte >= 0xA0 ? static_cast<char16_t>(byte) : fromCp1252(static_cast<unsigned char>(byte));
            i += 4;
        } else {
            size_t j = i + 1;
            while (j < rtf.size() && ((rtf[j] >= u'a' && rtf[j] <= u'z'))) ++j;
            const std::u16string word(rtf.substr(i + 1, j - i - 1));
            size_t k = j;
            if (k < rtf.size() && rtf[k] == u'-') ++k;
            while (k < rtf.size() && rtf[k] >= u'0' && rtf[k] <= u'9') ++k;
            const std::u16string number(rtf.substr(j, k - j));
            if (k < rtf.size() && rtf[k] == u' ') ++k;
            if (word == u"fonttbl" || word == u"colortbl") skipFrom = depth;
            if (skipFrom < 0 && word == u"par") out += u'\n';
            if (skipFrom < 0 && word == u"u") {
                out += static_cast<char16_t>(std::stoi(toUtf8(number)));
                ++k;  // the fallback character
            }
            i = k;
        }
    }
    return out;
}

TEST(RtfMemo, KeepsTheWordsUnderTheFormatting) {
    Rng rng(5);
    for (int n = 0; n < 200; ++n) {
        std::vector<std::u16string> paragraphs;
        std::u16string expected;
        for (int p = rng.between(1, 3); p > 0; --p) {
            paragraphs.push_back(makeClinicalSentences(rng, rng.between(1, 4)));
            expected += paragraphs.back() + u"\n";
        }
        paragraphs.back() += u" {chaves} \\ Ж € ÿ";
        expected.insert(expected.size() - 1, u" {chaves} \\ Ж € ÿ");
        const std::u16string rtf = makeRtfMemo(rng, paragraphs);
        ASSERT_EQ(rtf.rfind(u"{\\rtf1\\ansi\\ansicpg1252", 0), 0u);
        ASSERT_EQ(visibleText(rtf), expected) << toUtf8(rtf);
    }
}

TEST(RtfMemo, EscapesAsAWordProcessorDoes) {
    EXPECT_EQ(escapeRtfText(u"João é {x}\\"), u"Jo\\'e3o \\'e9 \\{x\\}\\\\");
    EXPECT_EQ(escapeRtfText(u"€ “a”"), u"\\'80 \\'93a\\'94");
    EXPECT_EQ(escapeRtfText(u"Жā"), u"\\u1046?\\u257?");
    EXPECT_EQ(escapeRtfText(u"\uFFFD"), u"\\u-3?");
}

TEST(DemoClinic, SameSeedSameBytes) {
    const auto a = tempPath("a.mdb"), b = tempPath("b.mdb"), c = tempPath("c.mdb");
    writeDemoClinic(a, {120, 9});
    writeDemoClinic(b, {120, 9});
    writeDemoClinic(c, {120, 10});
    EXPECT_EQ(contents(a), contents(b));
    EXPECT_NE(contents(a), contents(c));
    for (const auto& f : {a, b, c}) std::filesystem::remove(f);
}

TEST(DemoClinic, HoldsTheValuesTheSearchMustHandle) {
    const auto file = tempPath("clinic.mdb");
    int calls = 0;
    writeDemoClinic(file, {1500, 3}, [&](int32_t done, int32_t total) {
        EXPECT_EQ(total, 1500);
        EXPECT_LE(done, total);
        ++calls;
    });
    EXPECT_GT(calls, 1);
    const db::Database db = db::Database::open(file);

    std::set<int32_t> counters;
    std::set<std::u16string> civil, sexes, names, duplicates;
    int placeholder = 0, nullBirth = 0, inactive = 0, capitals = 0, rtf = 0, plain = 0, nullMemo = 0;
    std::set<int> codes;
    db::Recordset p = db.openRecordset(u"SELECT * FROM Pacientes");
    for (; !p.eof(); p.moveNext()) {
        counters.insert(static_cast<int32_t>(p.field(u"paci_ln_Counter").asInteger()));
        const Value c = p.field(u"Paci_tx_EstadoCivilPaciente");
        civil.insert(c.isNull() ? u"<null>" : c.asText());
        const Value s = p.field(u"Paci_tx_SexoPaciente");
        sexes.insert(s.isNull() ? u"<null>" : s.asText());
        const std::u16string name = p.field(u"Paci_tx_NomePaciente").asText();
        if (!names.insert(name).second) duplicates.insert(name);
        if (name.find(u"Ã") != std::u16string::npos || name.find(u"Ç") != std::u16string::npos) ++capitals;
        const Value birth = p.field(u"paci_dt_datanascimentopaciente");
        if (birth.isNull()) ++nullBirth;
        else if (birth.asDouble() == -328716.0) ++placeholder;
        if (p.field(u"Paci_bo_NaoAtivo").asBoolean()) ++inactive;
        for (const char16_t* f : {u"Paci_by_PropCPF", u"Paci_by_PropID", u"Paci_by_PropCNH", u"Paci_by_PropCtrab"}) {
            const Value v = p.field(f);
            if (!v.isNull()) codes.insert(static_cast<int>(v.asInteger()));
        }
        const Value memo = p.field(u"Paci_me_ObservacoesPaciente");
        if (memo.isNull()) ++nullMemo;
        else if (memo.asText().starts_with(u"{\\rtf1")) ++rtf;
        else ++plain;
    }
    ASSERT_EQ(counters.size(), 1500u);
    EXPECT_EQ(*counters.rbegin(), 1500);
    for (const char16_t* code : {u"S", u"C", u"V", u"D", u"<null>"}) EXPECT_TRUE(civil.count(code)) << toUtf8(code);
    EXPECT_GT(civil.size(), 6u);
    for (const char16_t* code : {u"M", u"F", u"<null>"}) EXPECT_TRUE(sexes.count(code)) << toUtf8(code);
    EXPECT_GT(sexes.size(), 3u);
    EXPECT_FALSE(duplicates.empty());
    EXPECT_GT(capitals, 0);
    EXPECT_GT(placeholder, 0);
    EXPECT_GT(nullBirth, 0);
    EXPECT_GT(inactive, 0);
    EXPECT_EQ(codes.size(), 17u);  // 0 to 16
    EXPECT_GT(rtf, 0);
    EXPECT_GT(plain, 0);
    EXPECT_GT(nullMemo, 0);

    // Related rows: about 3 anamneses, 8 consultations, 2 guides, 1 text each,
    // all pointing at patients; some patients have none.
    const std::pair<const char16_t*, double> related[] = {
        {u"Anamneses", 3}, {u"ConsultaseRetornos", 8}, {u"Guias", 2}, {u"Textos", 1}};
    for (const auto& [table, average] : related) {
        db::Recordset rows = db.openRecordset(std::u16string(u"SELECT * FROM ") + table);
        const double perPatient = rows.recordCount() / 1500.0;
        EXPECT_NEAR(perPatient, average, average * 0.15) << toUtf8(table);
        std::set<int32_t> owners;
        const int owner = rows.fieldIndex(std::u16string(table).substr(0, 4) + u"_ln_Paciente");
        for (; !rows.eof(); rows.moveNext()) owners.insert(static_cast<int32_t>(rows.value(owner).asInteger()));
        EXPECT_TRUE(std::includes(counters.begin(), counters.end(), owners.begin(), owners.end()));
        EXPECT_LT(owners.size(), counters.size()) << toUtf8(table);
    }
    EXPECT_EQ(db.openRecordset(u"SELECT * FROM Convenios").recordCount(), 20);
    EXPECT_EQ(db.openRecordset(u"SELECT * FROM ProcedimentosExames").recordCount(), 15);
    std::filesystem::remove(file);
}

TEST(DemoClinic, ReadsTheSameInEveryReader) {
    namespace readers = db::writer::testing;
    const auto file = tempPath("readers.mdb");
    writeDemoClinic(file, {200, 4});
    const std::string engine = readers::listWithEngine(file);
    EXPECT_NE(engine.find("TABLE ConsultaseRetornos"), std::string::npos);
    if (auto listing = readers::listWithMdbReader(file)) {
        EXPECT_EQ(*listing, engine) << "mdb-reader";
    }
    if (auto listing = readers::listWithMdbtools(file)) {
        EXPECT_EQ(readers::blurForMdbtools(*listing), readers::blurForMdbtools(engine)) << "mdbtools";
    }
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace scandrel::demo
