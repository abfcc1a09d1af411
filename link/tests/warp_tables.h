// Test helper: a pair of column-major float tables shaped like the ones the
// calibration program allocates (140 columns of 81 rows), with the pointer
// arrays the link's table pairs expect.
#pragma once

#include <functional>
#include <vector>

namespace vantis::link::testing {

class WarpTables {
  public:
    static constexpr int kColumns = 140;
    static constexpr int kRows = 81;

    WarpTables() : xs_(kColumns, std::vector<float>(kRows, 0.0f)), ys_(xs_) {
        for (int i = 0; i < kColumns; ++i) {
            xp_.push_back(xs_[i].data());
            yp_.push_back(ys_[i].data());
        }
    }
    // Node (i, j) of the grid at panel (16 i, 16 j).
    static WarpTables Identity() {
        WarpTables t;
        t.Fill([](int i, int j, float& x, float& y) {
            x = 16.0f * i;
            y = 16.0f * j;
        });
        return t;
    }
    void Fill(const std::function<void(int, int, float&, float&)>& f) {
        for (int i = 0; i < kColumns; ++i)
            for (int j = 0; j < kRows; ++j) f(i, j, xs_[i][j], ys_[i][j]);
    }
    float& x(int i, int j) { return xs_[i][j]; }
    float& y(int i, int j) { return ys_[i][j]; }
    float** xp() { return xp_.data(); }
    float** yp() { return yp_.data(); }

    WarpTables(const WarpTables& o) : xs_(o.xs_), ys_(o.ys_) {
        for (int i = 0; i < kColumns; ++i) {
            xp_.push_back(xs_[i].data());
            yp_.push_back(ys_[i].data());
        }
    }
    WarpTables& operator=(const WarpTables&) = delete;

  private:
    std::vector<std::vector<float>> xs_, ys_;
    std::vector<float*> xp_, yp_;
};

}  // namespace vantis::link::testing
