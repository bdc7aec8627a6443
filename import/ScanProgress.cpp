#include "import/ScanProgress.h"

#include "platform/StringFormat.h"
#include "platform/Strings.h"

namespace talv {
namespace {

std::string progressLine(const std::string& kind, std::int64_t current, std::int64_t total) {
    return formatString(tr("Scanning %@ transcript %d of %d..."), {kind, current, total});
}

}  // namespace

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

    Change change{true, false, {}};
    if (state == "begin") {
        if (passOpen_) change.finishedPass = finishedPassText();
        passKind_ = kind;
        passTotal_ = total;
        passOpen_ = true;
        animates_ = true;
        percent_ = 0.0;
        text_ = progressLine(kind, 0, total);
    } else if (state == "end") {
        animates_ = false;
        percent_ = 100.0;
        // The end of the whole scan carries no client: the line keeps the last pass's.
        if (!kind.empty() || passKind_.empty()) {
            passKind_ = kind;
            passTotal_ = total;
        }
        text_ = finishedPassText();
        if (passOpen_) change.finishedPass = text_;
        passOpen_ = false;
        change.refilter = true;
    } else if (state == "progress") {
        animates_ = true;
        percent_ = number("Percent");
        text_ = progressLine(kind, static_cast<std::int64_t>(number("CurrentFile")), total);
    } else {
        return {};
    }
    return change;
}

std::string ScanProgress::finishedPassText() const { return progressLine(passKind_, passTotal_, passTotal_); }

}  // namespace talv
