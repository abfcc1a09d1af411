// The channel list: one icon per channel with the label "%03d" (last address
// octet) and its state image. Labels are edited in place; the window decides
// whether a typed label is taken.
#pragma once

#include <functional>

#include "meridan/skin/CIconListCtrl.h"

namespace VantisAuto {
class CDoc;
class CChannel;
}  // namespace VantisAuto

class CChannelIconListCtrl : public CIconListCtrl {
  public:
    explicit CChannelIconListCtrl(QWidget* parent = nullptr);

    // The six 34 x 34 state images drawn as one strip.
    static QPixmap StateImageStrip();

    void InsertChannel(VantisAuto::CChannel* channel);
    VantisAuto::CChannel* ChannelAt(int index) const;
    // Redraws every item's text and image from its channel.
    void RedrawItems();
    // Index of the item's image (tests).
    int ImageIndexAt(int index) const;

    // The end of a label edit: returns true to refuse the text.
    void SetLabelEditHandler(std::function<bool(int index, const QString& text)> handler) {
        labelEdit_ = std::move(handler);
    }
    bool EndLabelEdit(int index, const QString& text) { return labelEdit_ ? labelEdit_(index, text) : true; }
    void StartLabelEdit(int index);

    // The right-click popup "Channel".
    void SetContextMenuHandler(std::function<void(const QPoint& globalPos)> handler) {
        contextMenu_ = std::move(handler);
    }

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void SelectionChanged();

    std::function<bool(int, const QString&)> labelEdit_;
    std::function<void(const QPoint&)> contextMenu_;
    bool redrawing_ = false;
};
