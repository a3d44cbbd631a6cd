#pragma once
// The stand-in host's command line.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace scandrel::host {

// What the host object answers to GetUserAccess.
enum class AccessKind : uint8_t {
    Text,     // a text (the usual "1")
    Number,   // a 32-bit number
    Null,     // null
    Empty,    // no value at all
    Missing,  // the host object has no GetUserAccess
    Throw,    // GetUserAccess raises an exception
};

struct AccessAnswer {
    AccessKind kind = AccessKind::Text;
    std::u16string text = u"1";
    int32_t number = 0;
};

struct HostOptions {
    std::u16string database;        // as given; ClDbName answers it as a Windows path
    AccessAnswer access;
    bool openFails = false;         // LoadPacienteInterface raises an exception
    bool byClassId = false;         // create the plug-in by class id instead of ProgID
    bool fire = false;              // Fire at start-up
    std::optional<std::u16string> search;
    std::u16string screenshot;      // PNG of the search window after the search
    bool time = false;              // seconds from Enter to the completion message
    bool stay = false;              // stay open after the search
    int32_t openRow = 0;            // after the search, double-click this row (from 1)
    double timeoutSeconds = 600;    // for the search
    bool help = false;              // print the usage and exit
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws UsageError with a one-line reason.
HostOptions parseHostOptions(const std::vector<std::u16string>& arguments);

// The usage text, UTF-8, ending with the exit codes.
extern const char kHostUsage[];

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitTimedOut = 3;

// A Linux path ("/home/x/a.mdb") as Wine shows it to Windows programs
// ("Z:\home\x\a.mdb"); any other path is left as it is.
std::u16string windowsPath(const std::u16string& path);

}  // namespace scandrel::host
