#pragma once
// The processes of a run: one in the plain build; in the cluster build,
// the MPI ranks started together. Rank 0 reads the input, writes the
// output and talks to the user; each rank scores its own share of the gene
// trees, and the stages combine the ranks' partial sums here. Every rank
// calls each collective operation at the same point of the same stage.
//
// The plain build's group is this class itself: every operation is the one
// process's part alone.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dls {

class ProcessGroup {
 public:
  virtual ~ProcessGroup() = default;

  virtual int rank() const { return 0; }
  virtual int size() const { return 1; }
  bool leads() const { return rank() == 0; }

  // A sum folded left to right over the ranks in rank order, so that it
  // adds the same terms in the same order as one process holding every
  // rank's share: rank 0 calls addOwn on `running` as given, every other
  // rank on the running values of the rank before it; every rank ends with
  // the last rank's values.
  virtual void foldInRankOrder(std::vector<double>& running, const std::function<void(std::vector<double>&)>& addOwn) {
    addOwn(running);
  }
  // Whether `mine` holds on any rank; every rank gets the answer.
  virtual bool anyRank(bool mine) { return mine; }
  // Rank 0's bytes to every rank.
  virtual void broadcast(std::string& /*bytes*/) {}
  // Point to point, in the order the two ranks agree on.
  virtual void send(int /*to*/, const std::string& /*bytes*/) {}
  virtual std::string receive(int /*from*/) { return std::string(); }

  // While the ranks work together, a failure on one rank cannot be told
  // to the others at a point they all reach: endAfterFailure then ends
  // them all. The plain build has nothing to end.
  virtual void setWorkingTogether(bool /*together*/) {}
  virtual void endAfterFailure(int /*status*/) {}
};

// The group of the plain build's one process.
ProcessGroup& soleProcess();

}  // namespace dls
