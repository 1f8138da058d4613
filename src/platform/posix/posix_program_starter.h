#pragma once
// Starting programs that outlive nothing of ours: detached, unwaited, no zombie.
#include <string>
#include <vector>

#include "platform/program_starter.h"

namespace platform::posix {

// Runs `path` (no PATH search) with `argv` (argv[0] included) in a new session,
// stdin/stdout/stderr on /dev/null, and returns once the program is running or
// has failed to start. The program is a grandchild: the intermediate child is
// reaped before returning, so no zombie of ours is left. Returns 0 on success,
// otherwise the errno of the failed step (exec's, as a rule).
int SpawnDetached(const std::string& path, const std::vector<std::string>& argv);

// The whole command line is the program's path: started without a shell and
// with no arguments, since the caller never quotes or splits it. The window
// style has no meaning here and is ignored.
class PosixProgramStarter : public ProgramStarter {
 public:
  void Start(const std::u16string& commandLine, int windowStyle) override;
};

}  // namespace platform::posix
