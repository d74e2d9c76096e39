#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tsy {

// One SQLite connection: owner-only files, rollback journal with full syncs, so that a
// crash leaves the last committed state; a busy database is waited for a while.
class SqliteDb {
public:
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Creates the file 0600 when missing (and narrows one of ours that others may read).
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    const std::string& lastError() const { return lastError_; }

    bool exec(const char* sql);
    std::int64_t lastInsertId() const;
    // Rows changed by the last statement.
    int changes() const;
    sqlite3* handle() const { return db_; }

    // Records the library's message for the failed call.
    void noteError(std::string_view what);

    class Statement {
    public:
        Statement(SqliteDb& db, const char* sql);
        ~Statement();
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;

        bool ok() const { return stmt_ != nullptr; }
        Statement& bind(int index, std::string_view text);
        Statement& bind(int index, const std::string& text) {
            return bind(index, std::string_view(text));
        }
        Statement& bind(int index, std::int64_t value);
        Statement& bindNull(int index);
        Statement& bind(int index, const std::optional<std::string>& text);
        // True for a row; false at the end or on an error (see failed()).
        bool step();
        // Runs to completion; true unless an error occurred.
        bool run();
        bool failed() const { return failed_; }

        bool isNull(int column) const;
        std::string text(int column) const;
        std::optional<std::string> optionalText(int column) const;
        std::int64_t integer(int column) const;

    private:
        SqliteDb& db_;
        sqlite3_stmt* stmt_ = nullptr;
        bool failed_ = false;
    };

    // BEGIN IMMEDIATE ... COMMIT; rolled back when not committed.
    class Transaction {
    public:
        explicit Transaction(SqliteDb& db);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        bool ok() const { return begun_; }
        bool commit();

    private:
        SqliteDb& db_;
        bool begun_ = false;
        bool done_ = false;
    };

private:
    sqlite3* db_ = nullptr;
    std::string lastError_;
};

}  // namespace tsy
