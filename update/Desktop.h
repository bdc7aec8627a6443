#pragma once
// What the updater asks of the desktop: web pages in the browser, files and folders with the
// handler of their type. Downloaded files are only ever opened this way, never run.
#include <filesystem>
#include <memory>
#include <string>

namespace talv::update {

class Desktop {
public:
    virtual ~Desktop() = default;
    // An http or https address with the default browser; false (logged) otherwise.
    virtual bool openURL(const std::string& url) = 0;
    // A file or folder with the default application for its type; false (logged) when there is
    // none, or when the file is of a type that would run as a program.
    virtual bool openFile(const std::filesystem::path& path) = 0;

    // GIO's default applications.
    static std::shared_ptr<Desktop> system();
};

}  // namespace talv::update
