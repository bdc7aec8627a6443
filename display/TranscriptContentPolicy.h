#pragma once
// What a rendered page may load and run, as a Content-Security-Policy for the web view that shows
// it: files and data only, so that a style or a transcript naming a picture on the network never
// makes a request; and no script but the page skeleton's own (by their SHA-256), so that neither
// a "javascript:" link nor an inline handler in a style runs.
#include <string>

namespace talv {

std::string transcriptContentSecurityPolicy();

}  // namespace talv
