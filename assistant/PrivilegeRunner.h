#pragma once
// Runs the installer's file tools with raised privileges, all under one authorisation.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace talv {

using Command = std::vector<std::string>;  // the tool's absolute path, then its arguments

struct PrivilegedRun {
    enum class Authorization { Granted, Refused, Unavailable };
    Authorization authorization = Authorization::Unavailable;
    // One entry per command, in order, when authorised: its exit status, or none when it could
    // not be started.
    std::vector<std::optional<int>> exitStatuses;
    std::string error;  // why authorisation or the run failed, for the log
};

class PrivilegeRunner {
public:
    virtual ~PrivilegeRunner() = default;
    // Runs every command in order, whatever the previous ones answered. Blocks until done.
    virtual PrivilegedRun run(const std::vector<Command>& commands) = 0;
};

// Asks polkit through pkexec, which runs `helper` (the script "tal-assistant-privileged") as
// root; the helper runs the commands and reports each exit status. Unavailable without pkexec.
class PkexecRunner : public PrivilegeRunner {
public:
    explicit PkexecRunner(std::filesystem::path helper) : helper_(std::move(helper)) {}
    PrivilegedRun run(const std::vector<Command>& commands) override;

private:
    std::filesystem::path helper_;
};

}  // namespace talv
