#ifndef UI_SHARESCANINDICATOR_H
#define UI_SHARESCANINDICATOR_H

#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

// Shown while shared folders are scanned: a busy bar and the number of files
// indexed so far, read twice a second rather than at every file, so that a
// large scan costs the event loop nothing extra. Hidden otherwise.
class ShareScanIndicator : public QWidget
{
    Q_OBJECT
public:
    static constexpr int RefreshMs = 500;

    explicit ShareScanIndicator(QWidget* parent = nullptr);

    QLabel* Text() const { return text; }

public slots:
    void OnScanningChanged(bool scanning);

private slots:
    void OnRefresh();

private:
    // Counts while scanning, idles otherwise.
    void Follow(bool scanning);

    QLabel* text;
    QProgressBar* bar;
    QTimer refresh;
};

#endif
