// Where the program finds an icon file it loads by its bare name.
#pragma once

#include <functional>
#include <string>

// The file `name` in the current directory if it loads, else the one in the
// program folder if it loads, else an empty text (the caller then uses its
// built-in copy). `loads` tries a path and says whether it gave a picture.
// Each folder is tried once, even when both name the same place.
std::u16string locateIconFile(const std::u16string &name, const std::u16string &currentDir,
                              const std::u16string &programFolder,
                              const std::function<bool(const std::u16string &path)> &loads);
