#pragma once
// One step of the archive's schema, from one user_version to the next, in one transaction.
#include "store/FMDatabase.h"

#include <functional>
#include <string_view>

namespace talv {

enum class SchemaUpgrade { Current, Upgraded, Failed };

// When the archive is at user_version `from`: runs `step` and sets user_version `to` in one
// transaction, so that a failed step leaves the archive as it was. Current when it was at `to` or
// later already; Failed, with the log line "Cannot <action> of ...", when it is not at `from` yet or
// a statement failed.
SchemaUpgrade upgradeSchema(FMDatabase& db, int from, int to, std::string_view action, const std::function<bool()>& step);

}  // namespace talv
