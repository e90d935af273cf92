#ifndef UI_AREALOGTABS_H
#define UI_AREALOGTABS_H

#include <QHash>
#include <QString>
#include <QTabWidget>

class QPlainTextEdit;

// Log lines grouped by area: one read-only text tab per area, created with
// the area's first line.
class AreaLogTabs : public QTabWidget
{
    Q_OBJECT
public:
    // maxLinesPerArea 0 keeps every line.
    explicit AreaLogTabs(int maxLinesPerArea = 0, QWidget* parent = nullptr);

    void Append(const QString& area, const QString& line);

    // The text view of an area, or null when the area has no line yet.
    QPlainTextEdit* AreaView(const QString& area) const { return areaViews.value(area); }

private:
    int maxLinesPerArea;
    QHash<QString, QPlainTextEdit*> areaViews;
};

#endif
