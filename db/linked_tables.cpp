#include "db/linked_tables.h"

#include "db/base/errors.h"
#include "db/base/names.h"
#include "db/jet/byte_source.h"
#include "db/jet/device_names.h"
#include "db/jet/query_rows.h"
#include "db/jet/table_def.h"
#include "db/odbc/connection_string.h"
#include "db/odbc/server.h"

namespace scandrel::db {
namespace {

constexpr size_t kMostRoutes = 64;  // statement texts kept, as the engine keeps its own

// A back-end path as stored: absolute, or taken from the front-end's folder.
std::filesystem::path backEndPath(const std::filesystem::path& folder, const std::u16string& stored) {
    const std::filesystem::path path(stored);
    if (path.is_absolute() || folder.empty() || stored.empty()) return path;
    return folder / path;
}

}  // namespace

JetFile::JetFile(std::shared_ptr<jet::Engine> engine, std::filesystem::path folder, int linkDepth,
                 std::shared_ptr<OpenedBackEnds> opened)
    : engine_(std::move(engine)) {
    if (engine_->hasLinks() && linkDepth >= 0) {
        if (!opened) opened = std::make_shared<OpenedBackEnds>();
        links_ = std::make_shared<LinkedTables>(engine_, std::move(folder), linkDepth, std::move(opened));
    }
}

std::unique_ptr<RowSet> JetFile::rows(std::u16string_view sql) const {
    if (links_) {
        if (std::unique_ptr<RowSet> linked = links_->open(sql)) return linked;
    }
    return std::make_unique<jet::QueryRows>(engine_->query(sql));
}

std::vector<ColumnInfo> JetFile::columns(std::u16string_view table) const {
    if (links_ && engine_->link(table)) return links_->columns(table);
    return engine_->table(table)->infos;  // a link left alone is no table: 3078
}

LinkedTables::LinkedTables(std::shared_ptr<jet::Engine> frontEnd, std::filesystem::path folder, int depth,
                           std::shared_ptr<OpenedBackEnds> opened)
    : frontEnd_(std::move(frontEnd)), folder_(std::move(folder)), depth_(depth), opened_(std::move(opened)) {}

LinkedTables::~LinkedTables() = default;

std::u16string LinkedTables::target(const jet::Engine::Link& link) {
    return link.odbc ? odbc::connectionName(link.connect) : link.database;
}

LinkedTables::Route LinkedTables::route(std::u16string_view sql) const {
    Route found;
    found.statement = parseSelect(sql);
    found.link = frontEnd_->link(found.statement.table);
    if (!found.link) return found;
    found.statement.table = found.link->foreignName;
    if (!found.link->odbc) {
        // Sent as it was when the far name is the same: the back-end then finds it
        // among the statements it has prepared and read ahead.
        const std::u16string far = foldName(found.link->foreignName) == foldName(found.link->name)
                                       ? std::u16string(sql)
                                       : selectText(found.statement);
        const auto numberAt = trailingNumberStart(far);
        found.farHead = far.substr(0, numberAt.value_or(far.size()));
    }
    return found;
}

std::unique_ptr<RowSet> LinkedTables::open(std::u16string_view sql) {
    const auto numberAt = trailingNumberStart(sql);
    if (!numberAt) {
        const Route once = route(sql);
        return once.link ? openFrom(once, {}) : nullptr;
    }
    const Route& known = routeOf(sql.substr(0, *numberAt), sql);
    if (!known.link) return nullptr;
    return openFrom(known, sql.substr(*numberAt));
}

const LinkedTables::Route& LinkedTables::routeOf(std::u16string_view head, std::u16string_view sql) {
    auto known = routes_.find(head);
    if (known == routes_.end()) {
        if (routes_.size() >= kMostRoutes) routes_.clear();
        known = routes_.emplace(std::u16string(head), route(sql)).first;
    }
    return known->second;
}

void LinkedTables::fetchAhead(std::u16string_view head, const std::vector<int64_t>& numbers) {
    try {
        const Route& found = routeOf(head, std::u16string(head) + u'0');
        if (!found.link || !found.link->odbc || !found.statement.where) return;
        server(found).fetchAhead(found.statement, numbers);
    } catch (const Error&) {
        // Not a statement we answer, or no server: the statement itself will say so.
    }
}

std::unique_ptr<RowSet> LinkedTables::openFrom(const Route& route, std::u16string_view digits) {
    const jet::Engine::Link& link = *route.link;
    if (link.odbc) {
        SelectStatement statement = route.statement;
        if (statement.where && !digits.empty()) statement.where = withNumber(*statement.where, digits);
        odbc::ServerRows::AheadFetch ahead;
        if (!statement.where) {
            ahead = [weak = weak_from_this()](std::u16string_view head, const std::vector<int64_t>& numbers) {
                if (const auto self = weak.lock()) self->fetchAhead(head, numbers);
            };
        }
        return server(route).open(statement, std::move(ahead));
    }
    const JetFile& far = backEnd(link);
    try {
        return far.rows(route.farHead + std::u16string(digits));
    } catch (const Error& e) {
        if (e.number() == db::kTableNotFound) throw linkedTableNotFound(link.foreignName, link.database);
        throw;
    }
}

std::vector<ColumnInfo> LinkedTables::columns(std::u16string_view table) {
    const jet::Engine::Link* link = frontEnd_->link(table);
    if (!link) throw tableNotFound(table);
    if (link->odbc) return server(*link).columns(link->foreignName);
    try {
        return backEnd(*link).columns(link->foreignName);
    } catch (const Error& e) {
        if (e.number() == db::kTableNotFound) throw linkedTableNotFound(link->foreignName, link->database);
        throw;
    }
}

const JetFile& LinkedTables::backEnd(const jet::Engine::Link& link) {
    const std::filesystem::path path = backEndPath(folder_, link.database);
    if (const auto known = byPath_.find(path); known != byPath_.end()) return *known->second;
    if (depth_ + 1 > kMostLinks) throw linksGoRound(link.name);
    if (link.database.empty()) throw fileNotFound(link.database);
    // No back-end of a Windows host is spelt so, on whatever system the file is read.
    if (jet::namesWindowsDevice(link.database)) throw notAFile(link.database, false);
    // Opened like the front-end: read only, shared, with the path as stored in messages;
    // one file reached by several spellings is opened once.
    std::unique_ptr<jet::ByteSource> source = jet::openFileSource(path);
    const std::optional<jet::FileIdentity> identity = source->identity();
    const auto key = std::make_pair(identity.value_or(jet::FileIdentity{}), identity ? std::filesystem::path() : path);
    auto found = backEnds_.find(key);
    if (found == backEnds_.end()) {
        if (opened_->count >= kMostBackEnds) throw tooManyBackEnds(link.name, kMostBackEnds);
        found = backEnds_
                    .try_emplace(key, jet::Engine::create(std::move(source), path.u16string(), frontEnd_->pageBudget()),
                                 path.parent_path(), depth_ + 1, opened_)
                    .first;
        ++opened_->count;
    }
    byPath_.emplace(path, &found->second);
    return found->second;
}

odbc::Server& LinkedTables::server(const Route& route) {
    if (!route.server) route.server = &server(*route.link);
    return *route.server;
}

odbc::Server& LinkedTables::server(const jet::Engine::Link& link) {
    // A server that could not be reached is not tried again while the front-end is
    // open: one login wait, not one per linked table.
    if (const auto failed = unreachable_.find(link.connect); failed != unreachable_.end()) throw failed->second;
    auto& slot = servers_[link.connect];
    if (slot) return *slot;
    try {
        slot = std::make_unique<odbc::Server>(link.connect, link.name);
    } catch (const Error& e) {
        servers_.erase(link.connect);
        unreachable_.emplace(link.connect, e);
        throw;
    }
    return *slot;
}

}  // namespace scandrel::db
