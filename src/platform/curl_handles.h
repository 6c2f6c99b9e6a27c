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

struct MultiCleanup {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using Multi = std::unique_ptr<CURLM, MultiCleanup>;

struct SlistCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistCleanup>;

// Appends a line to a header list; returns false when curl is out of memory
// (the list is then unchanged).
bool append(Slist& list, const std::string& line);

// Sets up libcurl and the shared stores if that has not happened yet.
// Whatever is set up after this call is torn down before them.
void initialise();

// A new easy handle that, with `cookie_store`, takes part in the
// process-wide cookie store (it sends the cookies held there and stores
// those the server sets), verifying
// certificates against the system store plus the PEM bundle named by
// SONIVANE_CA_FILE, limited to HTTP and HTTPS, and safe to use on any
// thread. Null only when curl cannot allocate.
Easy make_easy(bool cookie_store = true);

} // namespace sonivane::curl
