// The deep search's chain: its tables, the exchange, the best-partner scan and the descent.
#include "engine/deep_chain.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "engine/deep_tuning.h"
#include "engine/kernels/deep_kernels.h"
#include "engine/kernels/exchange_gain.h"
#include "engine/search_schedule.h"

namespace quorvale {

namespace {

// Added to the gain of a partner that may not be taken (own group, other class): far below any
// real gain, and with row sums under kNarrowRowSum still far from the end of a 32-bit sum.
constexpr int32_t kMasked = -(1 << 30);
// A random exchange gives up looking for a partner in another group after this many draws.
constexpr int kPartnerDraws = 32;
// Partners per call of the scan kernel.
constexpr int32_t kScanBlock = 128;

}  // namespace

DeepChain::DeepChain(const Problem& problem, uint64_t seed, int64_t narrow_row_sum,
                     KernelLevel level)
    : p_(problem),
      n_(problem.PersonCount()),
      g_(problem.GroupCount()),
      avx512_(std::min(level, SupportedKernelLevel()) >= KernelLevel::kAvx512),
      matrix_(problem.ConflictMatrix.data()),
      stride_(problem.ConflictMatrix.columns()),
      person_at_(nullptr),
      position_of_(nullptr),
      run_first_(static_cast<size_t>(n_) + 1, 1),
      run_last_(static_cast<size_t>(n_) + 1, n_),
      by_person_(static_cast<size_t>(n_) + 1, 0),
      grp_(static_cast<size_t>(n_) + 1, 0),
      terms_(problem),
      classes_(problem.BalanceTypes > 0 ? problem.BalanceTypes : 2),
      cls_(static_cast<size_t>(n_) + 1, 0),
      slot_(static_cast<size_t>(classes_)),
      tt_((static_cast<size_t>(g_) + 1) * (static_cast<size_t>(n_) + 1), 0),
      pc_(static_cast<size_t>(n_) + 1, 0),
      kv_(static_cast<size_t>(g_) + 1, 0),
      dirty_(static_cast<size_t>(g_) + 1, 0),
      sweep_(static_cast<size_t>(g_) + 1, 0),
      in_play_(static_cast<size_t>(g_) + 1, 0),
      class_members_(static_cast<size_t>(classes_)),
      random_(seed) {
  const TypeOrder& order = problem.PersonsByType;
  if (order.Fits(problem)) {
    matrix_ = order.matrix().data();
    stride_ = order.matrix().columns();
    person_at_ = order.person_at();
    position_of_ = order.position_of();
    for (int32_t a = 1; a <= n_; a = run_last_[static_cast<size_t>(a)] + 1) {
      const int32_t last = order.run_end()[a];
      for (int32_t b = a; b <= last; ++b) {
        run_first_[static_cast<size_t>(b)] = a;
        run_last_[static_cast<size_t>(b)] = last;
      }
    }
  } else {
    identity_.resize(static_cast<size_t>(n_) + 1);
    for (int32_t r = 0; r <= n_; ++r) identity_[static_cast<size_t>(r)] = r;
    person_at_ = identity_.data();
    position_of_ = identity_.data();
  }
  for (auto& slot : slot_) slot.assign(static_cast<size_t>(n_) + 1, 0);
  const int64_t widest =
      problem.LargestRowSum >= 0 ? problem.LargestRowSum : MeasureLargestRowSum(problem);
  narrow_ = widest < narrow_row_sum;
}

int64_t MeasureLargestRowSum(const Problem& problem) {
  int64_t widest = 0;
  const int32_t n = problem.PersonCount();
  for (int32_t r = 1; r <= n; ++r) {
    const int16_t* row = problem.ConflictMatrix.Row(r);
    int64_t sum = 0;
    if (n < 65536) {
      sum = DeepRowMagnitude(row, n);
    } else {
      for (int32_t x = 1; x <= n; ++x) sum += std::abs(int32_t{row[x]});
    }
    widest = std::max(widest, sum);
  }
  return widest;
}

void DeepChain::Load(const std::vector<int32_t>& assignment) {
  movers_.clear();
  for (auto& members : class_members_) members.clear();
  by_person_ = assignment;
  for (int32_t r = 1; r <= n_; ++r) {
    const size_t i = static_cast<size_t>(r);
    grp_[i] = assignment[static_cast<size_t>(person_at_[r])];
    const int32_t type = p_.Type(person_at_[r]);
    const bool moves = grp_[i] >= 1 && type >= 1 && type <= classes_;
    cls_[i] = moves ? type : 0;
    for (int32_t c = 1; c <= classes_; ++c) {
      slot_[static_cast<size_t>(c - 1)][i] = moves && type == c ? grp_[i] : 0;
    }
    if (moves) {
      movers_.push_back(r);
      class_members_[static_cast<size_t>(type - 1)].push_back(r);
    }
  }
  // The matrix is symmetric, so a group's column is the sum of its members' rows, added a whole
  // row at a time. Group 0 holds the persons never dealt; their weights with each other count
  // as a group's.
  std::fill(tt_.begin(), tt_.end(), 0);
  for (int32_t x = 1; x <= n_; ++x) DeepAddRow(Row(x), Tt(grp_[static_cast<size_t>(x)]), n_);
  score_ = 0;
  for (int32_t r = 1; r <= n_; ++r) {
    pc_[static_cast<size_t>(r)] = Tt(grp_[static_cast<size_t>(r)])[r];
    score_ += pc_[static_cast<size_t>(r)];
  }
  score_ /= 2;
  score_ += terms_.Load(by_person_);
  undo_.clear();
  std::fill(dirty_.begin() + 1, dirty_.end(), 1);
}

void DeepChain::CopyPersonConflicts(std::vector<int32_t>& out) const {
  out.resize(pc_.size());
  for (int32_t a = 0; a <= n_; ++a) {
    out[static_cast<size_t>(person_at_[a])] = pc_[static_cast<size_t>(a)];
  }
}

int64_t DeepChain::GainAt(int32_t k, int32_t j) const {
  const int32_t gk = grp_[static_cast<size_t>(k)];
  const int32_t gj = grp_[static_cast<size_t>(j)];
  return ExchangeGain(Row(k)[j], pc_[static_cast<size_t>(k)], pc_[static_cast<size_t>(j)],
                      Tt(gj)[k], Tt(gk)[j]) -
         terms_.ExchangeDelta(person_at_[k], person_at_[j], gk, gj);
}

void DeepChain::ExchangeAt(int32_t k, int32_t j) {
  /*
   * Moves k from gk to gj and j from gj to gk.
   *   1. the score falls by the exchange's gain;
   *   2. groups and the class slots change for k and j;
   *   3. every person's weight with gk gains M[r][j] - M[r][k], with gj the opposite;
   *   4. the persons of gk and gj take their new own-group weight.
   */
  const int32_t gk = grp_[static_cast<size_t>(k)];
  const int32_t gj = grp_[static_cast<size_t>(j)];
  // 1. Score, with the wishes beyond pairs.
  score_ -= GainAt(k, j);
  terms_.Exchange(person_at_[k], person_at_[j], gk, gj);
  // 2. Groups.
  grp_[static_cast<size_t>(k)] = gj;
  grp_[static_cast<size_t>(j)] = gk;
  by_person_[static_cast<size_t>(person_at_[k])] = gj;
  by_person_[static_cast<size_t>(person_at_[j])] = gk;
  std::vector<int32_t>& slot = slot_[cls_[static_cast<size_t>(k)] - 1];
  slot[static_cast<size_t>(k)] = gj;
  slot[static_cast<size_t>(j)] = gk;
  // 3. Columns gk and gj.
  // 4. Own-group weights, in the same pass.
  DeepApplyExchange(Row(k), Row(j), Tt(gk), Tt(gj), grp_.data(), pc_.data(), gk, gj, n_);
  dirty_[static_cast<size_t>(gk)] = 1;
  dirty_[static_cast<size_t>(gj)] = 1;
  undo_.emplace_back(k, j);
}

template <typename Sum>
int32_t DeepChain::ImprovingPartner(int32_t k) {
  /*
   * gain(k, j) = ScanGain(M[k][j], pc[j], tt[gk][j], kv[gj]), with k's side kv[h] = pc[k] -
   * tt[h][k] (engine/kernels/exchange_gain.h); the class slot sends a partner of another class or
   * of k's own group to kv[0] = kv[gk] = kMasked. The vector kernel finds a block's largest gain;
   * the first block with a positive one is then searched for its first partner with a positive
   * gain.
   */
  const size_t gk = static_cast<size_t>(grp_[static_cast<size_t>(k)]);
  const int32_t pck = pc_[static_cast<size_t>(k)];
  for (int32_t h = 1; h <= g_; ++h) kv_[static_cast<size_t>(h)] = pck - Tt(h)[k];
  kv_[0] = kMasked;
  kv_[gk] = kMasked;
  const int16_t* row = Row(k);
  const int32_t* pc = pc_.data();
  const int32_t* tgk = Tt(static_cast<int32_t>(gk));
  const int32_t* slot = slot_[cls_[static_cast<size_t>(k)] - 1].data();
  const int32_t* kv = kv_.data();
  const auto gain = [&](int32_t j) { return ScanGain<Sum>(row[j], pc[j], tgk[j], kv[slot[j]]); };
  int32_t from = run_first_[static_cast<size_t>(k)];
  const int32_t last = run_last_[static_cast<size_t>(k)];
  if (!terms_.empty()) {
    // The wishes beyond pairs change each partner's gain by their own delta: one by one.
    for (int32_t j = from; j <= last; ++j) {
      if (kv[slot[j]] == kMasked) continue;
      if (gain(j) - terms_.ExchangeDelta(person_at_[k], person_at_[j], static_cast<int32_t>(gk),
                                         grp_[static_cast<size_t>(j)]) >
          0) {
        return j;
      }
    }
    return 0;
  }
  if constexpr (sizeof(Sum) == sizeof(int32_t)) {
    const DeepScanRow scan{row, pc, tgk, slot, kv};
    if (avx512_) return DeepFirstGainAvx512(scan, from, last, g_ + 1);
    while (from <= last && DeepScanMax(scan, from, std::min(from + kScanBlock - 1, last)) <= 0) {
      from += kScanBlock;
    }
  }
  for (int32_t j = from; j <= last; ++j) {
    if (gain(j) > 0) return j;
  }
  return 0;
}

bool DeepChain::Descend(const Poll& poll) {
  while (std::find(dirty_.begin() + 1, dirty_.end(), 1) != dirty_.end()) {
    sweep_.swap(dirty_);
    std::fill(dirty_.begin(), dirty_.end(), 0);
    for (const int32_t k : movers_) {
      if (!sweep_[static_cast<size_t>(grp_[static_cast<size_t>(k)])]) continue;
      // A scan takes well under a microsecond: the clock behind the poll is read every eighth.
      if ((++scans_ & 7) == 0 && !poll()) {
        // The groups this round has not finished must still be scanned.
        for (size_t g = 1; g < dirty_.size(); ++g)
          dirty_[g] = static_cast<char>(dirty_[g] | sweep_[g]);
        return false;
      }
      const int32_t j = narrow_ ? ImprovingPartner<int32_t>(k) : ImprovingPartner<int64_t>(k);
      if (j != 0) ExchangeAt(k, j);
    }
  }
  return true;
}

void DeepChain::Perturb(int32_t count) {
  if (movers_.empty()) return;
  for (int32_t i = 0; i < count; ++i) {
    // Of two persons drawn, the one with more conflict moves: the perturbation leans towards
    // the persons whose place costs most, as the scrambler's does.
    int32_t k = movers_[random_.Below(static_cast<uint32_t>(movers_.size()))];
    const int32_t other = movers_[random_.Below(static_cast<uint32_t>(movers_.size()))];
    if (pc_[static_cast<size_t>(other)] > pc_[static_cast<size_t>(k)]) k = other;
    const std::vector<int32_t>& members =
        class_members_[static_cast<size_t>(cls_[static_cast<size_t>(k)] - 1)];
    for (int draw = 0; draw < kPartnerDraws; ++draw) {
      const int32_t j = members[random_.Below(static_cast<uint32_t>(members.size()))];
      if (grp_[static_cast<size_t>(j)] == grp_[static_cast<size_t>(k)]) continue;
      ExchangeAt(k, j);
      break;
    }
  }
}

void DeepChain::PerturbAmong(int32_t count, int32_t groups) {
  if (movers_.empty()) return;
  groups = std::min(groups, g_);
  std::fill(in_play_.begin(), in_play_.end(), 0);
  for (int32_t chosen = 0; chosen < groups;) {
    const size_t g = 1 + random_.Below(static_cast<uint32_t>(g_));
    if (!in_play_[g]) {
      in_play_[g] = 1;
      ++chosen;
    }
  }
  const auto draw = [&](const std::vector<int32_t>& from, int32_t not_in) {
    for (int tries = 0; tries < 64; ++tries) {
      const int32_t r = from[random_.Below(static_cast<uint32_t>(from.size()))];
      const int32_t g = grp_[static_cast<size_t>(r)];
      if (in_play_[static_cast<size_t>(g)] && g != not_in) return r;
    }
    return int32_t{0};
  };
  for (int32_t i = 0; i < count; ++i) {
    int32_t k = draw(movers_, -1);
    const int32_t other = draw(movers_, -1);
    if (k == 0) continue;
    if (other != 0 && cls_[static_cast<size_t>(other)] == cls_[static_cast<size_t>(k)] &&
        pc_[static_cast<size_t>(other)] > pc_[static_cast<size_t>(k)]) {
      k = other;
    }
    const int32_t j = draw(class_members_[static_cast<size_t>(cls_[static_cast<size_t>(k)] - 1)],
                           grp_[static_cast<size_t>(k)]);
    if (j != 0) ExchangeAt(k, j);
  }
}

int32_t DeepChain::ExchangeableInConflict() const {
  int32_t count = 0;
  for (const int32_t r : movers_) count += InConflict(r) ? 1 : 0;
  return count;
}

bool DeepChain::InConflict(int32_t r) const {
  return pc_[static_cast<size_t>(r)] >= 1 ||
         terms_.Alone(person_at_[r], grp_[static_cast<size_t>(r)]);
}

void DeepChain::ScrambleConflicts(int32_t share) {
  if (movers_.empty()) return;
  const int32_t type =
      cls_[static_cast<size_t>(movers_[random_.Below(static_cast<uint32_t>(movers_.size()))])];
  const std::vector<int32_t>& members = class_members_[static_cast<size_t>(type - 1)];
  int32_t conflicted = 0;
  for (const int32_t r : members) conflicted += InConflict(r) ? 1 : 0;
  int32_t others = 0;
  // The sweep is for a few persons in conflict among many; where there are many, sweeping all
  // of them comes close to a new random grouping.
  if (int64_t{conflicted} * share < 1024 &&
      int64_t{conflicted} * kFewInConflict <= static_cast<int64_t>(members.size())) {
    share = 1024;
    others = kSpreadRate * 1024 / 100;
  }
  chosen_.clear();
  for (const int32_t r : members) {
    const int32_t chance = InConflict(r) ? share : others;
    if (chance > 0 && static_cast<int32_t>(random_.Below(1024)) < chance) chosen_.push_back(r);
  }
  ShuffleChosen();
}

void DeepChain::CrossWith(const std::vector<int32_t>& other) {
  const size_t groups = static_cast<size_t>(g_) + 1;
  std::vector<int32_t> overlap(groups * groups, 0);
  for (const int32_t r : movers_) {
    ++overlap[static_cast<size_t>(grp_[static_cast<size_t>(r)]) * groups +
              static_cast<size_t>(other[static_cast<size_t>(person_at_[r])])];
  }
  // Greedy matching: the pair of unmatched groups with the largest overlap first.
  std::vector<int32_t> match(groups, 0);  // other's group -> the chain's
  std::vector<char> used(groups, 0);
  for (int32_t round = 1; round <= g_; ++round) {
    int32_t most = -1;
    size_t best_a = 0;
    size_t best_b = 0;
    for (size_t a = 1; a < groups; ++a) {
      if (used[a]) continue;
      for (size_t b = 1; b < groups; ++b) {
        if (match[b] == 0 && overlap[a * groups + b] > most) {
          most = overlap[a * groups + b];
          best_a = a;
          best_b = b;
        }
      }
    }
    used[best_a] = 1;
    match[best_b] = static_cast<int32_t>(best_a);
  }
  for (const std::vector<int32_t>& members : class_members_) {
    chosen_.clear();
    for (const int32_t r : members) {
      if (match[static_cast<size_t>(other[static_cast<size_t>(person_at_[r])])] !=
          grp_[static_cast<size_t>(r)]) {
        chosen_.push_back(r);
      }
    }
    ShuffleChosen();
  }
}

void DeepChain::ShuffleChosen() {
  // A Fisher-Yates shuffle of their groups, made of exchanges so the tables follow.
  for (size_t i = chosen_.size(); i > 1; --i) {
    const int32_t a = chosen_[i - 1];
    const int32_t b = chosen_[random_.Below(static_cast<uint32_t>(i))];
    if (grp_[static_cast<size_t>(a)] != grp_[static_cast<size_t>(b)]) ExchangeAt(a, b);
  }
}

void DeepChain::Revert() {
  // An exchange undoes itself; the replays must not land in the log they are read from.
  std::vector<std::pair<int32_t, int32_t>> log;
  log.swap(undo_);
  for (auto it = log.rbegin(); it != log.rend(); ++it) ExchangeAt(it->first, it->second);
  undo_.clear();
  log.clear();
  undo_.swap(log);  // keeps the log's capacity for the next round
  // Back at the end of a finished descent: nothing gains.
  std::fill(dirty_.begin(), dirty_.end(), 0);
}

}  // namespace quorvale
