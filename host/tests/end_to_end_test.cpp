// The stand-in host with the real plug-in, registered in the test prefix: a
// search typed into the real window lists exactly what `scandrel search` lists,
// and the picture of the window has the window's size.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/tests/png_reader.h"
#include "testing/test_clinic.h"
#include "testing/win32/run_process.h"
#include "testing/win32/scoped_registration.h"
#include "text/utf.h"

namespace scandrel::host::testing {
namespace {

using namespace scandrel::search::testing;
using namespace scandrel::cli::testing;
using scandrel::search::testing::text;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr DWORD kRunTimeout = 120'000;

std::wstring wide(const char* utf8) {
    const std::u16string text = fromUtf8(utf8);
    return std::wstring(text.begin(), text.end());
}

// A file of the build tree, as Windows names it.
std::wstring builtFile(const char* path) {
    return scandrel::testing::fullPath(wide(path));
}

class StandInHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
#ifdef SCANDREL_PLUGIN_DLL
        try {
            registration_ = std::make_unique<scandrel::testing::ScopedRegistration>(
                scandrel::testing::fullPath(SCANDREL_PLUGIN_DLL));
        } catch (const std::exception& e) {
            registrationFailure_ = e.what();
        }
#else
        registrationFailure_ = "the plug-in is not built in this tree";
#endif
    }
    static void TearDownTestSuite() {
        registration_.reset();
    }
    void SetUp() override {
        ASSERT_NE(registration_, nullptr) << registrationFailure_;
        writeClinic();
    }

    void writeClinic() {
        ClinicWriter clinic(file);
        const int32_t ana = clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"ANA SILVA")},
                                                    {u"Paci_dt_DataNascimentoPaciente", date(1980, 2, 1)}});
        clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"JOÃO DA SILVA")},
                                {u"Paci_dt_DataNascimentoPaciente", date(1975, 12, 31)}});
        clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"MARIA SOUZA")},
                                {u"Paci_tx_CidadePaciente", text(u"Silvânia")}});
        clinic.add(kPacientes, {{u"Paci_tx_NomePaciente", text(u"PEDRO SILVA")}});
        clinic.add(kAnamneses, {{u"Anam_ln_Paciente", number(ana)}, {u"Anam_tx_Diagnostico1", text(u"Asma leve")}});
        clinic.finish();
    }

    ProcessResult host(std::vector<std::wstring> arguments) {
        arguments.insert(arguments.begin(), {L"--db", file.wstring(), L"--timeout", L"90"});
        return runProcess(builtFile(SCANDREL_HOST_EXE), arguments, kRunTimeout);
    }

    // What the host reported under `key` ("resultado", "caixa", ...).
    static std::vector<std::string> reported(const ProcessResult& run, const std::string& key) {
        std::vector<std::string> values;
        for (const std::string& line : lines(run.out)) {
            if (line.rfind(key + ": ", 0) == 0) values.push_back(line.substr(key.size() + 2));
        }
        return values;
    }

    std::vector<std::string> commandLineRows(const std::vector<std::wstring>& words) {
        std::vector<std::wstring> arguments = {L"search", file.wstring()};
        arguments.insert(arguments.end(), words.begin(), words.end());
        const ProcessResult run = runProcess(builtFile(SCANDREL_CLI_EXE), arguments, kRunTimeout);
        EXPECT_FALSE(run.timedOut);
        std::vector<std::string> rows = lines(run.out);
        return rows;
    }

    static inline std::unique_ptr<scandrel::testing::ScopedRegistration> registration_;
    static inline std::string registrationFailure_;
    TempDir dir;
    fs::path file = dir / "clínica ação.mdb";
};

TEST_F(StandInHost, TypedSearchListsWhatTheCommandLineListsAndPicturesTheWindow) {
    ComSession com;
    const fs::path picture = dir / "janela.png";
    for (const auto& words : std::vector<std::vector<std::wstring>>{{L"silva"}, {L"silva", L"asma"}, {L"joão"}}) {
        std::wstring typed;
        for (const std::wstring& word : words) typed += (typed.empty() ? L"" : L" ") + word;
        const ProcessResult run = host({L"--search", typed, L"--screenshot", picture.wstring(), L"--time"});
        const std::string label = toUtf8(std::u16string(typed.begin(), typed.end()));
        ASSERT_FALSE(run.timedOut) << label << "\n" << run.out;
        EXPECT_EQ(run.exitCode, 0u) << label << "\n" << run.out;
        EXPECT_THAT(reported(run, "caixa"), IsEmpty()) << label;
        EXPECT_EQ(reported(run, "resultado"), commandLineRows(words)) << label;
        EXPECT_EQ(reported(run, "tempo").size(), 1u) << label;
    }
    // Created by class id instead of ProgID, the same.
    EXPECT_EQ(reported(host({L"--clsid", L"--search", L"silva"}), "resultado"),
              (std::vector<std::string>{"ANA SILVA (Nascimento: 01/02/1980)", "JOÃO DA SILVA (Nascimento: 31/12/1975)",
                                        "MARIA SOUZA", "PEDRO SILVA"}));

    std::ifstream in(picture, std::ios::binary);
    const std::vector<uint8_t> png{std::istreambuf_iterator<char>(in), {}};
    const auto image = decodePngWithPlatform(png);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 452u);
    EXPECT_EQ(image->height, 338u);
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < image->pixels.size(); i += 3)
        colours.insert(uint32_t{image->pixels[i]} << 16 | uint32_t{image->pixels[i + 1]} << 8 | image->pixels[i + 2]);
    EXPECT_GT(colours.size(), 3u) << "the picture looks blank";
}

TEST_F(StandInHost, ADoubleClickedRowOpensItsPatientInTheHost) {
    // The counters of the rows, as the command line lists them.
    std::vector<std::string> counters;
    const ProcessResult listed =
        runProcess(builtFile(SCANDREL_CLI_EXE), {L"search", file.wstring(), L"--ids", L"silva"}, kRunTimeout);
    for (const std::string& line : lines(listed.out)) counters.push_back(line.substr(0, line.find('\t')));
    ASSERT_EQ(counters.size(), 4u) << listed.out;

    const ProcessResult opened = host({L"--search", L"silva", L"--open", L"3"});
    ASSERT_FALSE(opened.timedOut) << opened.out;
    EXPECT_EQ(opened.exitCode, 0u) << opened.out;
    EXPECT_THAT(lines(opened.out), ::testing::Contains("LoadPacienteInterface " + counters[2]));
    EXPECT_THAT(reported(opened, "caixa"), IsEmpty());

    // A host whose opening fails: the user sees the host's error in a numbered box.
    const ProcessResult failed = host({L"--open-fails", L"--search", L"silva", L"--open", L"1"});
    ASSERT_FALSE(failed.timedOut) << failed.out;
    EXPECT_EQ(failed.exitCode, 1u);
    EXPECT_THAT(reported(failed, "caixa"),
                ElementsAre("Scandrel: 40016 Não foi possível abrir o paciente " + counters[0] + "."));
}

TEST_F(StandInHost, RefusedAccessShowsOnlyThePermissionBox) {
    for (const wchar_t* answer : {L"0", L"null"}) {
        const ProcessResult run = host({L"--access", answer, L"--search", L"silva"});
        ASSERT_FALSE(run.timedOut) << run.out;
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_THAT(reported(run, "caixa"),
                    ElementsAre("Erro: ERRO: Você não tem permissão para acessar esse recurso."));
        EXPECT_THAT(reported(run, "resultado"), IsEmpty());
    }
}

}  // namespace
}  // namespace scandrel::host::testing
