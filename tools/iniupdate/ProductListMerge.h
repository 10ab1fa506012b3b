// Brings the product list of a newly shipped Nubrel.ini into an installed one:
// missing product entries are added, the user's own keys are never changed.
#pragma once

#include <string>

class ProductListMerge {
public:
    // The exit status of the tool: 0 merged (or nothing to add), 1 failed.
    static int run(const std::u16string &shippedFolder, const std::u16string &installedFolder);
};
