// The rates page and the health answer over HTTP.
#pragma once

#include <httplib.h>

#include "service.h"

namespace site {

inline constexpr const char* kPagePath = "/cgi-bin/cgicalc.cgi";

// Routes and the worker pool: every keep-alive client holds a worker while
// its connection is open, so the pool is sized for many of them.
void SetUpServer(httplib::Server& server, const RatesService& service);

}  // namespace site
