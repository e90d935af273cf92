#include "ui/TabActivity.h"

#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QVariant>

namespace TabActivity {

namespace {

const char* const CountProperty = "activityCount";
const char* const TitleProperty = "activityTitle";
const char* const WatchedProperty = "activityWatched";

const QColor MarkColour(0xd0, 0x20, 0x20);

// The tab widget whose page this widget is, or null.
QTabWidget* TabsOfPage(QWidget* page)
{
    QWidget* stack = page->parentWidget();
    if (!qobject_cast<QStackedWidget*>(stack))
        return nullptr;
    return qobject_cast<QTabWidget*>(stack->parentWidget());
}

void Clear(QTabWidget* tabs, int index)
{
    QWidget* page = tabs->widget(index);
    if (!page || page->property(CountProperty).toInt() == 0)
        return;
    tabs->setTabText(index, page->property(TitleProperty).toString());
    tabs->tabBar()->setTabTextColor(index, QColor());
    page->setProperty(CountProperty, 0);
}

void Watch(QTabWidget* tabs)
{
    if (tabs->property(WatchedProperty).toBool())
        return;
    tabs->setProperty(WatchedProperty, true);
    QObject::connect(tabs, &QTabWidget::currentChanged, tabs, [tabs](int index) { Clear(tabs, index); });
}

} // namespace

void Mark(QWidget* widget)
{
    for (QWidget* page = widget; page; page = page->parentWidget()) {
        QTabWidget* tabs = TabsOfPage(page);
        if (!tabs)
            continue;
        const int index = tabs->indexOf(page);
        if (index < 0 || index == tabs->currentIndex())
            continue;
        Watch(tabs);
        const int count = page->property(CountProperty).toInt();
        if (count == 0)
            page->setProperty(TitleProperty, tabs->tabText(index));
        page->setProperty(CountProperty, count + 1);
        tabs->setTabText(index, QString("%1 (%2)").arg(page->property(TitleProperty).toString()).arg(count + 1));
        tabs->tabBar()->setTabTextColor(index, MarkColour);
    }
}

} // namespace TabActivity
