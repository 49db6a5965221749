#pragma once

#include "server/Exchange.h"

#include <microhttpd.h>

namespace server {

// One family of the server's requests, listed in the Router under each path it answers. A route
// checks the method itself, as each family has its own.
class Route {
public:
    virtual ~Route() = default;

    // Answers a request for one of the route's paths, or begins its wait (Waits::begin) and
    // returns MHD_YES.
    virtual MHD_Result handle(Exchange& x) = 0;
    // Answers a request whose wait has ended: with what it waited for, or, when a stop gave it
    // up (Request::givenUp), without it.
    virtual MHD_Result resume(Exchange& x) = 0;
};

} // namespace server
