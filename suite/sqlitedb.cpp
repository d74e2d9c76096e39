#include "sqlitedb.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tsy {

SqliteDb::~SqliteDb() {
    close();
}

bool SqliteDb::open(const std::string& path) {
    close();
    lastError_.clear();
    // SQLite gives its journal the permissions of the database file, so creating the
    // file owner-only first keeps every file of the database private.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        lastError_ = "cannot open " + path;
        return false;
    }
    ::close(fd);

    int rc =
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        noteError("open " + path);
        close();
        return false;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 10000);
    // A file that is not a database fails here, before anything is written to it.
    if (!exec("PRAGMA journal_mode=DELETE") || !exec("PRAGMA synchronous=FULL") ||
        !exec("PRAGMA foreign_keys=ON")) {
        std::string error = lastError_;
        close();
        lastError_ = error;
        return false;
    }
    // A database of ours that others may read (copied in, say) is narrowed before
    // anything is written to it; a file that is no database was refused above untouched.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0) {
        ::chmod(path.c_str(), st.st_mode & 0700);
    }
    return true;
}

void SqliteDb::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

void SqliteDb::noteError(std::string_view what) {
    lastError_ = std::string(what);
    if (db_) {
        lastError_ += ": ";
        lastError_ += sqlite3_errmsg(db_);
    }
}

bool SqliteDb::exec(const char* sql) {
    if (!db_) return false;
    char* message = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        lastError_ = std::string(sql) + ": " + (message ? message : sqlite3_errstr(rc));
    }
    sqlite3_free(message);
    return rc == SQLITE_OK;
}

std::int64_t SqliteDb::lastInsertId() const {
    return db_ ? sqlite3_last_insert_rowid(db_) : -1;
}

int SqliteDb::changes() const {
    return db_ ? sqlite3_changes(db_) : 0;
}

SqliteDb::Statement::Statement(SqliteDb& db, const char* sql) : db_(db) {
    if (!db.db_ || sqlite3_prepare_v2(db.db_, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        db.noteError(sql);
        stmt_ = nullptr;
        failed_ = true;
    }
}

SqliteDb::Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

SqliteDb::Statement& SqliteDb::Statement::bind(int index, std::string_view text) {
    if (stmt_ && sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                     SQLITE_UTF8) != SQLITE_OK) {
        failed_ = true;
    }
    return *this;
}

SqliteDb::Statement& SqliteDb::Statement::bind(int index, std::int64_t value) {
    if (stmt_ && sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) failed_ = true;
    return *this;
}

SqliteDb::Statement& SqliteDb::Statement::bindNull(int index) {
    if (stmt_ && sqlite3_bind_null(stmt_, index) != SQLITE_OK) failed_ = true;
    return *this;
}

SqliteDb::Statement& SqliteDb::Statement::bind(int index, const std::optional<std::string>& text) {
    return text ? bind(index, std::string_view(*text)) : bindNull(index);
}

bool SqliteDb::Statement::step() {
    if (!stmt_ || failed_) return false;
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) {
        failed_ = true;
        db_.noteError(sqlite3_sql(stmt_));
    }
    return false;
}

bool SqliteDb::Statement::run() {
    while (step()) {
    }
    return !failed_;
}

bool SqliteDb::Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::string SqliteDb::Statement::text(int column) const {
    // Text is stored with its exact bytes (NULs included) and read back by length.
    const void* data = sqlite3_column_blob(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string();
}

std::optional<std::string> SqliteDb::Statement::optionalText(int column) const {
    if (isNull(column)) return std::nullopt;
    return text(column);
}

std::int64_t SqliteDb::Statement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

SqliteDb::Transaction::Transaction(SqliteDb& db) : db_(db) {
    begun_ = db.exec("BEGIN IMMEDIATE");
}

SqliteDb::Transaction::~Transaction() {
    if (begun_ && !done_) db_.exec("ROLLBACK");
}

bool SqliteDb::Transaction::commit() {
    if (!begun_ || done_) return false;
    done_ = db_.exec("COMMIT");
    return done_;
}

}  // namespace tsy
