#include "db/odbc/connection_string.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "db/base/errors.h"

namespace scandrel::db::odbc {
namespace {

bool isControl(char16_t c) { return c < 0x20 || c == 0x7F; }

char16_t lowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// A key as compared: ASCII letters in lower case, without spaces and underscores
// ("Trusted_Connection", "Data Source").
std::u16string folded(std::u16string_view key) {
    std::u16string out;
    out.reserve(key.size());
    for (const char16_t c : key) {
        if (c == u' ' || c == u'_') continue;
        out += lowerAscii(c);
    }
    return out;
}

bool contains(std::u16string_view text, std::u16string_view part) { return text.find(part) != text.npos; }

template <size_t N>
bool containsAny(std::u16string_view text, const std::array<std::u16string_view, N>& parts) {
    return std::any_of(parts.begin(), parts.end(), [&](std::u16string_view part) { return contains(text, part); });
}

// The driver manager's own keys for other ways to connect (a file data source,
// saving one) and its extensions (unixODBC's DMEnvAttr sets the process's
// environment, DMConnAttr a trace file or a translation library to load).
bool driverManagerKey(std::u16string_view key) {
    return key.starts_with(u"dm") || key == u"savefile" || (key != u"dsn" && contains(key, u"dsn"));
}

// Keys that make a driver read, write or load a file: left out of the string.
bool touchesFiles(std::u16string_view key) {
    static constexpr std::array<std::u16string_view, 8> parts = {u"file", u"path", u"dir",      u"lib",
                                                                 u"dll",  u"trace", u"translat", u"setup"};
    return containsAny(key, parts);
}

// Keys that say where to connect: with DSN= they would send the data source's
// stored credentials to a server the file chose, so they are left out and the
// data source's own settings apply.
bool redirects(std::u16string_view key) {
    static constexpr std::array<std::u16string_view, 23> keys = {
        u"server",  u"servername", u"serverlist", u"servernode",     u"serverspn", u"host",     u"hostname",
        u"hostaddr", u"address",   u"addr",       u"networkaddress", u"net",       u"network",  u"port",
        u"portnumber", u"dbq",     u"datasource", u"failoverpartner", u"service",  u"servicename", u"instance",
        u"url",     u"uri"};
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

bool isFalse(std::u16string_view value) {
    const std::u16string v = folded(value);
    return v.empty() || v == u"no" || v == u"false" || v == u"0" || v == u"off" || v == u"disable" ||
           v == u"disabled";
}

// Keys that log on with the user's own Windows account: without DSN= the file
// would pick the server that receives it.
bool usesWindowsLogOn(const std::u16string& key, std::u16string_view value) {
    static constexpr std::array<std::u16string_view, 5> parts = {u"trusted", u"integrated", u"kerberos", u"sspi",
                                                                 u"gss"};
    if (containsAny(key, parts)) return !isFalse(value);
    if (key == u"authentication") {
        const std::u16string v = folded(value);
        return contains(v, u"integrated") || contains(v, u"windows") || contains(v, u"kerberos");
    }
    return false;
}

constexpr std::u16string_view kNoName = u"(cadeia de conexão ODBC)";

Error refused(const ConnectString& connect, std::u16string_view table, std::u16string_view why) {
    return connectionRefused(connect.describe(), table, why);
}

}  // namespace

bool sameOdbcName(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

bool isSecretKey(std::u16string_view key) {
    static constexpr std::array<std::u16string_view, 6> parts = {u"pwd", u"password", u"passwd", u"secret", u"token",
                                                                 u"key"};
    return containsAny(folded(key), parts);
}

ConnectString ConnectString::parse(std::u16string_view text) {
    ConnectString out;
    const auto fail = [&](std::u16string why) {
        out.malformed_ = std::move(why);
        return out;
    };
    std::unordered_set<std::u16string> seen;  // keys, folded
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] == u';' || text[at] == u' ') {
            ++at;
            continue;
        }
        const size_t equals = text.find(u'=', at);
        const size_t semicolon = text.find(u';', at);
        if (equals == text.npos || (semicolon != text.npos && semicolon < equals))
            return fail(u"tem um trecho sem '='");
        std::u16string_view key = text.substr(at, equals - at);
        while (!key.empty() && key.back() == u' ') key.remove_suffix(1);
        if (key.empty()) return fail(u"tem um valor sem nome");
        for (const char16_t c : key)
            if (isControl(c) || contains(u"[]{}(),;?*!@", std::u16string_view(&c, 1)))
                return fail(u"tem um nome de atributo com caracteres inválidos");
        at = equals + 1;
        std::u16string value;
        if (at < text.size() && text[at] == u'{') {
            ++at;
            bool closed = false;
            while (at < text.size()) {
                if (text[at] == u'}') {
                    if (at + 1 < text.size() && text[at + 1] == u'}') {
                        value += u'}';
                        at += 2;
                        continue;
                    }
                    ++at;
                    closed = true;
                    break;
                }
                value += text[at++];
            }
            if (!closed) return fail(u"tem uma chave '{' sem a '}' que a fecha");
            while (at < text.size() && text[at] == u' ') ++at;
            if (at < text.size() && text[at] != u';') return fail(u"tem texto depois de um valor entre chaves");
        } else {
            const size_t end = text.find(u';', at);
            value = text.substr(at, end == text.npos ? text.npos : end - at);
            at = end == text.npos ? text.size() : end;
        }
        if (std::any_of(value.begin(), value.end(), isControl)) return fail(u"tem caracteres de controle");
        if (seen.insert(folded(key)).second) out.attributes_.push_back({std::u16string(key), std::move(value)});
    }
    return out;
}

