#include "app/IconLocator.h"

#include "platform/Files.h"
#include "text/Text.h"

std::u16string locateIconFile(const std::u16string &name, const std::u16string &currentDir,
                              const std::u16string &programFolder,
                              const std::function<bool(const std::u16string &path)> &loads)
{
    if (name.empty())
        return {};
    std::u16string tried;
    for (const std::u16string &folder : {currentDir, programFolder}) {
        if (folder.empty())
            continue;
        const std::u16string path =
            Text::cleanPath(Files::isAbsolute(name) ? name : folder + u'/' + name);
        // The current directory is normally the program folder: one load is enough.
        if (path == tried)
            continue;
        tried = path;
        if (loads(path))
            return path;
    }
    return {};
}
