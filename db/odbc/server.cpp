#include "db/odbc/server.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <numeric>
#include <tuple>

#include "db/base/columns.h"
#include "db/base/errors.h"
#include "db/base/names.h"
#include "db/base/value_order.h"
#include "db/odbc/batched_rows.h"
#include "db/odbc/connection.h"
#include "db/odbc/connection_string.h"
#include "db/odbc/installed.h"
#include "db/odbc/row_order.h"
#include "db/odbc/statements_ahead.h"

namespace scandrel::db::odbc {
namespace {

std::u16string decimal(int64_t n) {
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

// The statement `head` ("SELECT * FROM t WHERE c IN (") for each of `numbers`.
std::u16string inList(std::u16string head, const std::vector<int64_t>& numbers) {
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) head += u", ";
        head += decimal(numbers[i]);
    }
    head += u')';
    return head;
}

bool wholeNumberColumn(ColumnType type) {
    return type == ColumnType::Byte || type == ColumnType::Integer || type == ColumnType::Long ||
           type == ColumnType::BigInt;
}

std::shared_ptr<const Picked> everyRow(const ResultRows& data) {
    auto all = std::make_shared<Picked>(data.rows.size());
    std::iota(all->begin(), all->end(), 0u);
    return all;
}

}  // namespace

struct Server::Table {
    // The rows of a batch of numbers of one column, fetched ahead.
    struct Batch {
        std::vector<int64_t> numbers;  // ascending
        std::shared_ptr<const ResultRows> rows;
        KeyGroups groups;
        std::optional<Error> failure;
    };

    std::u16string name;
    std::u16string quoted;
    std::shared_ptr<const ResultRows> shape;  // its columns
    std::shared_ptr<const ResultRows> all;    // every row, once fetched
    bool tooLargeToHold = false;              // past kMostRowsHeldWhole or kMostBytesHeldWhole
    std::map<size_t, int> sentByNumber;       // queries by number sent, per column
    std::map<size_t, KeyGroups> groups;       // of `all`, per column
    std::map<size_t, Batch> batches;          // the last, per column
    std::optional<std::optional<size_t>> key; // its primary key's column, once asked
    std::map<std::pair<size_t, bool>, std::shared_ptr<const Picked>> orders;
};

struct Server::Ahead {
    // A second connection for the statements a job sends beside the batch's own
    // (statements_ahead.h), made with the first's string at its first statement, on
    // the job's thread; when it can't be made, the first connection sends them.
    struct Beside {
        std::mutex mutex;
        std::u16string connect, dataSource;
        TextEncoding encoding = TextEncoding::Utf16;
        std::optional<Connection::Limits> limits;  // as the first connection's, when set
        std::shared_ptr<Connection> connection;
        bool failed = false;

        std::shared_ptr<Connection> get() {
            const std::lock_guard lock(mutex);
            if (!connection && !failed) {
                try {
                    connection = std::make_shared<Connection>(connect, dataSource, encoding);
                    if (limits) connection->setLimits(*limits);
                } catch (const Error&) {
                    failed = true;
                }
            }
            return connection;
        }
        void setLimits(const Connection::Limits& set) {
            const std::lock_guard lock(mutex);
            limits = set;
            if (connection) connection->setLimits(set);
        }
    };

    std::shared_ptr<Beside> beside;  // outlives the statements' threads
    StatementsAhead statements;
    // The head ("SELECT * FROM t WHERE c IN (") of the related statement fetchAhead
    // sent last, and nothing when it sent none: a statement another server or a
    // file answers is not sent ahead.
    std::optional<std::u16string> lastHead;

    Ahead(const std::weak_ptr<Connection>& connection, std::shared_ptr<Beside> second)
        : beside(std::move(second)),
          statements([connection](const std::u16string& sql) { return fetchOn(connection.lock(), sql); },
                     [connection, second = beside](const std::u16string& sql) {
                         const std::shared_ptr<Connection> c = second->get();
                         return fetchOn(c ? c : connection.lock(), sql);
                     }) {}

    // A connection gone with its server fails the statement as a call would.
    static std::shared_ptr<const ResultRows> fetchOn(const std::shared_ptr<Connection>& c, const std::u16string& sql) {
        if (!c) throw callFailed({});
        return c->fetch(sql);
    }
};

std::shared_ptr<const ResultRows> Server::fetchSent(Connection& connection, Ahead& ahead, const std::u16string& sql) {
    if (auto sent = ahead.statements.take(sql)) return std::move(*sent);
    return connection.fetch(sql);
}

const StatementsAhead& Server::statementsAhead() const { return ahead_->statements; }

