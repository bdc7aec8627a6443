#pragma once
// Shows the scan driver's progress on standard error: the progress line in the application's
// wording, with a bar redrawn in place when standard error is a terminal.
#include "import/ScanProgress.h"
#include "import/TalvHelperController.h"

#include <cstdio>

namespace talv::cli {

class ProgressPrinter : public ScanProgressReceiver {
public:
    explicit ProgressPrinter(std::FILE* out);
    ~ProgressPrinter() override;
    void helperNotificationScan(const Value& record) override;
    // Ends a line drawn in place, so that later output starts on a fresh line.
    void finish();

private:
    std::FILE* out_;
    bool terminal_;
    bool lineOpen_ = false;
    ScanProgress progress_;
};

}  // namespace talv::cli
