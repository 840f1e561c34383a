#include "app/failure.hpp"

#include <new>

#include "common/errors.hpp"

namespace dls {

int runReportingFailures(const std::function<int()>& body, std::ostream& err) {
  try {
    return body();
  } catch (const ReportedElsewhere&) {
    return 1;
  } catch (const InputError& error) {
    err << "ERROR: " << error.what() << std::endl;
    return 1;
  } catch (const std::bad_alloc&) {
    err << "ERROR: out of memory" << std::endl;
    return 1;
  } catch (const std::exception& error) {
    err << "ERROR: internal error: " << error.what() << std::endl;
    return 2;
  }
}

}  // namespace dls