void Server::setMostRowsPerStatement(size_t rows) {
    connection_->setLimits({.rows = rows});
    ahead_->beside->setLimits({.rows = rows});
}

Server::Server(std::u16string_view connect, std::u16string_view table) : dataSource_(connectionName(connect)) {
    std::u16string accepted = acceptedConnectString(connect, table, installed());
    TextEncoding encoding = TextEncoding::Utf16;
    {
        const ConnectString parsed = ConnectString::parse(accepted);
        const std::u16string* driver = parsed.find(u"DRIVER");
        const std::u16string* dsn = parsed.find(u"DSN");
        const std::u16string named = driver ? *driver : dsn ? dataSourceDriver(*dsn) : std::u16string();
        accepted = withConnectTimeLimit(accepted, named, kLoginTimeoutSeconds);
        std::tie(accepted, encoding) = withTextEncoding(accepted, named);
    }
    try {
        connection_ = std::make_shared<Connection>(accepted, dataSource_, encoding);
        auto beside = std::make_shared<Ahead::Beside>();
        beside->connect = accepted;
        beside->dataSource = dataSource_;
        beside->encoding = encoding;
        ahead_ = std::make_shared<Ahead>(connection_, std::move(beside));
    } catch (const Error& e) {
        // The driver's own words may quote the string back.
        throw Error(e.number(), ConnectString::parse(withoutOdbcMark(connect)).withoutSecrets(e.description()));
    }
}

Server::~Server() {
    ahead_.reset();  // its thread ends before the connection goes
}

Server::Table& Server::table(std::u16string_view name) {
    if (const auto known = byName_.find(name); known != byName_.end()) return *known->second;
    auto& slot = tables_[foldName(name)];
    if (slot) {
        byName_.emplace(name, slot.get());
        return *slot;
    }
    auto made = std::make_unique<Table>();
    made->name = name;
    made->quoted = connection_->quoted(name);
    // A table the server does not have fails here, with the server's own words.
    made->shape = connection_->fetch(u"SELECT * FROM " + made->quoted + u" WHERE 1 = 0");
    slot = std::move(made);
    byName_.emplace(name, slot.get());
    return *slot;
}

std::vector<ColumnInfo> Server::columns(std::u16string_view name) { return table(name).shape->columns; }

// The column of WHERE column = number: 3265 unknown, 3464 not comparable with a number.
size_t Server::whereColumn(const ResultRows& shape, const SelectStatement::Where& where) {
    const int at = shape.find(where.column);
    if (at < 0) throw fieldNotFound(where.column);
    if (!comparableWithNumber(shape.columns[static_cast<size_t>(at)].type)) throw typeMismatchInCriteria();
    return static_cast<size_t>(at);
}

void Server::fetchAhead(const SelectStatement& statement, const std::vector<int64_t>& numbers) {
    if (!statement.where || numbers.empty()) return;
    Table* t = nullptr;
    size_t column = 0;
    try {
        t = &table(statement.table);
        column = whereColumn(*t->shape, *statement.where);
    } catch (const Error&) {
        return;  // the query itself says so
    }
    if (t->all) return;
    Table::Batch batch;
    batch.numbers = numbers;
    const std::u16string head =
        u"SELECT * FROM " + t->quoted + u" WHERE " + connection_->quoted(t->shape->columns[column].name) + u" IN (";
    ahead_->lastHead = head;
    try {
        batch.rows = fetchSent(*connection_, *ahead_, inList(head, numbers));
        batch.groups = groupBy(*batch.rows, column);
    } catch (const Error& e) {
        batch.failure = e;
    }
    Table::Batch& slot = t->batches[column];
    ahead_->statements.release(std::move(slot.rows));
    slot = std::move(batch);
}

