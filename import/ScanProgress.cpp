#include "import/ScanProgress.h"

#include "platform/StringFormat.h"
#include "platform/Strings.h"

namespace talv {

ScanProgress::Change ScanProgress::apply(const Value& record) {
    const auto number = [&](const char* key) {
        const Value* v = record.find(key);
        return v ? v->realOr(0) : 0.0;
    };
    const std::int64_t total = static_cast<std::int64_t>(number("TotalFiles"));
    if (total == 0) return {};

    const Value* stateValue = record.find("State");
    const std::string state = stateValue ? stateValue->textOr("") : "";
    const Value* kindValue = record.find("Kind");
    const std::string kind = kindValue ? kindValue->textOr("iChat") : "iChat";
    const std::string format = tr("Scanning %@ transcript %d of %d...");

    Change change{true, false};
    if (state == "begin" || state == "end") {
        const bool begin = state == "begin";
        animates_ = begin;
        percent_ = begin ? 0.0 : 100.0;
        text_ = formatString(format, {kind, begin ? std::int64_t{0} : total, total});
        change.refilter = !begin;
    } else if (state == "progress") {
        animates_ = true;
        percent_ = number("Percent");
        text_ = formatString(format, {kind, static_cast<std::int64_t>(number("CurrentFile")), total});
    } else {
        return {};
    }
    return change;
}

}  // namespace talv
