#include "platform/wininet/RequestFailure.h"

namespace quilbex::wininet {

namespace {

thread_local RequestFailure t_last_failure;

}  // namespace

RequestFailure last_request_failure() { return t_last_failure; }

void set_last_request_failure(RequestFailure failure) { t_last_failure = std::move(failure); }

}  // namespace quilbex::wininet
