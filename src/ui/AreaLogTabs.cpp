#include "ui/AreaLogTabs.h"

#include <QPlainTextEdit>

AreaLogTabs::AreaLogTabs(int maxLines, QWidget* parent)
    : QTabWidget(parent)
    , maxLinesPerArea(maxLines)
{
}

void AreaLogTabs::Append(const QString& area, const QString& line)
{
    QPlainTextEdit* view = areaViews.value(area);
    if (!view) {
        view = new QPlainTextEdit;
        view->setReadOnly(true);
        view->setMaximumBlockCount(maxLinesPerArea);
        view->setLineWrapMode(QPlainTextEdit::NoWrap);
        addTab(view, area);
        areaViews.insert(area, view);
    }
    view->appendPlainText(line);
}
