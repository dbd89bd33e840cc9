#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace qv::cli {

struct TrimOptions {
    bool json = false;
    /// Only these processes, in this order; all of them when empty.
    std::vector<std::uint32_t> pids;
    /// Seconds to wait before reporting what stayed free.
    std::optional<double> followSeconds;
};

/// One trim pass with the window's own code, then a report per process;
/// returns the exit code.
int runTrim(const TrimOptions& options);

}  // namespace qv::cli
