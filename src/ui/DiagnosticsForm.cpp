#include "ui/DiagnosticsForm.h"

#include "app/Log.h"
#include "ui/AreaLogTabs.h"

#include <QVBoxLayout>

namespace {
// Each area view keeps the latest lines only, so a long run's log does not
// grow without bound; the per-area files keep everything.
constexpr int MaxLinesPerArea = 20000;
} // namespace

DiagnosticsForm::DiagnosticsForm(QWidget* parent)
    : QWidget(parent)
    , areaTabs(new AreaLogTabs(MaxLinesPerArea))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(areaTabs);
    connect(&DiagnosticsLog::Instance(), &DiagnosticsLog::LineLogged, areaTabs, &AreaLogTabs::Append);
}
