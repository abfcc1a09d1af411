// An icon list whose images are cut from one picture strip.
#pragma once

#include <QListWidget>
#include <QPixmap>
#include <vector>

class CIconListCtrl : public QListWidget {
  public:
    explicit CIconListCtrl(QWidget* parent = nullptr);

    // Cuts count images of size x size from the strip, left to right.
    void AttachImageList(const QPixmap& strip, int size, int count);
    const QPixmap& Image(int index) const;
    int ImageCount() const { return static_cast<int>(images_.size()); }

    // Index of the current item, -1 when none is selected.
    int GetSelectedItem() const;
    void SelectItem(int index);

  private:
    std::vector<QPixmap> images_;
    QPixmap empty_;
};
