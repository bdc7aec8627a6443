#pragma once
// Timings of one message of 1 MiB in an Adium HTML log, read and stored as the Adium pass does and
// then rendered: ordinary words (the baseline), one long word, markup tags, and links. Long words
// once made the link search quadratic.
#include <filesystem>

namespace talv::bench {

// Writes the logs under `folder` and reports long_<kind>_index_ and long_<kind>_render_ seconds
// and cpu for each kind, into the archive of the XDG folders in the environment.
bool measureLongMessages(const std::filesystem::path& folder);

}  // namespace talv::bench
