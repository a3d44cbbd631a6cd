// Connection strings of links read as the driver manager reads them, and the rule
// that decides which of them a link from a file may use; names sent to a server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "db/odbc/connection_string.h"
#include "db/base/errors.h"
#include "db/odbc/sql_name.h"
#include "testing/jet_test_files.h"
#include "text/utf.h"

namespace scandrel::db::odbc {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// What the rule is told is installed; the driver manager is never asked here.
const Known kInstalled{[](std::u16string_view name) { return name == u"PostgreSQL Unicode"; },
                       [](std::u16string_view name) { return name == u"Clinica"; }};

std::string accepted(std::u16string_view stored) {
    return toUtf8(acceptedConnectString(stored, u"Pacientes", kInstalled));
}

// The description of the 3151 the rule gives, or "" when it accepts the string.
std::string refusal(std::u16string_view stored) {
    try {
        (void)acceptedConnectString(stored, u"Pacientes", kInstalled);
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), kConnectionFailed);
        return toUtf8(e.description());
    }
    return {};
}

TEST(ConnectStrings, AreReadByTheDriverManagersRules) {
    const ConnectString s = ConnectString::parse(u" dsn =Clinica;PWD={a;b}}c};;Uid=x;DSN=Outra;Vazio=");
    EXPECT_FALSE(s.malformed());
    ASSERT_EQ(s.attributes().size(), 4u);
    EXPECT_EQ(*s.find(u"DSN"), u"Clinica");  // keys without regard to case; the first one wins
    EXPECT_EQ(*s.find(u"pwd"), u"a;b}c");
    EXPECT_EQ(*s.find(u"UID"), u"x");
    EXPECT_EQ(*s.find(u"vazio"), u"");
    EXPECT_EQ(s.text(), u"dsn=Clinica;PWD={a;b}}c};Uid=x;Vazio=;");

    for (const std::u16string_view bad : std::initializer_list<std::u16string_view>{u"DSN={Clinica", u"DSN={Cli}nica", u"Clinica", u"=x", u"DS[N]=x",
                                          std::u16string_view(u"DSN=Cli\0nica", 12), u"PWD=a\x1b[2Jb"})
        EXPECT_TRUE(ConnectString::parse(bad).malformed()) << toUtf8(bad);
}

TEST(ConnectStrings, ADataSourceOrADriverThatIsInstalledIsKept) {
    EXPECT_EQ(accepted(u"ODBC;DSN=Clinica;UID=sa;PWD=Segredo123;DATABASE=clinica"),
              "DSN=Clinica;UID=sa;PWD=Segredo123;DATABASE=clinica;");
    EXPECT_EQ(accepted(u"ODBC;DRIVER={PostgreSQL Unicode};SERVER=/tmp/sock;PORT=5432;DATABASE=clinica;UID=postgres;"
                       u"BoolsAsChar=0"),
              "DRIVER={PostgreSQL Unicode};SERVER=/tmp/sock;PORT=5432;DATABASE=clinica;UID=postgres;BoolsAsChar=0;");
}

TEST(ConnectStrings, ToMariaDBsDriverCarryOurTimeLimitOnConnectingInPlaceOfTheLinks) {
    const std::u16string link = u"DRIVER={MariaDB Unicode};SOCKET=/tmp/s;conn_timeout=0;DATABASE=clinica;";
    EXPECT_EQ(toUtf8(withConnectTimeLimit(link, u"MariaDB Unicode", 15)),
              "DRIVER={MariaDB Unicode};SOCKET=/tmp/s;DATABASE=clinica;CONN_TIMEOUT=15;");
    // A data source is named by its driver.
    EXPECT_EQ(toUtf8(withConnectTimeLimit(u"DSN=Clinica;", u"MariaDB ODBC 3.1 Driver", 15)), "DSN=Clinica;CONN_TIMEOUT=15;");
    EXPECT_EQ(toUtf8(withConnectTimeLimit(u"DSN=Clinica;CONN_TIMEOUT=0;", u"PostgreSQL Unicode", 15)),
              "DSN=Clinica;CONN_TIMEOUT=0;");
}

TEST(ConnectStrings, ToMariaDBsDriverAskForUtf8TextsInPlaceOfTheLinksCharacterSet) {
    const auto [maria, encoding] =
        withTextEncoding(u"DRIVER={MariaDB Unicode};SOCKET=/tmp/s;charset=latin1;DATABASE=clinica;", u"MariaDB Unicode");
    EXPECT_EQ(toUtf8(maria), "DRIVER={MariaDB Unicode};SOCKET=/tmp/s;DATABASE=clinica;CHARSET=utf8mb4;");
    EXPECT_EQ(encoding, TextEncoding::Utf8);
    const auto [postgres, wide] = withTextEncoding(u"DSN=Clinica;CHARSET=latin1;", u"PostgreSQL Unicode");
    EXPECT_EQ(toUtf8(postgres), "DSN=Clinica;CHARSET=latin1;");
    EXPECT_EQ(wide, TextEncoding::Utf16);
}