std::unique_ptr<RowSet> Server::open(const SelectStatement& statement, ServerRows::AheadFetch ahead) {
    Table& t = table(statement.table);
    const ResultRows& shape = *t.shape;
    std::optional<size_t> whereAt, orderColumn;
    if (statement.where) whereAt = whereColumn(shape, *statement.where);
    if (statement.orderBy) {
        const int at = shape.find(statement.orderBy->column);
        if (at < 0) throw fieldNotFound(statement.orderBy->column);
        orderColumn = static_cast<size_t>(at);
    }
    const auto ordered = [&](std::shared_ptr<const ResultRows> data, std::shared_ptr<const Picked> picked,
                             size_t begin, size_t end) -> std::unique_ptr<RowSet> {
        if (orderColumn && end - begin > 1) {
            const Picked subset(picked->begin() + static_cast<std::ptrdiff_t>(begin),
                                picked->begin() + static_cast<std::ptrdiff_t>(end));
            picked = std::make_shared<const Picked>(sortedBy(*data, subset, *orderColumn, statement.orderBy->descending));
            begin = 0;
            end = picked->size();
        }
        return std::make_unique<ServerRows>(std::move(data), std::move(picked), begin, end);
    };

    if (whereAt) {
        const SelectStatement::Where& where = *statement.where;
        if (where.outOfRange) return std::make_unique<ServerRows>(t.shape, std::make_shared<const Picked>(), 0, 0);
        const auto inMemory = [&](const std::shared_ptr<const ResultRows>& data, const KeyGroups& groups) {
            const auto [begin, end] = groups.find(where.value);
            return ordered(data, groups.rows, begin, end);
        };
        if (const auto batch = t.batches.find(*whereAt); batch != t.batches.end() &&
            std::binary_search(batch->second.numbers.begin(), batch->second.numbers.end(), where.value)) {
            if (batch->second.failure) throw *batch->second.failure;
            return inMemory(batch->second.rows, batch->second.groups);
        }
        if (!t.all && !t.tooLargeToHold && t.sentByNumber[*whereAt]++ >= kSingleQueries) {
            t.all = connection_->fetchAtMost(u"SELECT * FROM " + t.quoted, kMostRowsHeldWhole, kMostBytesHeldWhole);
            t.tooLargeToHold = !t.all;
            if (t.all) t.batches.clear();
        }
        if (t.all) {
            auto found = t.groups.find(*whereAt);
            if (found == t.groups.end()) found = t.groups.emplace(*whereAt, groupBy(*t.all, *whereAt)).first;
            return inMemory(t.all, found->second);
        }
        std::shared_ptr<const ResultRows> rows = connection_->fetch(
            u"SELECT * FROM " + t.quoted + u" WHERE " + connection_->quoted(shape.columns[*whereAt].name) + u" = " +
            decimal(where.value));
        std::shared_ptr<const Picked> picked = everyRow(*rows);
        const size_t count = picked->size();
        return ordered(std::move(rows), std::move(picked), 0, count);
    }
    if (orderColumn && !t.all) {
        if (std::unique_ptr<RowSet> batched = scanInBatches(t, *orderColumn, statement.orderBy->descending, ahead))
            return batched;
    }
    if (!t.all) t.all = connection_->fetch(u"SELECT * FROM " + t.quoted);
    const ResultRows& all = *t.all;
    std::unique_ptr<ServerRows> rows;
    if (orderColumn) {
        auto& slot = t.orders[{*orderColumn, statement.orderBy->descending}];
        if (!slot) slot = std::make_shared<const Picked>(sortedBy(all, *everyRow(all), *orderColumn,
                                                                   statement.orderBy->descending));
        rows = std::make_unique<ServerRows>(t.all, slot, 0, slot->size());
    } else {
        rows = std::make_unique<ServerRows>(t.all, everyRow(all), 0, all.rows.size());
    }
    if (ahead) rows->fetchAheadWith(std::move(ahead), patientsPerBatch_);
    return rows;
}

