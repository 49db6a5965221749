#pragma once

// What a download comes to, and the sink that takes its body.

#include <cstddef>
#include <functional>

enum class DownloadOutcome {
    Received,    // the whole body of a reply with a status below 400
    HttpFailure, // status 400 or above, host not found, connection refused, aborted
    WriteFailure // the sink refused the body (too long, or it could not be stored)
};

// Receives the body in pieces; returns false when it cannot take them.
using DownloadSink = std::function<bool(const char* data, std::size_t size)>;
