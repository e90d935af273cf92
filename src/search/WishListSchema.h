#ifndef SEARCH_WISHLISTSCHEMA_H
#define SEARCH_WISHLISTSCHEMA_H

// Declares the wish-list item types ("wish_list_item" with its "wish_list_item_enabled" flag) and saves both;
// the settings schema and the configuration store must exist.
void DeclareWishListTypes();

#endif
