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
        // The final line of a folder pass that this record shows to be over (the next pass
        // began, or the scan ended), else empty.
        std::string finishedPass;
    };

    // Applies one record ("State", "Kind", "TotalFiles", "CurrentFile", "Percent").
    // A record for a pass without files changes nothing. The "end" record names no client; its
    // line is the final line of the last pass.
    Change apply(const Value& record);

    bool animates() const { return animates_; }
    double percent() const { return percent_; }
    const std::string& text() const { return text_; }

private:
    // "Scanning <kind> transcript <total> of <total>..." for the pass that ran last.
    std::string finishedPassText() const;

    bool animates_ = false;
    double percent_ = 0;
    std::string text_;
    std::string passKind_;
    std::int64_t passTotal_ = 0;
    bool passOpen_ = false;
};

}  // namespace talv
