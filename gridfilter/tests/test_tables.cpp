#include "test_tables.h"

namespace gridveil::testing {

OwnedTable::OwnedTable(int columns, int rows)
    : xs_(columns, std::vector<float>(rows, 0.0f)), ys_(columns, std::vector<float>(rows, 0.0f)) {
    for (int c = 0; c < columns; ++c) {
        xColumns_.push_back(xs_[c].data());
        yColumns_.push_back(ys_[c].data());
    }
    descriptor_ = {xColumns_.data(), yColumns_.data()};
}

OwnedRect::OwnedRect(int columns, int rows) {
    for (int t = 0; t < 4; ++t) {
        tables_[t].assign(columns, std::vector<float>(rows, 0.0f));
        for (int c = 0; c < columns; ++c) columns_[t].push_back(tables_[t][c].data());
    }
    descriptor_ = {columns_[0].data(), columns_[1].data(), columns_[2].data(), columns_[3].data()};
}

}  // namespace gridveil::testing
