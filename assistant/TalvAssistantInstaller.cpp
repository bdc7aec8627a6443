#include "assistant/TalvAssistantInstaller.h"

#include "assistant/PluginVersion.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <gio/gio.h>
#include <sys/statvfs.h>

namespace fs = std::filesystem;

namespace talv {
namespace {

bool onReadOnlyFileSystem(const fs::path& path) {
    struct statvfs info {};
    return statvfs(path.c_str(), &info) == 0 && (info.f_flag & ST_RDONLY);
}

// A replaced copy goes to the freedesktop Trash of its volume. Where the user may not move it
// (the system folder), the privileged copy overwrites it instead.
void moveToTrash(const fs::path& path) {
    GFile* file = g_file_new_for_path(path.c_str());
    GError* error = nullptr;
    if (!g_file_trash(file, nullptr, &error)) {
        logf("Tal Assistant: {} stays until the new copy replaces it: {}", path.string(), error->message);
        g_error_free(error);
    }
    g_object_unref(file);
}

AssistantInstallResult failure(const fs::path& folder, std::string_view reason) {
    logf("Tal Assistant was not installed in {}: {}", folder.string(), reason);
    return {AssistantInstallResult::Status::Failed,
            formatString(tr("Tal Assistant could not be installed in %@: %@"), {folder.string(), std::string(reason)})};
}

}  // namespace

fs::path TalvAssistantInstaller::systemPluginFolder() { return TALV_PURPLE_PLUGIN_DIR; }

fs::path TalvAssistantInstaller::userPluginFolder() { return Paths::home() / ".purple" / "plugins"; }

bool TalvAssistantInstaller::isInstalled() {
    std::error_code ec;
    return fs::exists(systemPluginFolder() / kPluginFile, ec) || fs::exists(userPluginFolder() / kPluginFile, ec);
}

TalvAssistantInstaller::TalvAssistantInstaller(fs::path resources, fs::path destination, PrivilegeRunner& runner)
    : resources_(std::move(resources)), destination_(std::move(destination)), runner_(runner) {}

fs::path TalvAssistantInstaller::source() const { return resources_ / kResourceFolder / kPluginFile; }

TalvAssistantInstaller::Decision TalvAssistantInstaller::prepareInstall(const fs::path& folder) const {
    if (onReadOnlyFileSystem(resources_ / kResourceFolder)) return Decision::NotInstallable;
    auto available = readPluginVersion(source());
    if (!available) {
        logf("Tal Assistant: no plug-in with a version at {}", source().string());
        return Decision::NotInstallable;
    }
    fs::path installed = folder / kPluginFile;
    std::error_code ec;
    if (!fs::exists(installed, ec)) return Decision::Install;
    auto present = readPluginVersion(installed);
    if (!present) return Decision::Install;  // unreadable: copied over where it stands
    if (*available > *present) {
        moveToTrash(installed);
        return Decision::Install;
    }
    return Decision::UpToDate;
}

AssistantInstallResult TalvAssistantInstaller::installTalvAssistant() {
    switch (prepareInstall(destination_)) {
    case Decision::NotInstallable: return {AssistantInstallResult::Status::NotInstallable, {}};
    case Decision::UpToDate: return {AssistantInstallResult::Status::UpToDate, {}};
    case Decision::Install: break;
    }
    return uiInstallLocal(destination_);
}

AssistantInstallResult TalvAssistantInstaller::uiInstallLocal(const fs::path& destDir) {
    // The trailing slash makes cp fail, rather than create a file, when the folder is missing.
    const std::string dest = (destDir / "").string();
    std::vector<Command> commands;
    std::error_code ec;
    if (!fs::exists(destDir, ec)) {
        commands.push_back({"/bin/mkdir", "-p", dest});
        commands.push_back({"/bin/chown", "root:root", dest});
    }
    // A new file rather than the old one rewritten: a running Pidgin has the old one mapped. -H
    // copies the plug-in, not the link to it that an installed resource folder holds.
    commands.push_back({"/bin/cp", "-RfpH", "--remove-destination", source().string(), dest});
    commands.push_back({"/bin/chown", "-R", "root:root", dest});
    commands.push_back({"/bin/chmod", "-R", "go-w", dest});

    PrivilegedRun run = runner_.run(commands);
    if (run.authorization != PrivilegedRun::Authorization::Granted) {
        logf("Tal Assistant was not installed in {}: {}", destDir.string(), run.error);
        return {AssistantInstallResult::Status::AuthorizationRefused, {}};
    }
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const std::optional<int> status = i < run.exitStatuses.size() ? run.exitStatuses[i] : std::nullopt;
        if (!status) return failure(destDir, formatString(tr("%@ could not be started."), {commands[i].front()}));
        if (*status != 0) {
            return failure(destDir, formatString(tr("%@ ended with status %d."),
                                                 {commands[i].front(), std::int64_t{*status}}));
        }
    }
    logf("Tal Assistant installed in {}", destDir.string());
    return {AssistantInstallResult::Status::Installed, {}};
}

AssistantInstallResult TalvAssistantInstaller::installForUser(const fs::path& folder) {
    switch (prepareInstall(folder)) {
    case Decision::NotInstallable: return {AssistantInstallResult::Status::NotInstallable, {}};
    case Decision::UpToDate: return {AssistantInstallResult::Status::UpToDate, {}};
    case Decision::Install: break;
    }
    std::error_code ec;
    // Copied beside and renamed over: a running Pidgin keeps the file it has mapped.
    fs::path fresh = folder / (std::string(".") + kPluginFile + ".new");
    fs::create_directories(folder, ec);
    if (!ec) fs::copy_file(source(), fresh, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::permissions(fresh, fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove, ec);
    if (!ec) fs::rename(fresh, folder / kPluginFile, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(fresh, ignored);
        return failure(folder, ec.message());
    }
    logf("Tal Assistant installed in {}", folder.string());
    return {AssistantInstallResult::Status::Installed, {}};
}

}  // namespace talv
