#ifndef UI_DIAGNOSTICSFORM_H
#define UI_DIAGNOSTICSFORM_H

#include <QHash>
#include <QString>
#include <QWidget>

class QPlainTextEdit;
class QTabWidget;

// The "Diagnostics" tab: one read-only text tab per log area, created when
// the area logs its first line of the run.
class DiagnosticsForm : public QWidget
{
    Q_OBJECT
public:
    explicit DiagnosticsForm(QWidget* parent = nullptr);

    // The text view of an area, or null when the area has logged nothing.
    QPlainTextEdit* AreaView(const QString& area) const { return areaViews.value(area); }
    QTabWidget* AreaTabs() const { return areaTabs; }

private slots:
    void OnLineLogged(const QString& area, const QString& line);

private:
    QTabWidget* areaTabs;
    QHash<QString, QPlainTextEdit*> areaViews;
};

#endif