std::unique_ptr<RowSet> Server::scanInBatches(Table& t, size_t orderColumn, bool descending,
                                              ServerRows::AheadFetch& ahead) {
    if (!t.key) {
        t.key.emplace();
        if (const auto name = connection_->primaryKey(t.name)) {
            const int at = t.shape->find(*name);
            if (at >= 0 && wholeNumberColumn(t.shape->columns[static_cast<size_t>(at)].type)) t.key->emplace(static_cast<size_t>(at));
        }
    }
    if (!*t.key) return nullptr;
    const size_t key = **t.key;
    const std::u16string quotedKey = connection_->quoted(t.shape->columns[key].name);
    const std::shared_ptr<const ResultRows> order = connection_->fetch(
        u"SELECT " + quotedKey + u", " + connection_->quoted(t.shape->columns[orderColumn].name) + u" FROM " + t.quoted);
    std::vector<int64_t> numbers;
    numbers.reserve(order->rows.size());
    for (const uint32_t row : sortedBy(*order, *everyRow(*order), 1, descending))
        if (const auto n = wholeNumber(order->rows[row][0])) numbers.push_back(*n);
    const std::u16string head = u"SELECT * FROM " + t.quoted + u" WHERE " + quotedKey + u" IN (";
    const std::weak_ptr<Connection> weakConnection = connection_;
    const std::weak_ptr<Ahead> weakAhead = ahead_;
    BatchedRows::FetchByNumbers fetch = [weakConnection, weakAhead,
                                         head](const std::vector<int64_t>& wanted) -> std::shared_ptr<const ResultRows> {
        const std::shared_ptr<Connection> connection = weakConnection.lock();
        const std::shared_ptr<Ahead> pipeline = weakAhead.lock();
        if (!connection || !pipeline) throw callFailed({});
        return fetchSent(*connection, *pipeline, inList(head, wanted));
    };
    if (!sendAhead_ || !ahead)
        return std::make_unique<BatchedRows>(t.shape, std::move(numbers), key, std::move(fetch), patientsPerBatch_,
                                             std::move(ahead));

    // The related statements this server was sent for the last batch, by the link's
    // statement: the next batch's are sent ahead with the same heads.
    auto heads = std::make_shared<std::map<std::u16string, std::u16string, std::less<>>>();
    ServerRows::AheadFetch recorded = [weakAhead, heads, ahead = std::move(ahead)](
                                          std::u16string_view statement, const std::vector<int64_t>& wanted) {
        const std::shared_ptr<Ahead> pipeline = weakAhead.lock();
        if (pipeline) pipeline->lastHead.reset();
        ahead(statement, wanted);
        if (!pipeline) return;
        if (pipeline->lastHead) heads->insert_or_assign(std::u16string(statement), *pipeline->lastHead);
        else if (const auto known = heads->find(statement); known != heads->end()) heads->erase(known);
    };
    BatchedRows::FetchNext next = [weakAhead, heads, head, key, shape = t.shape](const std::vector<int64_t>& wanted,
                                                                                 const std::vector<ReadAheadLink>& links) {
        const std::shared_ptr<Ahead> pipeline = weakAhead.lock();
        if (!pipeline) return;
        // The job has its own copies: the search goes on meanwhile.
        struct Link {
            std::u16string statement, field, head;
        };
        // A link by the scan's own key asks for the batch's numbers: sent beside the
        // batch's rows, on the second connection; the others need those rows first.
        std::vector<Link> byKey, byRows;
        for (const ReadAheadLink& link : links)
            if (const auto known = heads->find(link.statement); known != heads->end())
                (shape->find(link.field) == static_cast<int>(key) ? byKey : byRows)
                    .push_back({std::u16string(link.statement), std::u16string(link.field), known->second});
        // Taken one at a time by whichever connection is free: the second from the
        // start, the first once the batch's rows and what they lead to are in.
        struct ByKey {
            std::vector<Link> links;
            std::vector<int64_t> keys;
            std::atomic<size_t> next{0};

            void send(const StatementsAhead::Send& sender) {
                for (size_t at; (at = next++) < links.size();) sender(inList(links[at].head, keys));
            }
        };
        auto shared = std::make_shared<ByKey>();
        shared->links = std::move(byKey);
        // As fetchLinked gives them for the batch's rows, every one of which has its
        // number (a row deleted since the scan began makes the statement differ, and
        // the search then sends its own).
        shared->keys = wanted;
        std::sort(shared->keys.begin(), shared->keys.end());
        shared->keys.erase(std::unique(shared->keys.begin(), shared->keys.end()), shared->keys.end());
        StatementsAhead::Job beside;
        if (!shared->links.empty()) beside = [shared](const StatementsAhead::Send& send) { shared->send(send); };
        pipeline->statements.start(
            [wanted, byRows = std::move(byRows), head, shape, shared](const StatementsAhead::Send& send) {
                const std::shared_ptr<const ResultRows> rows = send(inList(head, wanted));
                if (!byRows.empty()) {
                    std::vector<const std::vector<Value>*> byRow;
                    byRow.reserve(rows->rows.size());
                    for (const std::vector<Value>& row : rows->rows) byRow.push_back(&row);
                    std::vector<ReadAheadLink> asked;
                    for (const Link& link : byRows) asked.push_back({link.statement, link.field});
                    fetchLinked(
                        [&](std::u16string_view statement, const std::vector<int64_t>& related) {
                            for (const Link& link : byRows)
                                if (link.statement == statement) send(inList(link.head, related));
                        },
                        *shape, byRow, asked);
                }
                shared->send(send);
            },
            std::move(beside));
    };
    auto rows = std::make_unique<BatchedRows>(t.shape, std::move(numbers), key, std::move(fetch), patientsPerBatch_,
                                              std::move(recorded), std::move(next), kPatientsInFirstBatch);
    rows->releaseWith([weakAhead](std::shared_ptr<const ResultRows> done) {
        if (const std::shared_ptr<Ahead> pipeline = weakAhead.lock()) pipeline->statements.release(std::move(done));
    });
    return rows;
}

}  // namespace scandrel::db::odbc
