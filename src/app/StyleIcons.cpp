#include "app/StyleIcons.h"

#include <QApplication>
#include <QHash>

namespace trevane {

namespace {

QHash<int, QIcon>& cache() {
    static QHash<int, QIcon> icons;
    return icons;
}

void clearCache() {
    cache().clear();
}

} // namespace

QIcon styleIcon(QStyle::StandardPixmap which) {
    QHash<int, QIcon>& icons = cache();
    auto found = icons.constFind(which);
    if (found != icons.constEnd())
        return *found;
    if (icons.isEmpty())
        qAddPostRoutine(clearCache);
    return *icons.insert(which, QApplication::style()->standardIcon(which));
}

} // namespace trevane
