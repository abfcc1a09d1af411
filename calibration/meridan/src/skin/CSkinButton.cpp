#include "meridan/skin/CSkinButton.h"

#include <QPainter>
#include <QStyleOptionButton>

CSkinButton::CSkinButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setAttribute(Qt::WA_Hover);
    setMinimumSize(96, 30);
}

void CSkinButton::SetTextFont(const QFont& font) {
    setFont(font);
}

bool CSkinButton::LoadBitmap(QColor normalText, QColor disabledText, QColor pressedText, QColor background) {
    normalText_ = normalText;
    disabledText_ = disabledText;
    pressedText_ = pressedText;
    background_ = background;
    update();
    return true;
}

int CSkinButton::StateIndex() const {
    if (!isEnabled()) return 4;
    if (isDown()) return 2;
    if (underMouse()) return 1;
    if (hasFocus()) return 3;
    return 0;
}

void CSkinButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int state = StateIndex();
    QColor top = background_.lighter(135);
    QColor bottom = background_.darker(120);
    QColor border = background_.lighter(170);
    QColor text = normalText_;
    switch (state) {
        case 1:
            top = top.lighter(115);
            bottom = bottom.lighter(115);
            break;
        case 2:
            std::swap(top, bottom);
            text = pressedText_;
            break;
        case 3:
            border = QColor(0, 150, 220);
            break;
        case 4:
            top = background_;
            bottom = background_;
            border = background_.lighter(120);
            text = disabledText_;
            break;
        default:
            break;
    }
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(border, 1));
    p.setBrush(fill);
    p.drawRoundedRect(r, 4, 4);
    p.setPen(text);
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, this->text());
}
