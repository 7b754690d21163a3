// The zep commands; each takes its own argv (argv[0] is the command's name) and returns
// the process exit status: 0 success, 1 failure, 2 usage error.
#pragma once

namespace zep::tool {

}  // namespace zep::tool
