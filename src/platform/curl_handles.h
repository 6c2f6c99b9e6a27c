#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

// Owning handles for libcurl objects and the process-wide set-up that every
// HTTP exchange of the program shares: one cookie store and one trust store.
namespace sonivane::curl {

struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyCleanup>;

struct SlistCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistCleanup>;

// Appends a line to a header list; returns false when curl is out of memory
// (the list is then unchanged).
bool append(Slist& list, const std::string& line);

// A new easy handle taking part in the process-wide cookie store (it sends
// the cookies held there and stores those the server sets), verifying
// certificates against the system store plus the PEM bundle named by
// SONIVANE_CA_FILE, limited to HTTP and HTTPS, and safe to use on any
// thread. Null only when curl cannot allocate.
Easy make_easy();

} // namespace sonivane::curl
