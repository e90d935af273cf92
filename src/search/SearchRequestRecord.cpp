#include "search/SearchRequestRecord.h"

#include "store/Data.h"

ItemPtr RecordSearchRequest(unsigned int token, const QString& text, bool wishList)
{
    ItemPtr request = d.GetType("search_request")->NewItem(Value(token));
    request += d.GetType("search_request_text")->GetItem(text);
    if (wishList)
        request += d.GetType("wishlist_search")->GetGlobalNullItem();
    return request;
}
