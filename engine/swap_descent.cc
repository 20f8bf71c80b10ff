// The swap descent with the fast kernels.
//
// The descent computes on positions. In person order (one type, or more persons than the type
// order takes) a position is a person and the tables are the Problem's own. In type order
// (Problem.PersonsByType) the matrix is the order's copy and the group table a working copy in
// that order, loaded at the start and written back to the Problem's at the end, and a row's
// partners of its own type are one contiguous run of positions. Either way the rows are taken
// in person order and each row's partners in ascending person order, so the exchanges are
// those of testing the pairs one by one.
//
// Invariant of the fast descent: Assignment and CurrentScore are current at every exchange, and
// grp holds the groups by position. The working group table and pc are current, between
// exchanges, for every position the scan in progress will still read: the row's person and the
// persons after it. An exchange brings only those up to date and leaves the positions of earlier
// persons for the end of the scan (with at most kMaxDeferredRuns types; beyond that it updates
// all at once). At the end of each scan, and when the descent stops, every entry is current;
// PersonConflict is written from pc when the descent returns.
//
// After an exchange the scan resumes right after the partner with the updated tables. A row that
// no exchange anywhere has touched since it was last scanned is skipped: every one of its pairs
// was tested on the same tables and none had a positive gain.
#include "engine/swap_descent.h"

#include <algorithm>
#include <array>
#include <vector>

#include "engine/fast_tables.h"
#include "engine/kernels/exchange_gain.h"
#include "engine/kernels/fast_kernels.h"
#include "engine/plain_engine.h"

namespace quorvale {

namespace {

// Where the descent computes.
struct Layout {
  const Table2D<int16_t>* matrix = nullptr;
  GroupTable* table = nullptr;
  const int32_t* person_at = nullptr;    // null: positions are persons
  const int32_t* position_of = nullptr;  // null: positions are persons
  const int32_t* run_end = nullptr;      // the last partner of each position; null: N
  int64_t largest_sum = -1;              // a bound on every group sum; -1: none known
};

// Runs of positions beyond which the descent brings every entry up to date at each exchange.
constexpr size_t kMaxDeferredRuns = 4;

class FastDescent {
 public:
  FastDescent(Problem& problem, SearchMonitor* monitor, const Engine& engine, FastTables& tables,
              const Layout& layout, bool one_class);
  FastDescent(const FastDescent&) = delete;
  FastDescent& operator=(const FastDescent&) = delete;

  bool Run();
  // Writes pc to PersonConflict, in person order.
  void WritePersonConflicts();

 private:
  void PrepareRow(int32_t k);
  void Exchange(int32_t k, int32_t j);
  void CatchUp();
  int32_t PersonAt(int32_t position) const {
    return layout_.person_at == nullptr ? position : layout_.person_at[position];
  }

  // An exchange whose update of the positions before `from` in each run waits for the end of
  // the scan: the scan reads no person before the row's person again.
  struct Deferred {
    int32_t k;
    int32_t j;
    int32_t gj;  // the groups k and j moved into
    int32_t gk;
    std::array<int32_t, kMaxDeferredRuns> from;
  };
  struct TypeRun {
    int32_t first;
    int32_t last;
  };

