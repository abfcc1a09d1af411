// With DIALOG_SCREENSHOTS set to a folder, the dialog tests save each dialog
// there as a picture, in the programs' look.
#pragma once

#include <QApplication>
#include <QWidget>

#include <cstdlib>

#include "vantis/gui_style.h"

namespace meridan::test {

inline void Shot(QWidget& w, const char* name, QSize least = QSize(560, 300)) {
    const char* dir = std::getenv("DIALOG_SCREENSHOTS");
    if (!dir) return;
    static const bool styled = [] {
        vantis::gui::ApplyDarkStyle(*qApp);
        return true;
    }();
    (void)styled;
    w.resize(w.sizeHint().expandedTo(least));
    w.show();
    QCoreApplication::processEvents();
    w.grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

}  // namespace meridan::test
