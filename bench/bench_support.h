#pragma once
// Small helpers shared by the benchmark programs: timing, running a program with
// its output thrown away, reading every value of a table, and writing a large
// generated table with the Jet writer.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "db/database.h"
#include "db/writer/jet_writer.h"
#include "text/error.h"
#include "text/utf.h"

extern char** environ;

namespace scandrel::bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Best of `repeats` timings of `body`, in seconds.
template <class Body>
double bestOf(int repeats, Body&& body) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        const auto start = Clock::now();
        body();
        best = std::min(best, secondsSince(start));
    }
    return best;
}

// Runs a program (searched on PATH) with standard output and error sent to
// /dev/null; returns its exit status, or -1 when it could not run.
inline int runQuietly(const std::vector<std::string>& argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 1 /* O_WRONLY */, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 1 /* O_WRONLY */, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Reads every value of a table; returns the number of values read.
inline size_t readTable(const db::Database& database, const std::u16string& table) {
    db::Recordset rows = database.openRecordset(u"SELECT * FROM [" + table + u"]");
    const int columns = static_cast<int>(rows.columns().size());
    size_t values = 0;
    for (; !rows.eof(); rows.moveNext()) {
        for (int i = 0; i < columns; ++i) {
            Value v = rows.value(i);
            benchmark::DoNotOptimize(v);
            ++values;
        }
    }
    return values;
}

// A temporary file removed when it goes out of scope.
class TempFile {
public:
    explicit TempFile(const std::string& name)
        : path_(std::filesystem::temp_directory_path() /
                (std::to_string(::getpid()) + "-" + name)) {}
    ~TempFile() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A patient-like table of `rows` rows: a unique Id 1..rows, a Code with 1000
// distinct values, names, a memo, a date, a flag and a double.
inline void writeLargeTable(const std::filesystem::path& path, int rows) {
    using db::ColumnType;
    db::writer::JetWriter writer(
        path, {{u"Pessoas",
                {{u"Id", ColumnType::Long}, {u"Code", ColumnType::Long},
                 {u"Nome", ColumnType::Text, 60}, {u"Obs", ColumnType::Memo},
                 {u"Nascimento", ColumnType::DateTime}, {u"Ativo", ColumnType::Boolean},
                 {u"Peso", ColumnType::Double}}}});
    uint32_t state = 12345;
    auto next = [&state] { return state = state * 1103515245u + 12345u; };
    for (int i = 1; i <= rows; ++i) {
        const std::u16string name = u"PACIENTE " + fromUtf8(std::to_string(next() % 100000)) +
                                    u" DA SILVA";
        writer.addRow(0, {Value::longValue(i), Value::longValue(static_cast<int32_t>(next() % 1000)),
                          Value::text(name),
                          i % 3 == 0 ? Value::null()
                                     : Value::text(u"Consulta de rotina; retorno em 30 dias. " + name),
                          Value::date(20000.0 + next() % 30000), Value::boolean(i % 2 == 0),
                          Value::doubleValue(40.0 + (next() % 800) / 10.0)});
    }
    writer.finish();
}

}  // namespace scandrel::bench
