// The quote service: GET /api/soul answers a short text at data.title.

#include "sim/Services.h"

namespace quilbex::sim {

Response quote_service(SimState& state, const Request& request) {
    if (request.method != "GET" || request.path() != "/api/soul")
        return Response::text(404, "Not Found", "text/plain", "not found");
    const std::string mode = state.scenario.get("quote_mode");
    if (mode == "not_json")
        return Response::text(502, "Bad Gateway", "text/html", "<html><body>502 Bad Gateway</body></html>");
    if (mode == "no_data")
        return Response::text(200, "OK", "application/json; charset=utf-8", "{\"code\":500,\"msg\":\"busy\"}");
    return Response::text(
        200, "OK", "application/json; charset=utf-8",
        "{\"code\":200,\"data\":{\"id\":1024,\"title\":" + json_string(state.scenario.get("quote"), false) + "}}");
}

}  // namespace quilbex::sim
