#include "meridan/skin/CIconListCtrl.h"

CIconListCtrl::CIconListCtrl(QWidget* parent) : QListWidget(parent) {
    setViewMode(QListView::IconMode);
    setFlow(QListView::LeftToRight);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSpacing(6);
}

void CIconListCtrl::AttachImageList(const QPixmap& strip, int size, int count) {
    images_.clear();
    for (int i = 0; i < count; ++i) images_.push_back(strip.copy(i * size, 0, size, size));
    setIconSize(QSize(size, size));
}

const QPixmap& CIconListCtrl::Image(int index) const {
    if (index < 0 || index >= ImageCount()) return empty_;
    return images_[static_cast<std::size_t>(index)];
}

int CIconListCtrl::GetSelectedItem() const {
    const auto selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.front());
}

void CIconListCtrl::SelectItem(int index) {
    if (index < 0 || index >= count()) {
        clearSelection();
        return;
    }
    setCurrentRow(index);
    item(index)->setSelected(true);
}
