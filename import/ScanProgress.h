#pragma once
// Turns the scan driver's progress records into what the window shows under the chats list:
// whether the indicator runs, its percentage and the progress line. Main thread only.
#include "platform/Value.h"

#include <string>

namespace talv {

class ScanProgress {
public:
    struct Change {
        bool shown = false;     // the indicator or the line changed
        bool refilter = false;  // an "end" record: the chats list is to be rebuilt
    };

    // Applies one record ("State", "Kind", "TotalFiles", "CurrentFile", "Percent").
    // A record for a pass without files changes nothing.
    Change apply(const Value& record);

    bool animates() const { return animates_; }
    double percent() const { return percent_; }
    const std::string& text() const { return text_; }

private:
    bool animates_ = false;
    double percent_ = 0;
    std::string text_;
};

}  // namespace talv
