// Turning a local path, as the plug-in names files, into a URL that a browser
// on this machine opens.
#pragma once

#include <string>

namespace standin {

// "file://" URL of `path`; under Wine the path is first mapped to the Linux
// file it names, so that a browser outside Wine finds it. Empty when the path
// cannot be mapped.
std::string BrowserFileUrl(const std::string& path);

// Percent-escapes everything but unreserved characters and '/' and ':'.
std::string EscapeUrlPath(const std::string& path);

}  // namespace standin
