#ifndef UI_FILTERBOX_H
#define UI_FILTERBOX_H

#include "store/Events.h"
#include "store/ItemPtr.h"

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;

// The filter line above a tree of results or files: the text in the result
// filter language, a button to the "Filter Help" dialog and, above search
// results, the saved filters ("saved_filter" items) to choose from, a button
// that saves the current text and a check box that makes it the default of new
// searches ("default_search_filter").
class FilterBox : public QWidget, public DataHandler
{
    Q_OBJECT
public:
    enum class Kind
    {
        Search,
        Share,
    };

    // Typing settles for this long before the filter is applied.
    static constexpr int SettleMs = 250;

    explicit FilterBox(Kind kind, QWidget* parent = nullptr);
    ~FilterBox() override;

    QString Text() const;
    // Puts the text in the box and applies it at once.
    void SetText(const QString& text);

    QComboBox* Chooser() const { return chooser; }
    QPushButton* SaveButton() const { return saveButton; }
    QCheckBox* DefaultBox() const { return defaultBox; }

signals:
    void FilterChanged(QString text);

public slots:
    void SaveFilter();
    void OnDefaultToggled(bool on);
    void ShowHelp();

private:
    void OnTextEdited();
    void Apply();
    void FillSavedFilters();
    void OnSavedFilterChanged(ItemPtr filter);
    void ShowDefaultState();

    QComboBox* chooser;
    QPushButton* saveButton = nullptr;
    QCheckBox* defaultBox = nullptr;
    QTimer settle;
    QString applied;
};

#endif
