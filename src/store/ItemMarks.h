#ifndef STORE_ITEMMARKS_H
#define STORE_ITEMMARKS_H

#include "store/Item.h"

#include <cstdint>
#include <vector>

// Lends the scratch marks of items to one walk over many of them (the saver numbers the items it writes), so
// that the walk needs no table from item to number. Every mark it set is cleared again when it ends, however
// it ends: marks are zero outside of a walk. Walks do not nest, and nothing may remove a marked item meanwhile.
class ItemMarks
{
public:
    ItemMarks() = default;
    ItemMarks(const ItemMarks&) = delete;
    ItemMarks& operator=(const ItemMarks&) = delete;
    ~ItemMarks()
    {
        for (Item* item : marked)
            item->mark = 0;
    }

    // Gives the item a mark other than zero.
    void Set(Item* item, std::uint32_t mark)
    {
        marked.push_back(item);
        item->mark = mark;
    }
    static std::uint32_t Get(const Item* item) { return item->mark; }

private:
    std::vector<Item*> marked;
};

#endif
