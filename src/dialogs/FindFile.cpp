#include "dialogs/FindFile.h"

#include "platform/EventPump.h"
#include "platform/Files.h"
#include "text/Text.h"

#include <algorithm>

namespace {

// Name order without regard to case; names that differ only in case keep a
// fixed order among themselves.
bool listedBefore(const std::u16string &a, const std::u16string &b)
{
    const int c = Text::compareIgnoringCase(a, b);
    return c != 0 ? c < 0 : a < b;
}

void sortNames(std::vector<std::u16string> &names)
{
    std::sort(names.begin(), names.end(), listedBefore);
}

// The path with exactly one separator between it and a name that follows.
std::u16string withSeparator(const std::u16string &path)
{
    return path.ends_with(u'/') ? path : path + u'/';
}

} // namespace

bool FindFile(const std::u16string &fileName, const std::u16string &directory,
              std::u16string &found, EventPump &events)
{
    if (!found.empty())
        return true;
    const std::u16string base = withSeparator(Files::fromNativeSeparators(directory));
    // An unreadable directory lists nothing and is passed over; hidden entries
    // stay out of the listing, as in the system's own listers.
    Files::Listing listing = Files::list(base);
    sortNames(listing.folders);
    sortNames(listing.files);
    for (const std::u16string &sub : listing.folders) {
        // A whole drive takes long: the end of the program must not wait for it.
        if (!events.processPendingEvents() || !FindFile(fileName, base + sub, found, events))
            return false;
        if (!found.empty())
            return true;
    }
    for (const std::u16string &name : listing.files) {
        if (Text::equalsIgnoringCase(name, fileName)) {
            found = Files::toNativeSeparators(base + name);
            return true;
        }
    }
    return true;
}
