#include "ui/ApplicationStyle.h"

#include <QApplication>
#include <QStyleFactory>

QString PreferredStyleName()
{
    const QStringList available = QStyleFactory::keys();
    if (available.contains("Plastique", Qt::CaseInsensitive))
        return "Plastique";
    return "Fusion";
}

void ApplyPreferredStyle()
{
    QApplication::setStyle(QStyleFactory::create(PreferredStyleName()));
}
