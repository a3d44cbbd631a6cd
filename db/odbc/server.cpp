#include "db/odbc/server.h"

#include <numeric>

#include "db/base/errors.h"
#include "db/base/names.h"
#include "db/odbc/connection.h"
#include "db/odbc/connection_string.h"
#include "db/odbc/installed.h"
#include "db/odbc/row_order.h"

namespace scandrel::db::odbc {
namespace {

std::u16string decimal(int64_t n) {
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

std::shared_ptr<const Picked> everyRow(const ResultRows& data) {
    auto all = std::make_shared<Picked>(data.rows.size());
    std::iota(all->begin(), all->end(), 0u);
    return all;
}

}  // namespace

struct Server::Table {
    std::u16string name;
    std::u16string quoted;
    std::shared_ptr<const ResultRows> shape;  // its columns
    std::shared_ptr<const ResultRows> all;    // every row, once fetched
    std::map<size_t, int> sentByNumber;       // queries by number sent, per column
    std::map<size_t, KeyGroups> groups;       // of `all`, per column
    std::map<std::pair<size_t, bool>, std::shared_ptr<const Picked>> orders;
};

Server::Server(std::u16string_view connect, std::u16string_view table) : dataSource_(connectionName(connect)) {
    const std::u16string accepted = acceptedConnectString(connect, table, installed());
    try {
        connection_ = std::make_unique<Connection>(accepted, dataSource_);
    } catch (const Error& e) {
        // The driver's own words may quote the string back.
        throw Error(e.number(), ConnectString::parse(withoutOdbcMark(connect)).withoutSecrets(e.description()));
    }
}

Server::~Server() = default;

Server::Table& Server::table(std::u16string_view name) {
    auto& slot = tables_[foldName(name)];
    if (slot) return *slot;
    auto made = std::make_unique<Table>();
    made->name = name;
    made->quoted = connection_->quoted(name);
    // A table the server does not have fails here, with the server's own words.
    made->shape = connection_->fetch(u"SELECT * FROM " + made->quoted + u" WHERE 1 = 0");
    slot = std::move(made);
    return *slot;
}

std::vector<ColumnInfo> Server::columns(std::u16string_view name) { return table(name).shape->columns; }

std::unique_ptr<RowSet> Server::open(const SelectStatement& statement) {
    Table& t = table(statement.table);
    const ResultRows& shape = *t.shape;
    std::optional<size_t> whereColumn, orderColumn;
    if (statement.where) {
        const int at = shape.find(statement.where->column);
        if (at < 0) throw fieldNotFound(statement.where->column);
        if (!comparableWithNumber(shape.columns[static_cast<size_t>(at)].type)) throw typeMismatchInCriteria();
        whereColumn = static_cast<size_t>(at);
    }
    if (statement.orderBy) {
        const int at = shape.find(statement.orderBy->column);
        if (at < 0) throw fieldNotFound(statement.orderBy->column);
        orderColumn = static_cast<size_t>(at);
    }
    const auto wholeTable = [&]() -> const ResultRows& {
        if (!t.all) t.all = connection_->fetch(u"SELECT * FROM " + t.quoted);
        return *t.all;
    };
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

    if (whereColumn) {
        const SelectStatement::Where& where = *statement.where;
        if (where.outOfRange) return std::make_unique<ServerRows>(t.shape, std::make_shared<const Picked>(), 0, 0);
        if (!t.all && t.sentByNumber[*whereColumn]++ < kSingleQueries) {
            std::shared_ptr<const ResultRows> rows = connection_->fetch(
                u"SELECT * FROM " + t.quoted + u" WHERE " + connection_->quoted(shape.columns[*whereColumn].name) +
                u" = " + decimal(where.value));
            std::shared_ptr<const Picked> picked = everyRow(*rows);
            const size_t count = picked->size();
            return ordered(std::move(rows), std::move(picked), 0, count);
        }
        const ResultRows& all = wholeTable();
        auto found = t.groups.find(*whereColumn);
        if (found == t.groups.end()) found = t.groups.emplace(*whereColumn, groupBy(all, *whereColumn)).first;
        const auto [begin, end] = found->second.find(where.value);
        return ordered(t.all, found->second.rows, begin, end);
    }
    const ResultRows& all = wholeTable();
    if (orderColumn) {
        auto& slot = t.orders[{*orderColumn, statement.orderBy->descending}];
        if (!slot) slot = std::make_shared<const Picked>(sortedBy(all, *everyRow(all), *orderColumn,
                                                                   statement.orderBy->descending));
        return std::make_unique<ServerRows>(t.all, slot, 0, slot->size());
    }
    return std::make_unique<ServerRows>(t.all, everyRow(all), 0, all.rows.size());
}

}  // namespace scandrel::db::odbc
