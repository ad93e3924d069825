#pragma once
// The application icon (a sensor mast with its pennant), drawn once in code
// so the program carries no image files. UI thread only.

#include <QIcon>
#include <QPixmap>

namespace halyard {

QPixmap AppIconPixmap(int nSize);
QIcon AppIcon();

}  // namespace halyard
