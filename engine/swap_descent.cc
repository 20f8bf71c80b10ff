// The swap descent with the fast kernels.
//
// Invariant of the fast descent: between exchanges, Problem.GroupConflictTable, Assignment and
// CurrentScore are current, grp equals Assignment, and pc[r] = PersonConflict[r] =
// GroupConflictTable(r, grp[r]): the exchange kernel writes both copies.
//
// The scan of row k is the same as testing its partners one by one in ascending order: a kernel
// computes the gains of a block of partners at once and reports the first positive one; after an
// exchange the scan resumes right after that partner with the updated tables.
#include "engine/swap_descent.h"

#include <algorithm>

#include "engine/fast_kernels.h"
#include "engine/fast_tables.h"
#include "reference/reference_engine.h"

namespace quorvale {

namespace {

class FastDescent {
 public:
  FastDescent(Problem& problem, SearchMonitor* monitor, const Engine& engine, FastTables& tables,
              bool one_class)
      : p_(problem),
        monitor_(monitor),
        t_(tables),
        kernels_(*engine.kernels()),
        narrow_limit_(engine.limits().narrow_sum_limit) {
    const GroupTable& table = p_.GroupConflictTable;
    narrow_ =
        kernels_.largest(table.Column(0), table.stride() * static_cast<size_t>(table.groups())) <
        narrow_limit_;
    t_.LoadPersonConflicts(p_);
    row_.pc = t_.pc();
    row_.grp = t_.grp();
    row_.cls = t_.cls();
    row_.lookup = t_.lookup();
    row_.stride = static_cast<int32_t>(p_.GroupConflictTable.stride());
    row_.slots = t_.slots();
    row_.n = t_.n();
    row_.one_class = one_class;
  }

  FastDescent(const FastDescent&) = delete;
  FastDescent& operator=(const FastDescent&) = delete;

  bool Run();

 private:
  void PrepareRow(int32_t k);
  void Exchange(int32_t k, int32_t j);

  Problem& p_;
  SearchMonitor* monitor_;
  FastTables& t_;
  const FastKernels& kernels_;
  const int32_t narrow_limit_;
  ScanRow row_;
  bool narrow_ = true;
};

bool FastDescent::Run() {
  /*
   * Scans until one finds no exchange. Per row k:
   *   1. ask the monitor whether to stop;
   *   2. skip k when its type takes part in no exchange;
   *   3. point the kernel at k's group's column and k's entries in the columns;
   *   4. let the kernel find the first partner with a positive gain;
   *   5. exchange, report, and go on from the next partner with k's new group.
   */
  const int32_t n = t_.n();
  const int8_t* cls = t_.cls();
  bool exchanged = true;
  while (exchanged) {
    exchanged = false;
    for (int32_t k = 1; k < n; ++k) {
      // 1. Stop.
      if (monitor_ != nullptr && monitor_->StopRequested()) return false;
      // 2. Types that never exchange.
      if (cls[k] == kNeverExchanged) continue;
      row_.m_row = p_.ConflictMatrix.Row(k);
      row_.ck = cls[k];
      int32_t j = k + 1;
      while (j <= n) {
        // 3. k's group and column.
        PrepareRow(k);
        // 4. First positive gain; 32-bit sums only while the table values allow them.
        j = narrow_ ? kernels_.find_gain(row_, j) : PortableKernels().find_gain(row_, j);
        if (j == 0) break;
        // 5. Exchange.
        Exchange(k, j);
        exchanged = true;
        if (monitor_ != nullptr) monitor_->AfterExchange(p_);
        ++j;
      }
    }
  }
  return true;
}

void FastDescent::PrepareRow(int32_t k) {
  const int32_t gk = t_.grp()[k];
  row_.gk = gk;
  row_.pck = t_.pc()[k];
  row_.tt_gk = p_.GroupConflictTable.Column(gk);
  row_.tt_k = p_.GroupConflictTable.Column(0) + k;
}

void FastDescent::Exchange(int32_t k, int32_t j) {
  int16_t* grp = t_.grp();
  int32_t* pc = t_.pc();
  const int32_t gk = grp[k];
  const int32_t gj = grp[j];
  GroupTable& table = p_.GroupConflictTable;
  const int64_t gain =
      2 * int64_t{p_.ConflictMatrix(k, j)} + int64_t{pc[k]} + pc[j] - table(k, gj) - table(j, gk);
  grp[k] = static_cast<int16_t>(gj);
  grp[j] = static_cast<int16_t>(gk);
  p_.Assignment[static_cast<size_t>(k)] = gj;
  p_.Assignment[static_cast<size_t>(j)] = gk;
  // Row r of the matrix is its column too: M[r][k] = M[k][r].
  const ExchangeRows rows{p_.ConflictMatrix.Row(k),
                          p_.ConflictMatrix.Row(j),
                          table.Column(gj),
                          table.Column(gk),
                          grp,
                          pc,
                          p_.PersonConflict.data(),
                          gj,
                          gk,
                          t_.n()};
  if (kernels_.apply_exchange(rows) >= narrow_limit_) narrow_ = false;
  p_.CurrentScore -= gain;
}

}  // namespace

bool SwapDescent(Problem& p, const Engine& engine, SearchMonitor* monitor) {
  if (p.PersonCount() < 2) return true;
  FastTables tables;
  bool one_class = false;
  if (engine.kernels() == nullptr || !tables.Prepare(p) || !tables.LoadAssignment(p) ||
      !tables.LoadClasses(p, one_class)) {
    return reference::ReferenceSwapDescent(p, monitor);
  }
  FastDescent descent(p, monitor, engine, tables, one_class);
  return descent.Run();
}

}  // namespace quorvale
