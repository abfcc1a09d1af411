#include "vantis/model/float_table.h"

#include <algorithm>

namespace vantis::model {

FloatTable::FloatTable() : data_(new float[kTableColumns * kTableRows]()) {
    for (int c = 0; c < kTableColumns; ++c) columns_[c] = data_.get() + c * kTableRows;
}

FloatTable::FloatTable(const FloatTable& other) : FloatTable() {
    *this = other;
}

FloatTable& FloatTable::operator=(const FloatTable& other) {
    if (this != &other) std::copy_n(other.data_.get(), kTableColumns * kTableRows, data_.get());
    return *this;
}

void FloatTable::Fill(float value) {
    std::fill_n(data_.get(), kTableColumns * kTableRows, value);
}

}  // namespace vantis::model
