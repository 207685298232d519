#pragma once

#include <QIcon>
#include <QStyle>
#include <initializer_list>

namespace trevane {

// The application style's standard icon, made once per program run. The style builds each one
// by decoding every size of its picture (up to 128 pixels) from PNG, which is a noticeable part
// of the start-up; the tool band, the job-file list and the window icon share the same few.
// The cache is emptied when the application object ends, before the pixmaps would outlive it.
QIcon styleIcon(QStyle::StandardPixmap which);

// The icon of a command from the desktop's icon theme, by freedesktop icon name: the first of
// `names` the theme has. Where it has none, the picture the program carries under the first
// name (16 and 32 pixels, made from src/app/icons/*.svg), else the style's `fallback`; made
// once per program run like styleIcon.
QIcon themeIcon(std::initializer_list<const char*> names,
                QStyle::StandardPixmap fallback = QStyle::SP_CustomBase);

// The program's own icon ("org.trevane.Trevane" in the icon theme, else the sizes the program
// carries): the window, the tray and the about box show it.
QIcon programIcon();

} // namespace trevane
