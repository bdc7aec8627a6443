#pragma once
// Where the program's files live. Every call reads the environment afresh (HOME, XDG_*,
// TMPDIR), so a changed environment takes effect at once. Thread-safe.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talv {

class Paths {
public:
    // $HOME, else the password database's home of the user.
    static std::filesystem::path home();
    // $XDG_DATA_HOME/Orvane/Talvessa (XDG default ~/.local/share).
    static std::filesystem::path applicationSupport();
    // $XDG_CACHE_HOME/Orvane/Talvessa (XDG default ~/.cache).
    static std::filesystem::path caches();
    // $XDG_CONFIG_HOME/Orvane/Preferences (XDG default ~/.config).
    static std::filesystem::path preferences();
    // $TMPDIR, else /tmp, as g_get_tmp_dir() answers but without its cache.
    static std::filesystem::path temporary();

    // "~" and "~/x" become the home; "~user/x" that user's home; anything else is unchanged.
    static std::string expandTilde(std::string_view path);

    // `path` made absolute (against the working folder) and canonical: symbolic links, "." and
    // ".." resolved as far as the path exists, the rest made lexically normal, no trailing "/".
    // Every spelling of one folder gives the same path.
    static std::filesystem::path canonical(const std::filesystem::path& path);

    // The home under which the chat clients' folders are looked for, canonical: the override,
    // else the application's user default "TranscriptsHome" (tilde expanded), else home().
    static std::filesystem::path transcriptsHome();
    // Command-line override of transcriptsHome(); none clears it.
    static void setTranscriptsHomeOverride(std::optional<std::filesystem::path> home);
};

}  // namespace talv
