// `scandrel search` and `scandrel text` run as a user runs them.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/tests/run_program.h"
#include "db/writer/clinic_writer.h"
#include "text/date.h"

namespace {

namespace fs = std::filesystem;
using namespace scandrel;
using cli::testing::Result;
using cli::testing::slurp;
using db::writer::ClinicWriter;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

std::string lastLine(const std::string& text) {
    std::string trimmed = text;
    if (!trimmed.empty() && trimmed.back() == '\n') trimmed.pop_back();
    const size_t nl = trimmed.rfind('\n');
    return nl == std::string::npos ? trimmed : trimmed.substr(nl + 1);
}

Value birthDate(int year, int month, int day) {
    text::DateTime dt;
    dt.year = year;
    dt.month = month;
    dt.day = day;
    return Value::date(text::serialFromDateTime(dt));
}

class SearchCommand : public cli::testing::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        clinic_ = (dir_ / "clinica.mdb").string();
    }

    void writeClinic() {
        ClinicWriter clinic(clinic_);
        maria_ = clinic.add(db::writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"MARIA DA SILVA")},
                                                     {u"Paci_dt_DataNascimentoPaciente", birthDate(1961, 3, 7)}});
        clinic.add(db::writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"JOSÉ SOUZA")}});
        joao_ = clinic.add(db::writer::kPacientes, {{u"Paci_tx_NomePaciente", Value::text(u"JOÃO SILVA")},
                                                    {u"Paci_tx_EstadoCivilPaciente", Value::text(u"C")}});
        clinic.add(db::writer::kAnamneses, {{u"Anam_ln_Paciente", Value::longValue(joao_)},
                                            {u"Anam_me_TextoAnamnese", Value::text(u"{\\rtf1 {\\b asma} leve}")}});
        clinic.finish();
    }

    std::string clinic_;
    int32_t maria_ = 0, joao_ = 0;
};

TEST_F(SearchCommand, ListsRowsAndEndsWithTheStatusLine) {
    writeClinic();
    Result r = run({"search", clinic_, "Silva"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "JOÃO SILVA\nMARIA DA SILVA (Nascimento: 07/03/1961)\n");
    EXPECT_EQ(r.err, "Pesquisa concluída. Foram encontrados 2 resultados.\n");  // no progress off a terminal

    // The words are the text of the search box, joined by single spaces.
    r = run({"search", "--ids", clinic_, "asma", "CASADO"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(joao_) + "\tJOÃO SILVA\n");
    EXPECT_EQ(r.err, "Pesquisa concluída. Foi encontrado 1 resultado.\n");

    r = run({"search", clinic_, "ortopedia"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Pesquisa concluída. Não foram encontradas ocorrências para sua pesquisa.\n");
}

TEST_F(SearchCommand, EmptyTextAndUsageErrorsExitWithTwo) {
    writeClinic();
    Result r = run({"search", clinic_});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "É necessário digitar algo no campo de busca.\n");
    r = run({"search"});
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.err, HasSubstr("uso: scandrel search DB"));
    r = run({"search", clinic_, "--idz", "maria"});
    EXPECT_EQ(r.status, 2);
}

TEST_F(SearchCommand, DatabaseErrorsPrintNumberAndDescriptionWithoutACompletionAndExitWithOne) {
    Result r = run({"search", (dir_ / "movido.mdb").string(), "maria"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, ::testing::StartsWith("3024: "));
    EXPECT_THAT(r.err, HasSubstr("movido.mdb"));
    EXPECT_THAT(r.err, Not(HasSubstr("Pesquisa concluída")));
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);

    // A patient table without rows is reported, not failed.
    {
        ClinicWriter empty(clinic_);
        empty.finish();
    }
    r = run({"search", clinic_, "maria"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "O banco de dados selecionado não possui registros.\n");
}

TEST_F(SearchCommand, InterruptStopsAfterThePatientAtHand) {
    // More rows than a pipe holds: the program blocks writing them until we read.
    constexpr int kPatients = 4000;
    {
        ClinicWriter clinic(clinic_);
        for (int i = 0; i < kPatients; ++i) {
            clinic.add(db::writer::kPacientes,
                       {{u"Paci_tx_NomePaciente", Value::text(u"PACIENTE COM UM NOME BEM COMPRIDO " +
                                                              std::u16string(1, static_cast<char16_t>(u'A' + i % 26)))}});
        }
        clinic.finish();
    }
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const fs::path errPath = dir_ / "stderr";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(out[1], 1);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(err, 2);
        ::close(out[0]);
        ::execl(SCANDREL_CLI, SCANDREL_CLI, "search", clinic_.c_str(), "paciente", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string rows;
    char chunk[4096];
    ssize_t n = ::read(out[0], chunk, sizeof chunk);
    ASSERT_GT(n, 0);
    rows.append(chunk, static_cast<size_t>(n));
    ::kill(child, SIGINT);
    while ((n = ::read(out[0], chunk, sizeof chunk)) > 0) rows.append(chunk, static_cast<size_t>(n));
    ::close(out[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);

    const auto listed = std::count(rows.begin(), rows.end(), '\n');
    EXPECT_GT(listed, 0);
    EXPECT_LT(listed, kPatients);
    EXPECT_EQ(lastLine(slurp(errPath)),
              listed == 1 ? "Pesquisa concluída. Foi encontrado 1 resultado."
                          : "Pesquisa concluída. Foram encontrados " + std::to_string(listed) + " resultados.");
}

TEST_F(SearchCommand, TextShowsWhatTheSearchLooksIn) {
    writeClinic();
    Result r = run({"text", clinic_, std::to_string(joao_)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "JOaO SILVA C casado casadaativo ativa asma leve\n");

    r = run({"text", clinic_, "999"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "3021: Nenhum paciente com o contador 999 neste banco de dados.\n");
    EXPECT_EQ(r.out, "");

    r = run({"text", clinic_, "doze"});
    EXPECT_EQ(r.status, 2);
    r = run({"text", (dir_ / "movido.mdb").string(), "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, ::testing::StartsWith("3024: "));
}

TEST_F(SearchCommand, WhyFollowsEachRowWithWhereItsWordsWereFound) {
    writeClinic();
    Result r = run({"search", clinic_, "--why", "Silva", "asma"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "JOÃO SILVA\n"
              "    silva — Cadastro do paciente: «JOÃO [SILVA]»\n"
              "    asma — Anamnese (texto): «[asma] leve»\n");
    EXPECT_EQ(r.err, "Pesquisa concluída. Foi encontrado 1 resultado.\n");

    // Inside a longer word, and with the counters.
    r = run({"search", "--ids", "--why", clinic_, "ilv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(joao_) + "\tJOÃO SILVA\n"
                     "    ilv — Cadastro do paciente: «JOÃO S[ILV]A» (parte de «SILVA»)\n" +
                     std::to_string(maria_) + "\tMARIA DA SILVA (Nascimento: 07/03/1961)\n"
                     "    ilv — Cadastro do paciente: «MARIA DA S[ILV]A» (parte de «SILVA»)\n");
}

TEST_F(SearchCommand, TextWithSourcesPutsEachSourceOnItsLine) {
    writeClinic();
    Result r = run({"text", clinic_, std::to_string(joao_), "--sources"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "[Cadastro do paciente] JOaO SILVA C casado casadaativo ativa\n"
                     "[Anamnese (texto)] asma leve\n");
    r = run({"text", clinic_, std::to_string(joao_), "--fontes"});
    EXPECT_EQ(r.status, 2);
}

}  // namespace
