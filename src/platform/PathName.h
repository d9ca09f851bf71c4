#pragma once
// Parts of a path as the shell names them. Both "\" and "/" separate components.
#include <string>

namespace platform {

// From the last "." of the last component, lower-cased; "" when there is none. A space
// after that dot means there is no extension, as the shell has it.
std::wstring PathExtension(const std::wstring& path);
// The last component.
std::wstring FileNamePart(const std::wstring& path);
// Everything before the last component, without the separator.
std::wstring FolderPart(const std::wstring& path);
// name inside folder: a "\" between them unless folder is empty or ends in a separator.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

}  // namespace platform
