// Column-major float tables of the project's fixed size (140 columns of 81
// rows), as the projector link, the camera view and the grid editor expect
// them: an array of column pointers, each column an array of floats indexed by
// row. A table is zeroed when created, so rows a conversion does not write hold
// a defined value.
#pragma once

#include <array>
#include <memory>

namespace vantis::model {

inline constexpr int kTableColumns = 140;
inline constexpr int kTableRows = 81;

class FloatTable {
  public:
    FloatTable();
    FloatTable(const FloatTable& other);
    FloatTable& operator=(const FloatTable& other);
    FloatTable(FloatTable&&) = delete;
    FloatTable& operator=(FloatTable&&) = delete;

    float* operator[](int column) { return columns_[column]; }
    const float* operator[](int column) const { return columns_[column]; }
    // The column-pointer array, the form handed to the link and the plug-in.
    float** Columns() { return columns_.data(); }
    float* const* Columns() const { return columns_.data(); }
    void Fill(float value);

  private:
    std::unique_ptr<float[]> data_;
    std::array<float*, kTableColumns> columns_{};
};

// An x table and a y table: the forward warp tables or the source-map tables
// of one channel.
struct TablePairData {
    FloatTable x;
    FloatTable y;
};

}  // namespace vantis::model
