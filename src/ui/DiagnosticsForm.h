#ifndef UI_DIAGNOSTICSFORM_H
#define UI_DIAGNOSTICSFORM_H

#include <QWidget>

class AreaLogTabs;

// The "Diagnostics" tab: one read-only text tab per log area, created when
// the area logs its first line of the run.
class DiagnosticsForm : public QWidget
{
    Q_OBJECT
public:
    explicit DiagnosticsForm(QWidget* parent = nullptr);

    AreaLogTabs* AreaTabs() const { return areaTabs; }

private:
    AreaLogTabs* areaTabs;
};

#endif
