#include "update/DiskImageMounter.h"

#include "platform/Log.h"
#include "platform/Strings.h"

#include <gio/gio.h>

#include <array>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace talv::update {
namespace {

struct Outcome {
    bool ok = false;
    std::string output;
};

Outcome udisksctl(std::vector<std::string> args) {
    std::unique_ptr<gchar, decltype(&g_free)> program(g_find_program_in_path("udisksctl"), g_free);
    if (!program) return {false, "udisksctl is not installed"};
    args.insert(args.begin(), program.get());
    args.push_back("--no-user-interaction");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint status = 0;
    GError* error = nullptr;
    Outcome o;
    if (g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err, &status, &error)) {
        o.ok = g_spawn_check_wait_status(status, nullptr);
        o.output = o.ok ? (out ? out : "") : (err ? err : "");
    } else {
        o.output = error ? error->message : "cannot run udisksctl";
        g_clear_error(&error);
    }
    g_free(out);
    g_free(err);
    while (!o.output.empty() && (o.output.back() == '\n' || o.output.back() == '.')) o.output.pop_back();
    return o;
}

// The last word of udisksctl's answer ("Mapped file F as /dev/loop3." / "Mounted /dev/loop3 at /media/u/V"),
// after the marker.
std::optional<std::string> after(const std::string& output, const std::string& marker) {
    size_t at = output.rfind(marker);
    if (at == std::string::npos) return std::nullopt;
    return output.substr(at + marker.size());
}

// The loop device itself, then its partitions ("loop3p1"...), as udisks lists them in sysfs.
std::vector<std::string> mountCandidates(const std::string& loopDevice) {
    std::vector<std::string> candidates{loopDevice};
    const std::string name = fs::path(loopDevice).filename();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/sys/class/block/" + name, ec)) {
        std::string child = entry.path().filename();
        if (child.rfind(name + "p", 0) == 0) candidates.push_back("/dev/" + child);
    }
    return candidates;
}

bool hasSuffix(const std::string& name, const std::vector<const char*>& suffixes) {
    std::unique_ptr<gchar, decltype(&g_free)> lower(g_ascii_strdown(name.c_str(), -1), g_free);
    for (const char* s : suffixes)
        if (g_str_has_suffix(lower.get(), s)) return true;
    return false;
}

}  // namespace

std::optional<MountedVolume> mountDiskImage(const fs::path& image, const std::function<void(const std::string&)>& stage) {
    stage(tr("Attaching"));
    Outcome attach = udisksctl({"loop-setup", "--file", image.string(), "--read-only"});
    auto device = attach.ok ? after(attach.output, " as ") : std::nullopt;
    if (!device) {
        logf("Error {} occurred while trying to mount the disk image {}. {}", -1, image.string(), attach.output);
        return std::nullopt;
    }
    stage(tr("Mounting"));
    std::string failure;
    for (const std::string& candidate : mountCandidates(*device)) {
        Outcome mount = udisksctl({"mount", "--block-device", candidate});
        if (auto point = mount.ok ? after(mount.output, " at ") : std::nullopt) return MountedVolume{*device, *point};
        failure = mount.output;
    }
    logf("Error {} occurred while trying to mount the disk image {}. {}", -1, image.string(), failure);
    udisksctl({"loop-delete", "--block-device", *device});
    return std::nullopt;
}

bool unmountDiskImage(const MountedVolume& volume) {
    Outcome unmount;
    for (const std::string& candidate : mountCandidates(volume.loopDevice))
        if ((unmount = udisksctl({"unmount", "--block-device", candidate})).ok) break;
    Outcome detach = udisksctl({"loop-delete", "--block-device", volume.loopDevice});
    if (unmount.ok) logf("Unmounted disk {}. {}", volume.loopDevice, volume.mountPoint.string());
    else logf("Could not unmount {} because {}. {}", volume.loopDevice, unmount.output, volume.mountPoint.string());
    return unmount.ok && detach.ok;
}

bool isDiskImageName(const std::string& fileName) { return hasSuffix(fileName, {".dmg", ".iso", ".img"}); }

bool isArchiveName(const std::string& fileName) {
    return hasSuffix(fileName, {".zip", ".tar", ".tar.gz", ".tgz", ".tar.xz", ".txz", ".tar.bz2", ".tar.zst", ".7z"});
}

}  // namespace talv::update
