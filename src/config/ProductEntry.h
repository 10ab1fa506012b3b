// One device product of the settings file's product list.
#pragma once

#include <cstdint>
#include <string>

struct ProductEntry {
    std::int16_t ListIndex = 0;
    std::int16_t Kind = 0;
    std::u16string ProductName;
    bool operator==(const ProductEntry &) const = default;
};

// Turns the text of key "PRODUCTSLIST" + index into a record: the kind before
// the first comma, the name after it.
ProductEntry SplitList(std::int16_t index, const std::u16string &entry);
