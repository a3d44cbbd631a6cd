// Where every read waits (a database on a server's shared folder), the rows ahead
// are read many reads at once: the values are the same as read one at a time, and
// no reading thread outlives the database.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/jet/byte_source.h"
#include "db/tests/jet_test_files.h"
#include "db/tests/waiting_source.h"
#include "db/writer/clinic_writer.h"

namespace scandrel::db {
namespace {

using testing::TempFolder;
using testing::WaitingSource;

constexpr char16_t kPatients[] = u"SELECT * FROM Pacientes ORDER BY Paci_tx_NomePaciente";
constexpr char16_t kAnamneses[] = u"SELECT * FROM Anamneses WHERE Anam_ln_Paciente = ";
constexpr auto kNetworkWait = std::chrono::milliseconds(1);  // a wait every system honours

// Patients whose name order is not the order they were written in, each with
// anamneses whose memos lie on long-value pages, one of them over several pages.
void writeClinic(const std::filesystem::path& path, int patients) {
    writer::ClinicWriter clinic(path);
    for (int i = 0; i < patients; ++i) {
        const std::u16string name = u"PACIENTE " + std::u16string(1, static_cast<char16_t>(u'Z' - i % 26)) +
                                    std::u16string(1, static_cast<char16_t>(u'A' + i / 26));
        const int32_t counter = clinic.add(writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(name)},
                                                                {u"Paci_me_ObservacoesPaciente", Value::text(name + std::u16string(300, u'o'))}});
        for (int a = 0; a < i % 3; ++a) {
            const size_t length = (i + a) % 7 == 0 ? 5000 : 400;  // stored plainly past 1,024 characters: a chain
            clinic.add(writer::kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(counter)},
                                            {u"Anam_me_TextoAnamnese", Value::text(name + std::u16string(length, u'\u00e1'))}});
        }
    }
    clinic.finish();
}

// Every value of every patient in name order, and of its anamneses; with `ahead`,
// the rows ahead are asked for as the search asks for them.
std::vector<Value> readClinic(const Database& db, bool ahead) {
    std::vector<Value> values;
    Recordset patients = db.openRecordset(kPatients);
    const std::vector<Recordset::Link> links = {{kAnamneses, u"Paci_ln_Counter"}};
    for (; !patients.eof(); patients.moveNext()) {
        if (ahead) patients.readAhead(16, links);
        for (size_t i = 0; i < patients.columns().size(); ++i) values.push_back(patients.value(static_cast<int>(i)));
        Recordset anamneses =
            db.openRecordset(kAnamneses + patients.field(u"Paci_ln_Counter").toText());
        for (; !anamneses.eof(); anamneses.moveNext())
            for (size_t i = 0; i < anamneses.columns().size(); ++i)
                values.push_back(anamneses.value(static_cast<int>(i)));
    }
    return values;
}

TEST(ReadAhead, WaitingReadsGiveTheSameValuesManyAtOnce) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinic(path, 120);
    const std::vector<Value> expected = readClinic(Database::open(path), false);

    auto owned = std::make_unique<WaitingSource>(jet::openFileSource(path), kNetworkWait);
    const WaitingSource& source = *owned;
    const Database db = Database::fromSource(std::move(owned), u"clinica.mdb");
    EXPECT_EQ(readClinic(db, true), expected);
    EXPECT_GE(source.mostAtOnce(), 2);
}

TEST(ReadAhead, LocalReadsAreNotReadAhead) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinic(path, 60);
    // From memory: as quick as reads from the system's cache can be, wherever the test runs.
    auto owned = std::make_unique<WaitingSource>(jet::memorySource(testing::readAll(path)), std::chrono::microseconds(0));
    const WaitingSource& source = *owned;
    const Database db = Database::fromSource(std::move(owned), u"clinica.mdb");
    readClinic(db, true);
    EXPECT_EQ(source.mostAtOnce(), 1);
}

#ifdef __linux__
size_t threadsRunning() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

TEST(ReadAhead, NoReadingThreadOutlivesTheDatabase) {
    TempFolder folder;
    const auto path = folder.path() / "clinica.mdb";
    writeClinic(path, 40);
    const size_t before = threadsRunning();
    {
        const Database db = Database::fromSource(std::make_unique<WaitingSource>(jet::openFileSource(path), kNetworkWait),
                                                 u"clinica.mdb");
        Recordset patients = db.openRecordset(kPatients);
        readClinic(db, true);
        EXPECT_GT(threadsRunning(), before);
        // A record set still open keeps the database, and its readers, alive.
    }
    EXPECT_EQ(threadsRunning(), before);
}
#endif

}  // namespace
}  // namespace scandrel::db
