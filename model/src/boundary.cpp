#include "vantis/model/boundary.h"

CBoundaryDoc::CBoundaryDoc() = default;

void CBoundaryDoc::Serialize(vantis::Archive& ar) {
    ar.SetContext("boundary values");
    ar.Int(m_nValueA);
    ar.Int(m_nValueB);
    if (ar.IsLoading() && !ar.ExpectItems(1, kStoredBytes - 8, "boundary tables")) return;
    ar.SetContext("boundary point tables");
    for (int r = 0; r < kPointRows; ++r) {
        for (int k = 0; k < kPointColumns; ++k) {
            ar.Raw32(m_tableA.x[k][r]);
            ar.Raw32(m_tableA.y[k][r]);
            ar.Raw32(m_tableB.x[k][r]);
            ar.Raw32(m_tableB.y[k][r]);
            ar.Raw32(m_tableC.x[k][r]);
            ar.Raw32(m_tableC.y[k][r]);
        }
    }
    ar.SetContext("boundary rectangle tables");
    for (int i = 0; i < kRectSize; ++i) {
        for (int j = 0; j < kRectSize; ++j) {
            for (auto& table : m_rects) ar.Raw32(table[j][i]);
        }
    }
}

void CGammaDoc::Serialize(vantis::Archive& ar) {
    ar.SetContext("gamma");
    ar.Double(m_gamma);
}
