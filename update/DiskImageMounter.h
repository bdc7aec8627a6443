#pragma once
// Mounting a downloaded disk image through udisks (udisksctl): attached read-only as a loop
// device, then mounted where udisks mounts the user's media. Blocking: call on a worker thread.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace talv::update {

struct MountedVolume {
    std::string loopDevice;          // "/dev/loop3"
    std::filesystem::path mountPoint;
};

// The image's volume, or none (logged) when udisksctl is missing or the image cannot be
// attached or mounted (a loop device that was attached is detached again). stage() hears
// each step's name.
std::optional<MountedVolume> mountDiskImage(const std::filesystem::path& image,
                                            const std::function<void(const std::string& stage)>& stage);

// Unmounts the volume and detaches its loop device; false (logged) on failure.
bool unmountDiskImage(const MountedVolume& volume);

// Whether a file name is that of a disk image udisks can attach (".iso", ".img", ".dmg"...),
// or of an archive that the desktop opens, the two kinds of update file the updater downloads.
bool isDiskImageName(const std::string& fileName);
bool isArchiveName(const std::string& fileName);

}  // namespace talv::update
