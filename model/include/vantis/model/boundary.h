// The boundary tables edited on the camera picture and drawn by the camera
// view, and the blend gamma.
#pragma once

#include <array>
#include <cstdint>

#include "Gridveil/GridTables.h"
#include "vantis/archive.h"
#include "vantis/model/float_table.h"

class CBoundaryDoc : public vantis::Serializable {
  public:
    static constexpr int kPointColumns = 140;
    static constexpr int kPointRows = 81;
    static constexpr int kRectSize = 17;
    // Stored size: two ints, 81 x 140 x 6 point values, 17 x 17 x 4 rectangle values.
    static constexpr std::size_t kStoredBytes = 8 + 81 * 140 * 24 + 17 * 17 * 16;

    CBoundaryDoc();
    ~CBoundaryDoc() override = default;
    CBoundaryDoc(const CBoundaryDoc&) = delete;
    CBoundaryDoc& operator=(const CBoundaryDoc&) = delete;

    void Serialize(vantis::Archive& ar) override;

    // Descriptors of the tables, for the camera view's SetBoundaryTable.
    grid::PointPP TableA() { return {m_tableA.x.Columns(), m_tableA.y.Columns()}; }
    grid::PointPP TableB() { return {m_tableB.x.Columns(), m_tableB.y.Columns()}; }
    grid::PointPP TableC() { return {m_tableC.x.Columns(), m_tableC.y.Columns()}; }
    grid::RectPP Rects() {
        return {m_rects[0].Columns(), m_rects[1].Columns(), m_rects[2].Columns(), m_rects[3].Columns()};
    }

    // Point tables [column 0..139][row 0..80]; rectangle tables [0..16][0..16]
    // (held in tables of the common size, only 17 x 17 used and stored).
    vantis::model::TablePairData m_tableA;
    vantis::model::TablePairData m_tableB;
    vantis::model::TablePairData m_tableC;
    vantis::model::FloatTable m_rects[4];
    std::int32_t m_nValueB = 0;
    std::int32_t m_nValueA = 0;
    std::int32_t m_nWork[5] = {0, 0, 0, 0, 0};  // working values, not stored
    // The camera view's zoom and shift, 3 x 3 row by row; identity, not stored.
    static constexpr std::array<double, 9> kIdentity = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::array<double, 9> m_zoom = kIdentity;
    std::array<double, 9> m_shift = kIdentity;
};

class CGammaDoc : public vantis::Serializable {
  public:
    // 2.2 in single precision, widened: 2.2000000476837158.
    static constexpr double kDefaultGamma = static_cast<double>(2.2f);

    void Serialize(vantis::Archive& ar) override;

    double m_gamma = kDefaultGamma;
};
