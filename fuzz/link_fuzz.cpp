// libFuzzer target for what a front-end's link rows say about a database server:
// the ODBC connection string and the rule that decides whether a link may use it,
// and the table and column names written into the SQL sent there. The driver
// manager is never asked: the rule is given fixed lists of installed drivers and
// data sources. Errors the rule reports (3151, 3125) are expected; a crash, a
// sanitizer report, an accepted string that breaks the rule's promises, or a
// message that shows a password is a finding.
//
// The first byte chooses what the rest is (a connection string, or a name with or
// without a quote character); the rest is text, one byte a character, so that
// NULs, control characters and braces are all reachable.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "db/odbc/connection_string.h"
#include "db/base/errors.h"
#include "db/odbc/sql_name.h"
#include "text/error.h"

namespace {

using scandrel::Error;
namespace db = scandrel::db;
namespace odbc = scandrel::db::odbc;

void check(bool promise) {
    if (!promise) __builtin_trap();
}

const odbc::Known& fakeInstalled() {
    static const odbc::Known known{
        [](std::u16string_view name) {
            return odbc::sameOdbcName(name, u"PostgreSQL Unicode") || odbc::sameOdbcName(name, u"SQL Server");
        },
        [](std::u16string_view name) { return odbc::sameOdbcName(name, u"Clinica"); }};
    return known;
}

// The message a string gets when it is refused; empty when it is accepted.
std::u16string refusal(const std::u16string& text, const std::u16string& table) {
    try {
        (void)odbc::acceptedConnectString(text, table, fakeInstalled());
        return {};
    } catch (const Error& e) {
        return e.description();
    }
}

// A password is shown when the message holds it and would read otherwise had the
// password been another. The same letters may also be the message's own words, or
// a name it quotes followed by its quote mark; and a password that is part of a
// name or value the string holds openly is no secret.
void checkNoSecretShown(const std::u16string& text, const odbc::ConnectString& parsed, const std::u16string& table,
                        const std::u16string& message) {
    // The name the message gives the connection is one the string holds openly.
    const std::u16string described = parsed.describe();
    check(described == odbc::connectionName(u"") ||
          std::any_of(parsed.attributes().begin(), parsed.attributes().end(), [&](const odbc::ConnectAttribute& a) {
              return !odbc::isSecretKey(a.key) && a.value == described;
          }));
    std::u16string open = table;
    for (const odbc::ConnectAttribute& a : parsed.attributes()) {
        open += u'\uFFFF' + a.key;
        if (!odbc::isSecretKey(a.key)) open += u'\uFFFF' + a.value;
    }
    for (const odbc::ConnectAttribute& a : parsed.attributes()) {
        const std::u16string& secret = a.value;
        if (!odbc::isSecretKey(a.key) || secret.size() < 3 || message.find(secret) == std::u16string::npos ||
            open.find(secret) != std::u16string::npos)
            continue;
        // A password holding characters the string's syntax gives a meaning to can't
        // be changed alone: changing them would change what the string says.
        if (secret.find_first_of(u"=;{}[](),?*!@ ") != std::u16string::npos) continue;
        // The same string with another password, letter for letter, wherever a value
        // starts with it; the "ODBC;" mark and the keys are left as they are.
        const std::u16string_view body = odbc::withoutOdbcMark(text);
        std::u16string other(body);
        for (size_t at = other.find(secret); at != std::u16string::npos; at = other.find(secret, at + 1)) {
            if (at > 0 && (other[at - 1] == u'=' || other[at - 1] == u'{'))
                other.replace(at, secret.size(), std::u16string(secret.size(), u'\u0100'));
        }
        check(refusal(text.substr(0, text.size() - body.size()) + other, table) == message);
    }
}

void connectString(const std::u16string& text) {
    const std::u16string table = u"Pacientes";
    const odbc::ConnectString parsed = odbc::ConnectString::parse(odbc::withoutOdbcMark(text));
    (void)odbc::connectionName(text);
    try {
        const std::u16string accepted = odbc::acceptedConnectString(text, table, fakeInstalled());
        // What the driver manager is given reads back as itself, names exactly one
        // installed driver or configured data source, and nothing the driver
        // manager treats on its own.
        const odbc::ConnectString again = odbc::ConnectString::parse(accepted);
        check(!again.malformed());
        check(again.text() == accepted);
        const std::u16string* dsn = again.find(u"DSN");
        const std::u16string* driver = again.find(u"DRIVER");
        check((dsn == nullptr) != (driver == nullptr));
        if (dsn) check(fakeInstalled().dataSource(*dsn));
        if (driver) check(fakeInstalled().driver(*driver) && driver->find_first_of(u"/\\") == std::u16string::npos);
        check(!again.find(u"FILEDSN") && !again.find(u"SAVEFILE") && !again.find(u"DMEnvAttr") &&
              !again.find(u"DMConnAttr"));
        if (dsn) check(!again.find(u"SERVER") && !again.find(u"HOST") && !again.find(u"PORT"));
    } catch (const Error& e) {
        check(e.number() == db::kConnectionFailed);
        checkNoSecretShown(text, parsed, table, e.description());
    }
}

void name(const std::u16string& text, std::u16string_view quote) {
    try {
        const std::u16string sent = odbc::sqlName(text, quote);
        check(sent.find(u'\0') == std::u16string::npos);
        if (quote.empty()) check(sent == text);
    } catch (const Error& e) {
        check(e.number() == odbc::kInvalidName);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::u16string text(data + 1, data + size);  // one byte a character
    switch (data[0] % 3) {
    case 0: connectString(text); break;
    case 1: name(text, u"\""); break;
    default: name(text, u""); break;
    }
    return 0;
}
