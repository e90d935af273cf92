#include "ui/DiagnosticsForm.h"

#include "app/Log.h"

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
// Each area view keeps the latest lines only, so a long run's log does not
// grow without bound; the per-area files keep everything.
constexpr int MaxLinesPerArea = 20000;
} // namespace

DiagnosticsForm::DiagnosticsForm(QWidget* parent)
    : QWidget(parent)
    , areaTabs(new QTabWidget)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(areaTabs);
    connect(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged, this, &DiagnosticsForm::OnLineLogged);
}

void DiagnosticsForm::OnLineLogged(const QString& area, const QString& line)
{
    QPlainTextEdit* view = areaViews.value(area);
    if (!view) {
        view = new QPlainTextEdit;
        view->setReadOnly(true);
        view->setMaximumBlockCount(MaxLinesPerArea);
        view->setLineWrapMode(QPlainTextEdit::NoWrap);
        areaTabs->addTab(view, area);
        areaViews.insert(area, view);
    }
    view->appendPlainText(line);
}
