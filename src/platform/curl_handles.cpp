#include "platform/curl_handles.h"

#include "net/endpoints.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>

namespace sonivane::curl {

namespace {

std::string read_file(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Library set-up and the shared cookie store. It lives until static
// destruction; whoever runs transfers on other threads joins them before
// the program ends.
class Runtime {
public:
    Runtime()
    {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            throw std::runtime_error("libcurl failed to initialise");
        }
        m_share = curl_share_init();
        if (m_share == nullptr) {
            throw std::runtime_error("libcurl failed to create the cookie store");
        }
        curl_share_setopt(m_share, CURLSHOPT_LOCKFUNC, &Runtime::lock);
        curl_share_setopt(m_share, CURLSHOPT_UNLOCKFUNC, &Runtime::unlock);
        curl_share_setopt(m_share, CURLSHOPT_USERDATA, this);
        curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
    ~Runtime()
    {
        curl_share_cleanup(m_share);
        curl_global_cleanup();
    }
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    CURLSH* share() const { return m_share; }

    // Empty when no extra bundle is named: curl then uses the system store
    // on its own. Otherwise the system store followed by the extra bundle,
    // read again whenever the variable names another file.
    std::shared_ptr<const std::string> ca_bundle()
    {
        const char* extra = std::getenv(endpoints::ca_file_variable);
        const std::string extra_path = extra != nullptr ? extra : "";
        const std::lock_guard lock(m_ca_mutex);
        if (!m_ca_bundle || extra_path != m_ca_path) {
            m_ca_path = extra_path;
            m_ca_bundle = std::make_shared<const std::string>(extra_path.empty() ? std::string()
                                                                                 : combined_ca_bundle(extra_path));
        }
        return m_ca_bundle;
    }

private:
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self)
    {
        static_cast<Runtime*>(self)->m_locks.at(static_cast<std::size_t>(data)).lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* self)
    {
        static_cast<Runtime*>(self)->m_locks.at(static_cast<std::size_t>(data)).unlock();
    }

    static std::string combined_ca_bundle(const std::string& extra)
    {
        const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
        const char* system_bundle =
            (info != nullptr && info->cainfo != nullptr) ? info->cainfo : "/etc/ssl/certs/ca-certificates.crt";
        return read_file(system_bundle) + "\n" + read_file(extra.c_str());
    }

    CURLSH* m_share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> m_locks;
    std::mutex m_ca_mutex;
    std::string m_ca_path;
    std::shared_ptr<const std::string> m_ca_bundle;
};

Runtime& runtime()
{
    static Runtime instance;
    return instance;
}

} // namespace

bool append(Slist& list, const std::string& line)
{
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) {
        return false;
    }
    list.release();
    list.reset(grown);
    return true;
}

void initialise()
{
    runtime();
}

Easy make_easy(bool cookie_store)
{
    Runtime& shared = runtime();
    Easy easy(curl_easy_init());
    if (!easy) {
        return easy;
    }
    CURL* handle = easy.get();
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    if (cookie_store) {
        curl_easy_setopt(handle, CURLOPT_SHARE, shared.share());
        // An empty cookie file switches the cookie engine on without reading a file.
        curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
    }
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const std::shared_ptr<const std::string> bundle = shared.ca_bundle(); !bundle->empty()) {
        // curl copies the blob, so the bundle may change after this call.
        curl_blob blob{};
        blob.data = const_cast<char*>(bundle->data());
        blob.len = bundle->size();
        blob.flags = CURL_BLOB_COPY;
        curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &blob);
    }
    return easy;
}

} // namespace sonivane::curl
