#include "common/mpi_process_group.hpp"

#include <mpi.h>

#include <algorithm>
#include <climits>

#include "common/errors.hpp"

namespace dls {

namespace {

constexpr int kFoldTag = 1, kBytesTag = 2;
// Messages go in pieces that MPI's int counts can hold.
constexpr std::size_t kPiece = std::size_t{1} << 30;

class MpiProcessGroup : public ProcessGroup {
 public:
  MpiProcessGroup(int& argc, char**& argv) {
    int provided = 0;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
    // Worker threads only compute; the thread that started MPI alone calls it.
    if (provided < MPI_THREAD_FUNNELED) {
      MPI_Finalize();
      throw InternalError("the MPI library does not allow threads beside the one calling it");
    }
    MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
    MPI_Comm_size(MPI_COMM_WORLD, &size_);
  }
  ~MpiProcessGroup() override { MPI_Finalize(); }

  int rank() const override { return rank_; }
  int size() const override { return size_; }

  // A chain from rank 0 to the last rank, which then gives every rank the
  // sums: size - 1 messages of the values one after the other, and a
  // broadcast.
  void foldInRankOrder(std::vector<double>& running, const std::function<void(std::vector<double>&)>& addOwn) override {
    const int count = static_cast<int>(running.size());
    if (rank_ > 0) MPI_Recv(running.data(), count, MPI_DOUBLE, rank_ - 1, kFoldTag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    addOwn(running);
    if (rank_ + 1 < size_) MPI_Send(running.data(), count, MPI_DOUBLE, rank_ + 1, kFoldTag, MPI_COMM_WORLD);
    MPI_Bcast(running.data(), count, MPI_DOUBLE, size_ - 1, MPI_COMM_WORLD);
  }

  bool anyRank(bool mine) override {
    int in = mine ? 1 : 0, out = 0;
    MPI_Allreduce(&in, &out, 1, MPI_INT, MPI_LOR, MPI_COMM_WORLD);
    return out != 0;
  }

  void broadcast(std::string& bytes) override {
    unsigned long long size = bytes.size();
    MPI_Bcast(&size, 1, MPI_UNSIGNED_LONG_LONG, 0, MPI_COMM_WORLD);
    bytes.resize(static_cast<std::size_t>(size));
    for (std::size_t at = 0; at < bytes.size(); at += kPiece)
      MPI_Bcast(&bytes[at], static_cast<int>(std::min(kPiece, bytes.size() - at)), MPI_CHAR, 0, MPI_COMM_WORLD);
  }

  void send(int to, const std::string& bytes) override {
    unsigned long long size = bytes.size();
    MPI_Send(&size, 1, MPI_UNSIGNED_LONG_LONG, to, kBytesTag, MPI_COMM_WORLD);
    for (std::size_t at = 0; at < bytes.size(); at += kPiece)
      MPI_Send(bytes.data() + at, static_cast<int>(std::min(kPiece, bytes.size() - at)), MPI_CHAR, to, kBytesTag,
               MPI_COMM_WORLD);
  }

  std::string receive(int from) override {
    unsigned long long size = 0;
    MPI_Recv(&size, 1, MPI_UNSIGNED_LONG_LONG, from, kBytesTag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (std::size_t at = 0; at < bytes.size(); at += kPiece)
      MPI_Recv(&bytes[at], static_cast<int>(std::min(kPiece, bytes.size() - at)), MPI_CHAR, from, kBytesTag,
               MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    return bytes;
  }

  void setWorkingTogether(bool together) override { together_ = together; }
  // The other ranks may wait for this one in a collective step: only
  // ending the whole run frees them.
  void endAfterFailure(int status) override {
    if (together_ && size_ > 1) MPI_Abort(MPI_COMM_WORLD, status);
  }

 private:
  int rank_ = 0, size_ = 1;
  bool together_ = false;
};

}  // namespace

std::unique_ptr<ProcessGroup> startMpiProcessGroup(int& argc, char**& argv) {
  return std::make_unique<MpiProcessGroup>(argc, argv);
}

}  // namespace dls
