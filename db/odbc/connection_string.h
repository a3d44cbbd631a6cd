#pragma once
// The ODBC connection string of a linked table, read as the driver manager reads it,
// and the rule that decides whether a link from a file may use it. A front-end's
// link rows are plain data any user of the clinic can change, so the string is
// accepted only in the two forms a linked table legitimately has:
//   DSN=<a data source configured on this computer>;<attributes>
//   DRIVER={<a driver installed on this computer>};<attributes>
// and is handed to the driver manager rebuilt from what was checked, each key once.
// Pure text work: whether a driver or data source exists is asked through `Known`,
// so the rule runs (and is fuzzed) without a driver manager. Any thread.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/error.h"

namespace scandrel::db::odbc {

// How a driver is asked for texts: as UTF-16, or as the UTF-8 the server sends.
enum class TextEncoding : uint8_t { Utf16, Utf8 };

struct ConnectAttribute {
    std::u16string key;    // as written, spaces around it taken off
    std::u16string value;  // braces taken off, "}}" read as "}"
};

struct Known;

class ConnectString {
public:
    // Without Jet's "ODBC;" mark. Keys are compared without regard to case; the
    // first occurrence of a key wins, as with the Windows driver manager (later
    // ones are dropped, so no driver manager ever sees them).
    static ConnectString parse(std::u16string_view text);

    const std::vector<ConnectAttribute>& attributes() const { return attributes_; }
    // Why the text can't be read as a connection string; nullopt when it can.
    const std::optional<std::u16string>& malformed() const { return malformed_; }
    // The value of a key; nullptr when absent.
    const std::u16string* find(std::u16string_view key) const;

    // How messages name the connection: the data source, else the driver, else the
    // server; never a password or a user name.
    std::u16string describe() const;
    // `text` with every value of a secret key (password, token, ...) replaced by "***".
    std::u16string withoutSecrets(std::u16string text) const;
    // The string for the driver manager: every attribute, braced where its value
    // needs it.
    std::u16string text() const;
    // Sets `key` to `value`, in place of every value the string gave it.
    void set(std::u16string_view key, std::u16string value);

private:
    friend std::u16string acceptedConnectString(std::u16string_view, std::u16string_view, const Known&);
    std::vector<ConnectAttribute> attributes_;
    std::optional<std::u16string> malformed_;
};

// Whether two driver or data source names are the same: without regard to the case
// of ASCII letters, as the driver manager compares them.
bool sameOdbcName(std::u16string_view a, std::u16string_view b);

// Whether a key carries a secret: a password, a token, a key.
bool isSecretKey(std::u16string_view key);

// What is installed on this computer, as the driver manager lists it.
struct Known {
    std::function<bool(std::u16string_view)> driver;
    std::function<bool(std::u16string_view)> dataSource;
};

// The connection string to hand to the driver manager for the link of table
// `table`, stored as `stored` ("ODBC;DSN=..."), when the link may use it; else 3151
// naming the table and the connection and saying why.
std::u16string acceptedConnectString(std::u16string_view stored, std::u16string_view table, const Known& known);

// `accepted` (from acceptedConnectString) with the time limit on connecting that the
// driver named `driver` keeps only as an attribute of its own: MariaDB's driver waits
// for a silent server's greeting without end unless given CONN_TIMEOUT, whatever the
// login time-out. Ours replaces the link's. Other drivers' strings are left as they are.
std::u16string withConnectTimeLimit(std::u16string_view accepted, std::u16string_view driver, unsigned seconds);

// `accepted` with the character set that lets the driver named `driver` send texts
// as the server holds them, and how texts are then asked of it: MariaDB's driver is
// given CHARSET=utf8mb4 (in place of the link's), which carries every character, and
// its texts are read as that UTF-8, unconverted by the driver; other drivers' strings
// are left as they are and their texts read as UTF-16.
std::pair<std::u16string, TextEncoding> withTextEncoding(std::u16string_view accepted, std::u16string_view driver);

// The stored string without Jet's "ODBC;" mark.
std::u16string_view withoutOdbcMark(std::u16string_view stored);
// How messages and `schema` name a link's connection (see ConnectString::describe).
std::u16string connectionName(std::u16string_view stored);

}  // namespace scandrel::db::odbc
