// Calculated columns of ACE files: each value is kept behind a 16-byte header and
// its length, in the column's result type; it reads as that type. Made from a file
// of our writer, its columns' bytes rewritten as the desktop product stores them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/jet/engine.h"
#include "db/tests/host_edits.h"
#include "db/writer/jet_writer.h"
#include "testing/jet_test_files.h"

namespace scandrel::db {
namespace {

using testing::kJet4Page;

constexpr size_t kValueHeader = 16;
constexpr size_t kColumnsAt = 63;  // column entries of a definition without indexes
constexpr size_t kColumnEntry = 25;

// The value as stored: a header of its own (its bytes don't matter here), the
// length, the value.
std::vector<uint8_t> wrapped(const std::vector<uint8_t>& value) {
    std::vector<uint8_t> out(kValueHeader, 0x11);
    out.resize(kValueHeader + 4);
    testing::put32(&out[kValueHeader], static_cast<uint32_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
    return out;
}

std::vector<uint8_t> compressedText(const std::string& latin1) {
    std::vector<uint8_t> out(latin1.size() + 2);
    out[0] = 0xFF;
    out[1] = 0xFE;
    std::copy(latin1.begin(), latin1.end(), out.begin() + 2);
    return out;
}

// Writes the text placeholder `marker` (stored compressed: FF FE, then one byte a
// character) over with `bytes`, exactly as long.
void replaceStored(std::vector<uint8_t>& file, char marker, const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> stored(bytes.size(), static_cast<uint8_t>(marker));
    stored[0] = 0xFF;
    stored[1] = 0xFE;
    const auto found = std::search(file.begin(), file.end(), stored.begin(), stored.end());
    ASSERT_NE(found, file.end()) << "placeholder " << marker;
    std::copy(bytes.begin(), bytes.end(), found);
}

// A text placeholder for a stored value of `bytes` bytes.
Value placeholder(char marker, size_t bytes) { return Value::text(std::u16string(bytes - 2, static_cast<char16_t>(marker))); }

class CalculatedColumns : public ::testing::Test {
protected:
    void SetUp() override {
        const auto path = folder_.path() / "calculos.accdb";
        {
            writer::JetWriter writer(path, {{u"Calculos",
                                             {{u"id", ColumnType::Long},
                                              {u"numero", ColumnType::Text, 100},
                                              {u"texto", ColumnType::Text, 100},
                                              {u"real", ColumnType::Text, 100},
                                              {u"nota", ColumnType::Memo},
                                              {u"sim", ColumnType::Text, 100}}}});
            writer.addRow(0, {Value::longValue(1), placeholder('n', longValue_.size()), placeholder('t', text_.size()),
                              placeholder('d', real_.size()), placeholder('m', memo_.size()),
                              placeholder('s', yes_.size())});
            writer.addRow(0, {Value::longValue(2), Value::null(), Value::null(), Value::null(), Value::null(),
                              Value::null()});
            writer.finish();
        }
        std::vector<uint8_t> file = testing::readAll(path);
        replaceStored(file, 'n', longValue_);
        replaceStored(file, 't', text_);
        replaceStored(file, 'd', real_);
        replaceStored(file, 'm', memo_);
        replaceStored(file, 's', yes_);
        const uint32_t tdef = jet::Engine::fromBytes(file, u"calculos")->table(u"Calculos")->tdefPage;
        // Columns 1 to 5 become calculated, of the result types Long, Text, Double, Memo and Yes/No.
        const uint8_t types[] = {0x04, 0x0A, 0x07, 0x0C, 0x01};
        for (size_t column = 1; column <= 5; ++column) {
            uint8_t* entry = &file[tdef * kJet4Page + kColumnsAt + column * kColumnEntry];
            ASSERT_EQ(testing::get16(file, static_cast<size_t>(entry - file.data()) + 5), column);
            entry[0] = types[column - 1];
            entry[16] |= 0xC0;
        }
        jet_ = file;
        // An ACE file: the engine's name, and the version of the first ACE files.
        std::memcpy(&file[4], "Standard ACE DB", 15);
        file[0x14] = 2;
        ace_ = file;
    }

    std::vector<uint8_t> longValue_ = wrapped({0x87, 0xD6, 0x12, 0x00});  // 1234567
    std::vector<uint8_t> text_ = wrapped(compressedText("Ol\xe1, c\xe1lculo"));
    std::vector<uint8_t> real_ = wrapped({0, 0, 0, 0, 0, 0, 0x04, 0x40});  // 2.5
    std::vector<uint8_t> memo_ = wrapped(compressedText("resultado de uma express\xe3o"));
    std::vector<uint8_t> yes_ = wrapped({0xFF});
    std::vector<uint8_t> jet_, ace_;
    testing::TempFolder folder_;
};

TEST_F(CalculatedColumns, ReadAsTheirResultType) {
    const Database db = Database::fromBytes(ace_);
    Recordset rs = db.openRecordset(u"SELECT * FROM Calculos WHERE id = 1");
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.field(u"numero"), Value::longValue(1234567));
    EXPECT_EQ(rs.field(u"texto"), Value::text(u"Olá, cálculo"));
    EXPECT_EQ(rs.field(u"real"), Value::doubleValue(2.5));
    EXPECT_EQ(rs.field(u"nota"), Value::text(u"resultado de uma expressão"));
    EXPECT_EQ(rs.field(u"sim"), Value::boolean(true));
    std::u16string text;
    EXPECT_TRUE(rs.appendText(rs.fieldIndex(u"texto"), text));
    EXPECT_TRUE(rs.appendText(rs.fieldIndex(u"nota"), text));
    EXPECT_EQ(text, u"Olá, cálculoresultado de uma expressão");
}

TEST_F(CalculatedColumns, NullsStayNull) {
    Recordset rs = Database::fromBytes(ace_).openRecordset(u"SELECT * FROM Calculos WHERE id = 2");
    ASSERT_EQ(rs.recordCount(), 1);
    for (const char16_t* column : {u"numero", u"texto", u"real", u"nota", u"sim"})
        EXPECT_TRUE(rs.field(column).isNull()) << rs.field(column).toText().size();
}

// The flags mean nothing before ACE: a Jet 4 file's column reads as its bytes say.
TEST_F(CalculatedColumns, OnlyInAceFiles) {
    Recordset rs = Database::fromBytes(jet_).openRecordset(u"SELECT * FROM Calculos WHERE id = 1");
    EXPECT_EQ(rs.field(u"numero"), Value::longValue(0x11111111));
}

// A length past the bytes stored: what is stored is read.
TEST_F(CalculatedColumns, ALengthPastTheStoredBytesReadsWhatIsThere) {
    std::vector<uint8_t> file = ace_;
    const auto found = std::search(file.begin(), file.end(), longValue_.begin(), longValue_.end());
    ASSERT_NE(found, file.end());
    testing::put32(&*(found + kValueHeader), 0xFFFFFF);  // longer than what is there: what is there is read
    Recordset rs = Database::fromBytes(file).openRecordset(u"SELECT * FROM Calculos WHERE id = 1");
    EXPECT_EQ(rs.field(u"numero"), Value::longValue(1234567));
}

}  // namespace
}  // namespace scandrel::db
