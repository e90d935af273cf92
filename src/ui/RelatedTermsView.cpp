#include "ui/RelatedTermsView.h"

#include "store/Data.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

RelatedTermsView::RelatedTermsView(QWidget* parent)
    : QWidget(parent)
    , caption(new QLabel("Related searches"))
    , list(new QListWidget)
{
    list->setObjectName("related_terms");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(caption);
    layout->addWidget(list);
    connect(list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { emit TermChosen(item->text()); });
    hide();
}

void RelatedTermsView::ShowTerms(const QString& text)
{
    searchText = text;
    list->clear();
    struct Term
    {
        QString text;
        long long rank;
    };
    std::vector<Term> terms;
    const ItemPtr searchItem = text.isEmpty() ? ItemPtr() : d.GetType("search_request_text")->HasItem(Value(text));
    for (ItemPtr correlation : searchItem.GetItems("search_correlation"))
        terms.push_back(
            {correlation.GetItem("correlation_text").AsString(), correlation.GetItem("correlation_rank").AsInt64()});
    std::sort(terms.begin(), terms.end(), [](const Term& a, const Term& b) {
        return a.rank != b.rank ? a.rank > b.rank : a.text.compare(b.text, Qt::CaseInsensitive) < 0;
    });
    for (const Term& term : terms)
        if (!term.text.isEmpty())
            list->addItem(term.text);
    setVisible(list->count() > 0);
}
