#include "meridan/CChannelIconListCtrl.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

#include "meridan/main_logic.h"
#include "vantis/model/document.h"

namespace {

constexpr int kImageSize = 34;
constexpr int kChannelRole = Qt::UserRole + 1;

// Hands the typed label to the list's handler instead of storing it: the
// label always shows the channel's address, which the handler may change.
class LabelDelegate : public QStyledItemDelegate {
  public:
    explicit LabelDelegate(CChannelIconListCtrl* list) : QStyledItemDelegate(list), list_(list) {}
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line || line->text().isEmpty()) return;
        list_->EndLabelEdit(index.row(), line->text());
        list_->RedrawItems();
    }

  private:
    CChannelIconListCtrl* list_;
};

}  // namespace

CChannelIconListCtrl::CChannelIconListCtrl(QWidget* parent) : CIconListCtrl(parent) {
    setObjectName("channelList");
    AttachImageList(StateImageStrip(), kImageSize, 6);
    setItemDelegate(new LabelDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setGridSize(QSize(64, 64));
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(73, 73, 73));
    p.setColor(QPalette::Text, Qt::white);
    setPalette(p);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    connect(this, &QListWidget::currentRowChanged, this, [this] { SelectionChanged(); });
}

QPixmap CChannelIconListCtrl::StateImageStrip() {
    QPixmap strip(kImageSize * 6, kImageSize);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    // 0/1 connected (green), 2/3 not connected (grey), 4/5 the unused state (amber).
    const QColor body[3] = {QColor(40, 170, 80), QColor(130, 130, 130), QColor(220, 160, 40)};
    for (int i = 0; i < 6; ++i) {
        const int x = i * kImageSize;
        const bool selected = i % 2 == 1;
        if (selected) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 120, 200));
            p.drawRoundedRect(QRectF(x + 1, 1, kImageSize - 2, kImageSize - 2), 4, 4);
        }
        // A projector: a body with a lens.
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(body[i / 2]);
        p.drawRoundedRect(QRectF(x + 4, 10, 26, 16), 3, 3);
        p.setBrush(QColor(230, 230, 230));
        p.drawEllipse(QPointF(x + 11, 18), 5, 5);
        p.setBrush(Qt::black);
        p.drawRect(QRectF(x + 9, 26, 4, 3));
        p.drawRect(QRectF(x + 21, 26, 4, 3));
    }
    return strip;
}

void CChannelIconListCtrl::InsertChannel(VantisAuto::CChannel* channel) {
    auto* item = new QListWidgetItem(this);
    item->setData(kChannelRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(channel)));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    RedrawItems();
}

VantisAuto::CChannel* CChannelIconListCtrl::ChannelAt(int index) const {
    const QListWidgetItem* it = item(index);
    return it ? reinterpret_cast<VantisAuto::CChannel*>(it->data(kChannelRole).value<quintptr>()) : nullptr;
}

int CChannelIconListCtrl::ImageIndexAt(int index) const {
    const VantisAuto::CChannel* channel = ChannelAt(index);
    return channel ? meridan::ChannelImageIndex(channel->m_nState, channel->m_bSelected != 0) : -1;
}

void CChannelIconListCtrl::RedrawItems() {
    redrawing_ = true;
    for (int i = 0; i < count(); ++i) {
        const VantisAuto::CChannel* channel = ChannelAt(i);
        if (!channel) continue;
        item(i)->setText(QString::fromStdString(channel->Label()));
        item(i)->setIcon(QIcon(Image(ImageIndexAt(i))));
    }
    redrawing_ = false;
}

void CChannelIconListCtrl::StartLabelEdit(int index) {
    if (QListWidgetItem* it = item(index)) editItem(it);
}

void CChannelIconListCtrl::SelectionChanged() {
    if (redrawing_) return;
    const int current = currentRow();
    for (int i = 0; i < count(); ++i) {
        VantisAuto::CChannel* channel = ChannelAt(i);
        if (channel) channel->m_bSelected = (i == current && item(i)->isSelected()) ? 1 : 0;
    }
    RedrawItems();
}

void CChannelIconListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    const int index = GetSelectedItem();
    if (index >= 0 && index == currentRow() && contextMenu_) contextMenu_(event->globalPos());
}
