#include "ui/start_up.h"

#include "net/endpoints.h"
#include "net/web_request.h"
#include "search/song_link_search.h"

#include <string>

namespace sonivane::ui {

Bytes sign_in_body()
{
    return "username=" + std::string(endpoints::storage_email) +
           "&password=" + std::string(endpoints::storage_password) + "&remember=true";
}

void sign_in()
{
    Text address(std::string_view(endpoints::origin(endpoints::Service::storage_portal) + "/signin"));
    net::web_request(address, 1, std::nullopt, std::nullopt, sign_in_body());
}

void release_module_texts()
{
    release_search_state();
}

} // namespace sonivane::ui
