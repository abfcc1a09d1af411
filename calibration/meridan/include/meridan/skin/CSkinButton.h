// A push button drawn in the program's dark skin: a strip of five state
// pictures (normal, hover, pressed, focused, disabled) made from one base
// colour, with its own font and text colours.
#pragma once

#include <QColor>
#include <QFont>
#include <QPushButton>

class CSkinButton : public QPushButton {
  public:
    explicit CSkinButton(const QString& text, QWidget* parent = nullptr);

    void SetTextFont(const QFont& font);
    // Text colours for normal, disabled and pressed buttons, and the colour
    // the state pictures are made from. Always succeeds.
    bool LoadBitmap(QColor normalText, QColor disabledText, QColor pressedText, QColor background);

    // 0 normal, 1 hover, 2 pressed, 3 focused, 4 disabled.
    int StateIndex() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor normalText_{Qt::white};
    QColor disabledText_{192, 192, 192};
    QColor pressedText_{Qt::white};
    QColor background_{73, 73, 73};
};
