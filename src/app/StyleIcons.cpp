#include "app/StyleIcons.h"

#include <QApplication>
#include <QFile>
#include <QHash>

namespace trevane {

namespace {

QHash<QString, QIcon>& cache() {
    static QHash<QString, QIcon> icons;
    return icons;
}

void clearCache() {
    cache().clear();
}

QIcon cached(const QString& key, const auto& make) {
    QHash<QString, QIcon>& icons = cache();
    auto found = icons.constFind(key);
    if (found != icons.constEnd())
        return *found;
    if (icons.isEmpty())
        qAddPostRoutine(clearCache);
    return *icons.insert(key, make());
}

// The sizes of a picture the program carries; a null icon when it carries none of that name.
QIcon carriedIcon(const QString& folder, const QString& name, std::initializer_list<int> sizes) {
    QIcon icon;
    for (int size : sizes) {
        const QString file = QStringLiteral(":/%1/%2/%3.png").arg(folder).arg(size).arg(name);
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    return icon;
}

} // namespace

QIcon styleIcon(QStyle::StandardPixmap which) {
    return cached(QStringLiteral("style:%1").arg(int(which)),
                  [which] { return QApplication::style()->standardIcon(which); });
}

QIcon themeIcon(std::initializer_list<const char*> names, QStyle::StandardPixmap fallback) {
    QString key;
    for (const char* name : names)
        key += QLatin1String(name) + QLatin1Char(' ');
    return cached(key, [names, fallback] {
        for (const char* name : names)
            if (QIcon::hasThemeIcon(QLatin1String(name)))
                return QIcon::fromTheme(QLatin1String(name));
        QIcon own = carriedIcon(QStringLiteral("icons"), QLatin1String(*names.begin()), {16, 32});
        if (own.isNull() && fallback != QStyle::SP_CustomBase)
            own = styleIcon(fallback);
        return own;
    });
}

QIcon programIcon() {
    return cached(QStringLiteral("program"), [] {
        return QIcon::fromTheme(QStringLiteral("org.trevane.Trevane"),
                                carriedIcon(QStringLiteral("program"),
                                            QStringLiteral("org.trevane.Trevane"),
                                            {16, 22, 24, 32, 48, 64, 128, 256}));
    });
}

} // namespace trevane
