#include "common/process_group.hpp"

namespace dls {

ProcessGroup& soleProcess() {
  // Stateless: every operation is the one process's part alone.
  static ProcessGroup sole;
  return sole;
}

}  // namespace dls
