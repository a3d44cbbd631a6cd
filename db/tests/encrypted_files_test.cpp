// An ACE file encrypted with a password can't be read: opening it says so (3031,
// "Senha inválida."), whatever its pages hold. A Jet 3 or Jet 4 database password is
// only kept in the header: such files read as any other.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "db/database.h"
#include "db/base/errors.h"
#include "db/tests/host_edits.h"
#include "testing/jet_test_files.h"
#include "text/error.h"

namespace scandrel::db {
namespace {

using testing::errorNumberOf;
using testing::kJet4Page;

// Bytes of the header that are kept hidden (each bit flipped here flips the same
// bit of what they hide): the key the pages are encrypted with, and the password.
constexpr size_t kEncodingKey = 0x3E;
constexpr size_t kPassword = 0x42;
constexpr size_t kPasswordSize = 40;

std::vector<uint8_t> clinicFile() {
    testing::TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    testing::writeClinic(path, 3);
    return testing::readAll(path);
}

void makeAce(std::vector<uint8_t>& file) {
    std::memcpy(&file[4], "Standard ACE DB", 15);
    file[0x14] = 3;
}

std::u16string firstName(const Database& db) {
    return db.openRecordset(u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente").field(testing::kName).asText();
}

TEST(EncryptedFiles, AnAceFileEncryptedWithAPasswordIs3031) {
    std::vector<uint8_t> file = clinicFile();
    makeAce(file);
    ASSERT_EQ(firstName(Database::fromBytes(file)), u"ANA");
    file[kEncodingKey + 1] ^= 0x5A;
    // Encrypted pages make no sense read plainly; nor does the rest of the header.
    for (size_t at = kJet4Page; at < file.size(); ++at) file[at] ^= static_cast<uint8_t>(at * 31 + 7);
    try {
        Database::fromBytes(file, u"segredo.accdb");
        FAIL() << "opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 3031);
        EXPECT_EQ(e.description(), u"Senha inválida.");
    }
    // As a file too.
    testing::TempFolder folder;
    testing::writeAll(folder.path() / "segredo.accdb", file);
    EXPECT_EQ(errorNumberOf([&] { Database::open(folder.path() / "segredo.accdb"); }), 3031);
}

TEST(EncryptedFiles, AJet4DatabasePasswordLeavesTheFileReadable) {
    std::vector<uint8_t> file = clinicFile();
    for (size_t i = 0; i < kPasswordSize; ++i) file[kPassword + i] ^= static_cast<uint8_t>(0x40 + i);
    EXPECT_EQ(firstName(Database::fromBytes(file)), u"ANA");
    // The key field of a Jet 4 file is not an ACE encryption.
    std::vector<uint8_t> keyed = clinicFile();
    keyed[kEncodingKey] ^= 0x01;
    EXPECT_NE(errorNumberOf([&] { Database::fromBytes(keyed); }), 3031);
}

TEST(EncryptedFiles, AJet3DatabasePasswordLeavesTheFileReadable) {
    SCANDREL_NEED_SAMPLE("testV1997.mdb");
    std::vector<uint8_t> file = testing::readAll(samplePath);
    const std::vector<std::u16string> tables = Database::fromBytes(file).tableNames();
    ASSERT_FALSE(tables.empty());
    const int32_t rows = Database::fromBytes(file).openRecordset(u"SELECT * FROM [" + tables[0] + u"]").recordCount();
    for (size_t i = 0; i < 20; ++i) file[kPassword + i] ^= static_cast<uint8_t>(0x61 + i);
    const Database db = Database::fromBytes(file);
    EXPECT_EQ(db.tableNames(), tables);
    EXPECT_EQ(db.openRecordset(u"SELECT * FROM [" + tables[0] + u"]").recordCount(), rows);
}

}  // namespace
}  // namespace scandrel::db
