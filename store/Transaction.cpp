#include "store/Transaction.h"

#include <sqlite3.h>

#include <utility>

namespace talv {

Transaction::Transaction(FMDatabase& db) : db_(db), open_(db.beginTransaction()) {}

Transaction::~Transaction() {
    if (open_) (void)db_.rollback();  // nothing more can be done about a failed rollback here
}

bool Transaction::commit() {
    if (!open_ || !db_.commit()) return false;
    open_ = false;
    return true;
}

Savepoint::Savepoint(FMDatabase& db, std::string name)
    : db_(db), name_(std::move(name)), open_(db.executeUpdate("SAVEPOINT " + name_ + ";") == SQLITE_OK) {}

Savepoint::~Savepoint() {
    if (!open_) return;
    // ROLLBACK TO keeps the savepoint on the stack; RELEASE then removes it (and ends a transaction
    // the savepoint began itself).
    (void)db_.executeUpdate("ROLLBACK TO " + name_ + ";");
    (void)db_.executeUpdate("RELEASE " + name_ + ";");
}

bool Savepoint::release() {
    if (!open_ || db_.executeUpdate("RELEASE " + name_ + ";") != SQLITE_OK) return false;
    open_ = false;
    return true;
}

}  // namespace talv
