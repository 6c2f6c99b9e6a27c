#include "net/endpoints.h"

#include <cstdlib>

namespace sonivane::endpoints {

namespace {

std::string_view built_in_host(Service service)
{
    switch (service) {
    case Service::music_search:
        return music_search_host;
    case Service::mp3_files:
        return mp3_files_host;
    case Service::bgm_list:
        return bgm_list_host;
    case Service::alt_stream:
        return alt_stream_host;
    case Service::public_download:
        return public_download_host;
    case Service::storage_portal:
        return storage_portal_host;
    case Service::upload_endpoint:
        return upload_endpoint_host;
    }
    return {};
}

} // namespace

bool is_https(Service service)
{
    return service == Service::storage_portal || service == Service::upload_endpoint;
}

std::string host(Service service)
{
    const char* redirect = std::getenv(is_https(service) ? service_https_variable : service_http_variable);
    if (redirect != nullptr && *redirect != '\0') {
        return redirect;
    }
    return std::string(built_in_host(service));
}

std::string origin(Service service)
{
    return (is_https(service) ? "https://" : "http://") + host(service);
}

} // namespace sonivane::endpoints
