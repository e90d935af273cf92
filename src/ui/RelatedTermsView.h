#ifndef UI_RELATEDTERMSVIEW_H
#define UI_RELATEDTERMSVIEW_H

#include <QWidget>

class QLabel;
class QListWidget;

// The server's suggestions of related search terms for a search text (the
// "search_correlation" items of its "search_request_text"), best first.
// Choosing one searches the network for it.
class RelatedTermsView : public QWidget
{
    Q_OBJECT
public:
    explicit RelatedTermsView(QWidget* parent = nullptr);

    // Lists the terms related to the text; hidden while there are none.
    void ShowTerms(const QString& searchText);
    const QString& SearchText() const { return searchText; }
    QListWidget* List() const { return list; }

signals:
    void TermChosen(QString term);

private:
    QLabel* caption;
    QListWidget* list;
    QString searchText;
};

#endif