  Problem& p_;
  SearchMonitor* monitor_;
  FastTables& t_;
  const Layout layout_;
  const FastKernels& kernels_;
  const int32_t narrow_limit_;
  ScanRow row_;
  bool narrow_ = true;
  bool bounded_ = false;
  // Exchanges so far, and their number when each person's row was last begun.
  int64_t exchanges_ = 0;
  std::vector<int64_t> row_stamp_;
  // The type runs of positions (one run of all in person order), each position's run, and per
  // run the position of the row in progress or of its last row in this scan: every position
  // from there on is current at every exchange.
  std::vector<TypeRun> runs_;
  std::vector<uint8_t> run_of_;
  std::array<int32_t, kMaxDeferredRuns> current_from_{};
  bool defer_ = false;
  std::vector<Deferred> deferred_;
};

FastDescent::FastDescent(Problem& problem, SearchMonitor* monitor, const Engine& engine,
                         FastTables& tables, const Layout& layout, bool one_class)
    : p_(problem),
      monitor_(monitor),
      t_(tables),
      layout_(layout),
      kernels_(*engine.kernels()),
      narrow_limit_(engine.limits().narrow_sum_limit),
      row_stamp_(static_cast<size_t>(tables.n()) + 1, -1) {
  const GroupTable& table = *layout_.table;
  // Below the bound no group sum can reach the limit, and no exchange needs to look for one. The
  // tables must keep to it on entry: a group sum is a sum along a matrix row.
  const int32_t largest =
      kernels_.largest(table.Column(0), table.stride() * static_cast<size_t>(table.groups()));
  bounded_ = layout_.largest_sum >= 0 && layout_.largest_sum < narrow_limit_ &&
             largest <= layout_.largest_sum;
  narrow_ = largest < narrow_limit_;
  t_.LoadPersonConflicts(table);
  const int32_t n = t_.n();
  row_.pc = t_.pc();
  row_.grp = t_.grp();
  row_.cls = t_.cls();
  row_.lookup = t_.lookup();
  row_.stride = static_cast<int32_t>(table.stride());
  row_.slots = t_.slots();
  row_.n = n;
  // Every partner in a type run shares the row's type.
  row_.one_class = one_class || layout_.run_end != nullptr;
  for (int32_t a = 1; a <= n;) {
    const int32_t last = layout_.run_end == nullptr ? n : layout_.run_end[a];
    runs_.push_back({a, last});
    a = last + 1;
  }
  defer_ = runs_.size() <= kMaxDeferredRuns;
  if (defer_) {
    run_of_.assign(static_cast<size_t>(n) + 1, 0);
    for (size_t r = 0; r < runs_.size(); ++r) {
      std::fill(run_of_.begin() + runs_[r].first, run_of_.begin() + runs_[r].last + 1,
                static_cast<uint8_t>(r));
    }
  }
}

bool FastDescent::Run() {
  /*
   * Scans until one finds no exchange. Per person k, in person order:
   *   1. ask the monitor whether to stop;
   *   2. skip k when its type takes part in no exchange, or nothing changed since its last scan;
   *   3. point the kernel at k's group's column and k's entries in the columns;
   *   4. let the kernel find the first partner with a positive gain;
   *   5. exchange, report, and go on from the next partner with k's new group.
   * At the end of each scan the entries the scan no longer read are brought up to date.
   */
  const int32_t n = t_.n();
  const int8_t* cls = t_.cls();
  bool exchanged = true;
  while (exchanged) {
    exchanged = false;
    for (size_t r = 0; r < runs_.size() && defer_; ++r) current_from_[r] = runs_[r].first;
    for (int32_t person = 1; person < n; ++person) {
      // 1. Stop.
      if (monitor_ != nullptr && monitor_->StopRequested()) {
        CatchUp();
        return false;
      }
      // 2. Types that never exchange, and rows already scanned on the same tables.
      const int32_t k = layout_.position_of == nullptr ? person : layout_.position_of[person];
      if (defer_) current_from_[run_of_[static_cast<size_t>(k)]] = k;
      if (cls[k] == kNeverExchanged) continue;
      int64_t& stamp = row_stamp_[static_cast<size_t>(person)];
      if (stamp == exchanges_) continue;
      stamp = exchanges_;
      row_.n = layout_.run_end == nullptr ? n : layout_.run_end[k];
      row_.m_row = layout_.matrix->Row(k);
      row_.ck = cls[k];
      int32_t j = k + 1;
      while (j <= row_.n) {
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
    CatchUp();
  }
  return true;
}

void FastDescent::PrepareRow(int32_t k) {
  const int32_t gk = t_.grp()[k];
  row_.gk = gk;
  row_.pck = t_.pc()[k];
  row_.tt_gk = layout_.table->Column(gk);
  row_.tt_k = layout_.table->Column(0) + k;
}

void FastDescent::Exchange(int32_t k, int32_t j) {
  int16_t* grp = t_.grp();
  int32_t* pc = t_.pc();
  const int32_t gk = grp[k];
  const int32_t gj = grp[j];
  GroupTable& table = *layout_.table;
  const Table2D<int16_t>& matrix = *layout_.matrix;
  const int64_t gain = ExchangeGain(matrix(k, j), pc[k], pc[j], table(k, gj), table(j, gk));
  grp[k] = static_cast<int16_t>(gj);
  grp[j] = static_cast<int16_t>(gk);
  p_.Assignment[static_cast<size_t>(PersonAt(k))] = gj;
  p_.Assignment[static_cast<size_t>(PersonAt(j))] = gk;
  // Row r of the matrix is its column too: M[r][k] = M[k][r].
  ExchangeRows rows{matrix.Row(k),
                    matrix.Row(j),
                    table.Column(gj),
                    table.Column(gk),
                    grp,
                    pc,
                    nullptr,
                    gj,
                    gk,
                    0,
                    0};
  rows.track_largest = !bounded_;
  int32_t largest = 0;
  Deferred later{k, j, gj, gk, {}};
  for (size_t r = 0; r < runs_.size(); ++r) {
    rows.first = defer_ ? current_from_[r] : runs_[r].first;
    rows.last = runs_[r].last;
    if (defer_) later.from[r] = rows.first;
    largest = std::max(largest, kernels_.apply_exchange(rows));
  }
  if (defer_) deferred_.push_back(later);
  if (largest >= narrow_limit_) narrow_ = false;
  p_.CurrentScore -= gain;
  ++exchanges_;
}

// Brings the entries the exchanges of this scan left behind up to date, exchange by exchange;
// then every pc entry is read again from its group's column.
void FastDescent::CatchUp() {
  if (deferred_.empty()) return;
  const int32_t n = t_.n();
  GroupTable& table = *layout_.table;
  const Table2D<int16_t>& matrix = *layout_.matrix;
  for (const Deferred& d : deferred_) {
    ExchangeRows rows{matrix.Row(d.k),
                      matrix.Row(d.j),
                      table.Column(d.gj),
                      table.Column(d.gk),
                      t_.grp(),
                      t_.pc(),
                      nullptr,
                      d.gj,
                      d.gk,
                      0,
                      0};
    rows.track_largest = !bounded_;
    for (size_t r = 0; r < runs_.size(); ++r) {
      rows.first = runs_[r].first;
      rows.last = d.from[r] - 1;
      if (rows.last >= rows.first) kernels_.apply_exchange(rows);
    }
  }
  deferred_.clear();
  const int16_t* grp = t_.grp();
  int32_t* pc = t_.pc();
  for (int32_t a = 1; a <= n; ++a) pc[a] = table(a, grp[a]);
  if (narrow_ && !bounded_) {
    narrow_ =
        kernels_.largest(table.Column(0), table.stride() * static_cast<size_t>(table.groups())) <
        narrow_limit_;
  }
}

void FastDescent::WritePersonConflicts() {
  const int32_t* pc = t_.pc();
  for (int32_t a = 1; a <= t_.n(); ++a) p_.PersonConflict[static_cast<size_t>(PersonAt(a))] = pc[a];
}

// The Problem's group table in type order, or back: column by column, entry a of one is entry
// person_at[a] of the other. Padding and entry 0 stay as they are (zero).
void CopyToTypeOrder(const GroupTable& from, const int32_t* person_at, int32_t n, GroupTable& to) {
  for (int32_t g = 0; g < from.groups(); ++g) {
    const int32_t* source = from.Column(g);
    int32_t* target = to.Column(g);
    for (int32_t a = 1; a <= n; ++a) target[a] = source[person_at[a]];
  }
}

void CopyToPersonOrder(const GroupTable& from, const int32_t* person_at, int32_t n,
                       GroupTable& to) {
  for (int32_t g = 0; g < from.groups(); ++g) {
    const int32_t* source = from.Column(g);
    int32_t* target = to.Column(g);
    for (int32_t a = 1; a <= n; ++a) target[person_at[a]] = source[a];
  }
}

// The descent in type order; false (tables untouched) when its group table does not fit in
// memory.
bool TypeOrderDescent(Problem& p, const Engine& engine, SearchMonitor* monitor, FastTables& tables,
                      bool one_class, bool& finished) {
  const TypeOrder& order = p.PersonsByType;
  const int32_t n = p.PersonCount();
  GroupTable working;
  if (!working.Allocate(n, p.GroupCount())) return false;
  CopyToTypeOrder(p.GroupConflictTable, order.person_at(), n, working);
  const Layout layout{&order.matrix(),     &working,        order.person_at(),
                      order.position_of(), order.run_end(), order.largest_row_sum()};
  FastDescent descent(p, monitor, engine, tables, layout, one_class);
  finished = descent.Run();
  descent.WritePersonConflicts();
  CopyToPersonOrder(working, order.person_at(), n, p.GroupConflictTable);
  return true;
}

}  // namespace

bool SwapDescent(Problem& p, const Engine& engine, SearchMonitor* monitor) {
  if (p.PersonCount() < 2) return true;
  // The kernels weigh pairs alone: gains with the wishes beyond pairs take the plain descent.
  if (!p.Terms.empty()) return PlainSwapDescent(p, monitor);
  FastTables tables;
  bool one_class = false;
  if (engine.kernels() == nullptr || !tables.Prepare(p) || !tables.LoadClasses(p, one_class)) {
    return PlainSwapDescent(p, monitor);
  }
  // LoadClasses read the types in person order: its classes go with the type order's positions
  // once reordered the same way, which LoadAssignment does not touch.
  if (!one_class && p.PersonCount() <= kTypeOrderMaxPersons && !p.PersonsByType.Fits(p)) {
    p.PersonsByType.Build(p);
  }
  if (!one_class && p.PersonsByType.Fits(p)) {
    tables.ReorderClasses(p.PersonsByType.person_at());
    bool finished = true;
    if (tables.LoadAssignment(p, p.PersonsByType.person_at()) &&
        TypeOrderDescent(p, engine, monitor, tables, one_class, finished)) {
      return finished;
    }
    return PlainSwapDescent(p, monitor);
  }
  if (!tables.LoadAssignment(p)) return PlainSwapDescent(p, monitor);
  const Layout layout{&p.ConflictMatrix, &p.GroupConflictTable};
  FastDescent descent(p, monitor, engine, tables, layout, one_class);
  const bool finished = descent.Run();
  descent.WritePersonConflicts();
  return finished;
}

}  // namespace quorvale
