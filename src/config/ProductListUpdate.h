// Brings the product list of a newly shipped Nubrel.ini into the user's own:
// the one rule for an install over an existing folder and for the per-user
// data folder.
#pragma once

class basNbComIni;

namespace ProductListUpdate {

struct Result {
    int added = 0;       // product entries the user's file did not have
    bool failed = false; // the user's file could not be written
};

// Adds every shipped PRODUCTSLIST<n> the user's file lacks or has empty, and
// raises PRODUCTSLISTCNT to the shipped count; every key the user has keeps
// its value. Writes nothing when nothing is new.
Result merge(const basNbComIni &shipped, const basNbComIni &installed);

} // namespace ProductListUpdate
