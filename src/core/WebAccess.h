#pragma once
// The program's way onto the network: the connection-state queries and the
// download of one address into a file.

#include <filesystem>
#include <string>

class WebAccess {
  public:
    virtual ~WebAccess() = default;

    // Whether the system reports a connection to the Internet, and whether a
    // network is present at all. Where the system cannot tell, both are true:
    // the download itself then fails cleanly.
    virtual bool InternetConnected() = 0;
    virtual bool NetworkPresent() = 0;

    // Downloads url (http, https or file, taken exactly as written) into the
    // file at target. True only when the whole body has arrived and has been
    // moved into place under target; a failed, cut or stalled transfer leaves
    // no file under that name (an older file of that name stays as it was).
    // Blocks its caller until the transfer has ended.
    virtual bool DownloadUrlToFile(const std::string& url, const std::filesystem::path& target) = 0;
};
