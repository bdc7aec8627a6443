#include "assistant/PrivilegeRunner.h"

#include <glib.h>
#include <sys/wait.h>

#include <charconv>
#include <sstream>

namespace talv {
namespace {

// pkexec's own exit codes: the dialog was dismissed, or authorisation was not obtained.
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;

}  // namespace

PrivilegedRun PkexecRunner::run(const std::vector<Command>& commands) {
    PrivilegedRun result;
    gchar* pkexec = g_find_program_in_path("pkexec");
    if (!pkexec) {
        result.error = "pkexec is not installed";
        return result;
    }
    // The helper takes each command as its number of words followed by the words.
    std::vector<std::string> words{pkexec, helper_.string()};
    g_free(pkexec);
    for (const Command& command : commands) {
        words.push_back(std::to_string(command.size()));
        words.insert(words.end(), command.begin(), command.end());
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    gchar* out = nullptr;
    gchar* err = nullptr;
    gint wait = 0;
    GError* error = nullptr;
    if (!g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err, &wait, &error)) {
        result.error = error->message;
        g_error_free(error);
        return result;
    }
    std::istringstream lines(out ? out : "");
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("status ", 0) != 0) continue;
        int status = 0;
        const char* first = line.data() + 7;
        const char* last = line.data() + line.size();
        if (std::from_chars(first, last, status).ptr == last) result.exitStatuses.emplace_back(status);
        else result.exitStatuses.emplace_back(std::nullopt);
    }
    bool exited = WIFEXITED(wait);
    int code = exited ? WEXITSTATUS(wait) : -1;
    if (result.exitStatuses.empty() && (code == kPkexecDismissed || code == kPkexecNotAuthorized || !exited)) {
        result.authorization = PrivilegedRun::Authorization::Refused;
        result.error = err && *err ? err : "authorisation refused";
    } else {
        result.authorization = PrivilegedRun::Authorization::Granted;
        if (code != 0) result.error = err ? err : "";
    }
    g_free(out);
    g_free(err);
    return result;
}

}  // namespace talv
