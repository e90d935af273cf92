#include "search/WishListSchema.h"

#include "store/Data.h"
#include "store/DataSaver.h"

void DeclareWishListTypes()
{
    Type* item = d.NewType("wish_list_item", Primary, false, true);
    Type* enabled = d.NewType("wish_list_item_enabled", Tertiary, true, true);
    item->RelateToType(enabled, Many, One, false);
    dataSaver->AddSavedType("wish_list_item");
    dataSaver->AddSavedType("wish_list_item_enabled");
}