const std::u16string* ConnectString::find(std::u16string_view key) const {
    const std::u16string wanted = folded(key);
    for (const ConnectAttribute& a : attributes_)
        if (folded(a.key) == wanted) return &a.value;
    return nullptr;
}

std::u16string ConnectString::describe() const {
    if (const std::u16string* dsn = find(u"DSN"); dsn && !dsn->empty()) return *dsn;
    const std::u16string* server = nullptr;
    for (const std::u16string_view key : {u"SERVER", u"HOST", u"HOSTNAME", u"SERVERNAME", u"ADDRESS", u"ADDR",
                                          u"Data Source", u"DBQ"}) {
        server = find(key);
        if (server && !server->empty()) break;
        server = nullptr;
    }
    const std::u16string* driver = find(u"DRIVER");
    if (driver && !driver->empty()) return *driver;
    return server ? *server : std::u16string(kNoName);
}

std::u16string ConnectString::withoutSecrets(std::u16string text) const {
    for (const ConnectAttribute& a : attributes_) {
        // Very short values would blot out ordinary words; such a password is no secret.
        if (!isSecretKey(a.key) || a.value.size() < 3) continue;
        for (size_t at = text.find(a.value); at != text.npos; at = text.find(a.value, at + 3))
            text.replace(at, a.value.size(), u"***");
    }
    return text;
}

void ConnectString::set(std::u16string_view key, std::u16string value) {
    const std::u16string wanted = folded(key);
    std::erase_if(attributes_, [&](const ConnectAttribute& a) { return folded(a.key) == wanted; });
    attributes_.push_back({std::u16string(key), std::move(value)});
}

namespace {

bool isMariaDb(std::u16string_view driver) {
    std::u16string name;
    for (const char16_t c : driver) name += lowerAscii(c);
    return contains(name, u"mariadb");
}

}  // namespace

std::pair<std::u16string, TextEncoding> withTextEncoding(std::u16string_view accepted, std::u16string_view driver) {
    if (!isMariaDb(driver)) return {std::u16string(accepted), TextEncoding::Utf16};
    ConnectString connect = ConnectString::parse(accepted);
    connect.set(u"CHARSET", u"utf8mb4");
    return {connect.text(), TextEncoding::Utf8};
}

std::u16string withConnectTimeLimit(std::u16string_view accepted, std::u16string_view driver, unsigned seconds) {
    if (!isMariaDb(driver)) return std::u16string(accepted);
    ConnectString connect = ConnectString::parse(accepted);
    const std::string digits = std::to_string(seconds);
    connect.set(u"CONN_TIMEOUT", std::u16string(digits.begin(), digits.end()));
    return connect.text();
}

std::u16string ConnectString::text() const {
    std::u16string out;
    for (const ConnectAttribute& a : attributes_) {
        out += a.key;
        out += u'=';
        const bool braced = folded(a.key) == u"driver" || a.value.find_first_of(u";{}") != a.value.npos ||
                            (!a.value.empty() && (a.value.front() == u' ' || a.value.back() == u' '));
        if (braced) {
            out += u'{';
            for (const char16_t c : a.value) {
                out += c;
                if (c == u'}') out += c;
            }
            out += u'}';
        } else {
            out += a.value;
        }
        out += u';';
    }
    return out;
}

std::u16string_view withoutOdbcMark(std::u16string_view stored) {
    if (stored.size() >= 5 && folded(stored.substr(0, 4)) == u"odbc" && stored[4] == u';') stored.remove_prefix(5);
    return stored;
}

std::u16string connectionName(std::u16string_view stored) {
    return ConnectString::parse(withoutOdbcMark(stored)).describe();
}

std::u16string acceptedConnectString(std::u16string_view stored, std::u16string_view table, const Known& known) {
    const ConnectString connect = ConnectString::parse(withoutOdbcMark(stored));
    if (connect.malformed()) throw refused(connect, table, *connect.malformed());
    for (const ConnectAttribute& a : connect.attributes())
        if (driverManagerKey(folded(a.key)))
            throw refused(connect, table, u"usa '" + a.key + u"', que o gerenciador de drivers trata à parte");
    const std::u16string* dsn = connect.find(u"DSN");
    const std::u16string* driver = connect.find(u"DRIVER");
    if (!dsn == !driver)
        throw refused(connect, table,
                      dsn ? u"nomeia ao mesmo tempo uma fonte de dados (DSN=) e um driver (DRIVER=)"
                          : u"não nomeia uma fonte de dados (DSN=) nem um driver (DRIVER=)");
    const std::u16string& named = dsn ? *dsn : *driver;
    if (named.empty() || named.find_first_of(u"/\\") != named.npos)
        throw refused(connect, table,
                      dsn ? u"nomeia a fonte de dados por um caminho" : u"nomeia o driver por um caminho de arquivo");
    ConnectString kept;
    for (const ConnectAttribute& a : connect.attributes()) {
        const std::u16string key = folded(a.key);
        if (!dsn && usesWindowsLogOn(key, a.value))
            throw refused(connect, table,
                          u"pede com '" + a.key +
                              u"' o logon do Windows do usuário para um servidor escolhido pelo próprio arquivo "
                              u"(para isso, configure uma fonte de dados e use DSN=)");
        if (touchesFiles(key) || (dsn && redirects(key))) continue;
        kept.attributes_.push_back(a);
    }
    if (dsn && !(known.dataSource && known.dataSource(*dsn)))
        throw refused(connect, table, u"nomeia uma fonte de dados que não está configurada neste computador");
    if (driver && !(known.driver && known.driver(*driver)))
        throw refused(connect, table, u"nomeia um driver que não está instalado neste computador");
    return kept.text();
}

}  // namespace scandrel::db::odbc