TEST(ConnectStrings, ThatLoadCodeOrReachOtherFilesAreRefusedBeforeAnyConnection) {
    EXPECT_THAT(refusal(u"ODBC;DRIVER=/tmp/x/evil.so;"), HasSubstr("nomeia o driver por um caminho de arquivo"));
    EXPECT_THAT(refusal(u"ODBC;DRIVER={C:\\x\\evil.dll};"), HasSubstr("caminho"));
    EXPECT_THAT(refusal(u"ODBC;DRIVER=libevil.so;"), HasSubstr("driver que não está instalado"));
    EXPECT_THAT(refusal(u"ODBC;DSN=Outra;"), HasSubstr("fonte de dados que não está configurada"));
    EXPECT_THAT(refusal(u"ODBC;FILEDSN=\\\\host\\x.dsn;"), HasSubstr("DSN="));
    EXPECT_THAT(refusal(u"ODBC;DSN=Clinica;FILEDSN=\\\\host\\x.dsn"), HasSubstr("'FILEDSN'"));
    EXPECT_THAT(refusal(u"ODBC;DSN=Clinica;SAVEFILE=c:\\x.dsn"), HasSubstr("'SAVEFILE'"));
    EXPECT_THAT(refusal(u"ODBC;DSN=Clinica;DMEnvAttr=SQL_ATTR_UNIXODBC_ENVATTR={LD_PRELOAD=/tmp/x.so}"),
                HasSubstr("'DMEnvAttr'"));
    EXPECT_THAT(refusal(u"ODBC;DSN=Clinica;DMConnAttr=[1016]=\\/tmp/x.so"), HasSubstr("'DMConnAttr'"));
    EXPECT_THAT(refusal(u"ODBC;DSN=Clinica;DRIVER={PostgreSQL Unicode}"), HasSubstr("ao mesmo tempo"));
    EXPECT_THAT(refusal(u"ODBC;UID=sa"), HasSubstr("não nomeia"));
    EXPECT_THAT(refusal(u"ODBC;DSN={Clinica"), HasSubstr("'{'"));
    // Keys that make a driver read, write or load a file are left out.
    EXPECT_EQ(accepted(u"DRIVER={PostgreSQL Unicode};TraceFile=/tmp/t;TranslationDLL=x.dll;AttachDBFileName=\\\\h\\x"),
              "DRIVER={PostgreSQL Unicode};");
}

TEST(ConnectStrings, NeverSendADataSourcesCredentialsOrTheUsersLogOnElsewhere) {
    // With DSN= the data source says where the server is: a server from the file is left out.
    EXPECT_EQ(accepted(u"ODBC;DSN=Clinica;SERVER=other-host;Address=10.0.0.9,1433;PORT=1;Data Source=x"),
              "DSN=Clinica;");
    EXPECT_EQ(accepted(u"ODBC;DSN=Clinica;Trusted_Connection=yes;SERVER=other-host"),
              "DSN=Clinica;Trusted_Connection=yes;");
    // Without it, the file would choose the server that receives the user's Windows log-on.
    EXPECT_THAT(refusal(u"ODBC;DRIVER={PostgreSQL Unicode};Trusted_Connection=yes;SERVER=other-host"),
                HasSubstr("'Trusted_Connection'"));
    EXPECT_THAT(refusal(u"ODBC;DRIVER={PostgreSQL Unicode};Integrated Security=SSPI;SERVER=other-host"),
                HasSubstr("logon do Windows"));
    EXPECT_EQ(accepted(u"ODBC;DRIVER={PostgreSQL Unicode};Trusted_Connection=no;GssAuthUseGSS=0;SERVER=h"),
              "DRIVER={PostgreSQL Unicode};Trusted_Connection=no;GssAuthUseGSS=0;SERVER=h;");
}

TEST(ConnectStrings, AreNamedInMessagesByDataSourceDriverOrServerNeverByTheirSecrets) {
    EXPECT_EQ(connectionName(u"ODBC;SERVER=10.0.0.5;UID=sa;PWD=Segredo123"), u"10.0.0.5");
    EXPECT_EQ(connectionName(u"ODBC;DRIVER={SQL Server};SERVER=10.0.0.5;UID=sa;PWD=Segredo123"),
              u"SQL Server");
    EXPECT_EQ(connectionName(u"ODBC;DSN=Clinica;UID=sa;PWD=Segredo123"), u"Clinica");
    EXPECT_EQ(connectionName(u"ODBC;UID=sa;PWD=Segredo123"), u"(cadeia de conexão ODBC)");
    EXPECT_EQ(connectionName(u"ODBC;PWD={Segredo123"), u"(cadeia de conexão ODBC)");

    const std::string message = refusal(u"ODBC;SERVER=10.0.0.5;UID=sa;PWD=Segredo123");
    EXPECT_THAT(message, HasSubstr("Falha na conexão ODBC com '10.0.0.5'. A tabela vinculada 'Pacientes'"));
    EXPECT_THAT(message, Not(HasSubstr("Segredo123")));
    EXPECT_THAT(message, Not(HasSubstr("UID=sa")));

    const ConnectString s = ConnectString::parse(u"DSN=Clinica;PWD=Segredo123;AccessToken=abcdef");
    EXPECT_EQ(s.withoutSecrets(u"login 'Segredo123' com abcdef recusado"), u"login '***' com *** recusado");
}

TEST(ServerNames, AreQuotedOrWithoutAQuoteCharacterOnlyPlain) {
    EXPECT_EQ(sqlName(u"public.Pacientes", u"\""), u"\"public\".\"Pacientes\"");
    EXPECT_EQ(sqlName(u"a\"b; DROP", u"\""), u"\"a\"\"b; DROP\"");
    EXPECT_EQ(sqlName(u"dbo.Paci_tx_Nome2", u""), u"dbo.Paci_tx_Nome2");
    for (const std::u16string_view bad : {u"Pacientes; DROP TABLE x", u"a b", u"1a", u"a..b", u"a.", u"",
                                          u"Pac\u00edentes", u"x--"})
        EXPECT_EQ(db::testing::errorNumberOf([&] { sqlName(bad, u""); }), kInvalidName) << toUtf8(bad);
    // A NUL would cut the name short where the driver reads up to it.
    EXPECT_EQ(db::testing::errorNumberOf([&] { sqlName(std::u16string(u"Pacientes\0x", 11), u"\""); }), kInvalidName);
}

}  // namespace
}  // namespace scandrel::db::odbc
