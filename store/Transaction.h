#pragma once
// Scoped writes on one connection. A Transaction is "BEGIN IMMEDIATE" and a Savepoint a named
// savepoint inside the caller's transaction; each is rolled back when it goes out of scope without
// commit() or release(), so no early return leaves the connection inside a transaction. After a
// false answer the connection's lastErrorMessage() tells why, until the scope ends.
// Thread: that of the connection.
#include "store/FMDatabase.h"

#include <string>

namespace talv {

class Transaction {
public:
    explicit Transaction(FMDatabase& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // False when BEGIN failed; every later commit() is false too.
    [[nodiscard]] bool began() const { return open_; }
    // False when the transaction did not begin or COMMIT failed; a failed commit is rolled back
    // when the object goes.
    [[nodiscard]] bool commit();

private:
    FMDatabase& db_;
    bool open_;
};

class Savepoint {
public:
    // REQUIRES: `name` is a plain SQL identifier.
    Savepoint(FMDatabase& db, std::string name);
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

    [[nodiscard]] bool began() const { return open_; }
    // Keeps the savepoint's changes in the enclosing transaction.
    [[nodiscard]] bool release();

private:
    FMDatabase& db_;
    std::string name_;
    bool open_;
};

}  // namespace talv
