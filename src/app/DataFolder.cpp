#include "app/DataFolder.h"

#include "config/ProductListUpdate.h"
#include "config/basNbComIni.h"
#include "platform/Files.h"

#include <utility>

namespace {
const std::u16string OwnFolder = u"/Nubrel";
} // namespace

DataFolder::DataFolder(std::u16string programFolder)
    : m_program(std::move(programFolder)), m_data(m_program)
{
}

bool DataFolder::writable(const std::u16string &folder)
{
    const std::u16string probe = folder + u'/' + ProbeName;
    if (!Files::append(probe, {}))
        return false;
    // A second copy starting at the same moment may have removed it first.
    return Files::remove(probe) || !Files::exists(probe);
}

DataFolder DataFolder::choose(const std::u16string &programFolder,
                              const std::u16string &userDataHome)
{
    DataFolder folders(programFolder);
    if (writable(programFolder))
        return folders;
    const std::u16string own = userDataHome.empty() ? std::u16string() : userDataHome + OwnFolder;
    if (own.empty() || !Files::makeFolders(own) || !writable(own)) {
        folders.m_failed = true;
        folders.m_unusable = own;
        return folders;
    }
    seed(programFolder, own);
    folders.m_data = own;
    return folders;
}

void DataFolder::seed(const std::u16string &programFolder, const std::u16string &dataFolder)
{
    const basNbComIni shipped(programFolder);
    const basNbComIni own(dataFolder);
    if (!Files::exists(own.path())) {
        std::string bytes;
        // Without a shipped file the program starts on its defaults, as it
        // would beside a missing one.
        if (Files::read(shipped.path(), bytes))
            Files::replace(own.path(), bytes);
        return;
    }
    if (Files::exists(shipped.path()))
        ProductListUpdate::merge(shipped, own);
}
