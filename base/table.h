// A two-dimensional table held as one contiguous, zero-filled block with a fixed row length.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace quorvale {

template <typename T>
class Table2D {
 public:
  Table2D() = default;

  // Makes a rows x columns table of zeros. Returns false, leaving the table empty, when the
  // size does not fit in memory. Zero pages are obtained lazily from the system, so a large
  // table costs memory only where it is written.
  bool Allocate(size_t rows, size_t columns) {
    data_.reset();
    rows_ = columns_ = 0;
    size_t cells = 0;
    size_t bytes = 0;
    if (__builtin_mul_overflow(rows, columns, &cells) ||
        __builtin_mul_overflow(cells, sizeof(T), &bytes)) {
      return false;
    }
    T* block = static_cast<T*>(std::calloc(cells == 0 ? 1 : cells, sizeof(T)));
    if (block == nullptr) return false;
    data_.reset(block);
    rows_ = rows;
    columns_ = columns;
    return true;
  }

  T* Row(int row) {
    CheckIndex(row, 0);
    return data_.get() + static_cast<size_t>(row) * columns_;
  }
  const T* Row(int row) const {
    CheckIndex(row, 0);
    return data_.get() + static_cast<size_t>(row) * columns_;
  }
  T& operator()(int row, int column) {
    CheckIndex(row, column);
    return data_[static_cast<size_t>(row) * columns_ + static_cast<size_t>(column)];
  }
  const T& operator()(int row, int column) const {
    CheckIndex(row, column);
    return data_[static_cast<size_t>(row) * columns_ + static_cast<size_t>(column)];
  }

  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }
  size_t rows() const { return rows_; }
  size_t columns() const { return columns_; }
  size_t size() const { return rows_ * columns_; }

  void FillZero() {
    for (size_t i = 0; i < size(); ++i) data_[i] = T{};
  }

 private:
  // Checked builds (QM_CHECKED_TABLES, the debug build) stop at the first index outside the
  // table instead of reading or writing a neighbouring row.
  void CheckIndex([[maybe_unused]] int row, [[maybe_unused]] int column) const {
#ifdef QM_CHECKED_TABLES
    if (row < 0 || static_cast<size_t>(row) >= rows_ || column < 0 ||
        (column > 0 && static_cast<size_t>(column) >= columns_)) {
      std::fprintf(stderr, "table index (%d, %d) outside %zu x %zu\n", row, column, rows_,
                   columns_);
      std::abort();
    }
#endif
  }

  struct FreeDeleter {
    void operator()(T* block) const { std::free(block); }
  };
  std::unique_ptr<T[], FreeDeleter> data_;
  size_t rows_ = 0;
  size_t columns_ = 0;
};

}  // namespace quorvale
