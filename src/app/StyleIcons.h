#pragma once

#include <QIcon>
#include <QStyle>

namespace trevane {

// The application style's standard icon, made once per program run. The style builds each one
// by decoding every size of its picture (up to 128 pixels) from PNG, which is a noticeable part
// of the start-up; the tool band, the job-file list and the window icon share the same few.
// The cache is emptied when the application object ends, before the pixmaps would outlive it.
QIcon styleIcon(QStyle::StandardPixmap which);

} // namespace trevane
