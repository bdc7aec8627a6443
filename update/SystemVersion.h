#pragma once
// The running system as the update check describes it.
#include <cstdint>
#include <string>
#include <string_view>

namespace talv::update {

// Packs "major.minor.patch" (missing numbers count as 0) as three bytes of two decimal
// digits each, one digit per 4 bits: "10.4.11" gives 0x100411. A number above 99 counts as
// 99. 0 when the text does not start with a number.
std::uint32_t packSystemVersion(std::string_view versionText);

// The packed version of the running system: /etc/os-release's VERSION_ID when it starts
// with a number, else the kernel release. Computed once per process.
std::uint32_t currentPackedSystemVersion();

// "<ID>-<VERSION_ID>_<kernel release>" from /etc/os-release and uname, or "UNKNOWN".
std::string systemVersionDescription();

// The machine's model: the firmware's product name, else the device tree's model, at most
// 254 characters; "UNKNOWN" when neither can be read.
std::string hardwareModelName();

}  // namespace talv::update
