#include "PathUtil.h"

#include "StringUtil.h"

namespace orvkit {

std::string PathUtil::GetFileName(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string PathUtil::GetFileNameWithoutExt(const std::string& path)
{
    const std::string name = GetFileName(path);
    return name.substr(0, name.size() - Extension(name).size());
}

std::string PathUtil::Extension(const std::string& path)
{
    const std::string name = GetFileName(path);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) {
        return {};
    }
    return name.substr(dot);
}

std::string PathUtil::GetDirectory(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string PathUtil::ToUtf8(const std::wstring& path)
{
    return StringUtil::ToA(path.c_str());
}

} // namespace orvkit
