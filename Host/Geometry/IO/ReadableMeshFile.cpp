// Mesh files made fit for OpenCASCADE's OBJ and STL readers: the OBJ check of every face's vertex
// references, counted as the reader counts them, and the copy of a file whose last line has no
// line break.
#include "Geometry/IO/ReadableMeshFile.h"

#include "Common/Core/ScopedTempFolder.h"
#include "Geometry/IO/MeshFileCheck.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace orvkit {

namespace {

namespace fs = std::filesystem;

const char* const kObjFormat = "OBJ";

// The references of a face line after its "f ", with the reader's own steps: a number, then
// "/uv" and "/normal" if there, then one separator; stops once past the limit.
int CountFaceVertices(const char* position)
{
    int count = 0;
    while (count <= MeshFileCheck::kMaxFaceVertices) {
        char* next = nullptr;
        std::strtol(position, &next, 10);
        if (next == position) {
            break;
        }
        position = next;
        for (int field = 0; field < 2 && *position == '/'; ++field) {
            std::strtol(position + 1, &next, 10);
            position = next;
        }
        ++count;
        if (*position == '\n' || *position == '\0') {
            break;
        }
        if (*position != ' ') {
            ++position;
        }
    }
    return count;
}

bool IsFaceLine(const std::string& line)
{
    return line.size() >= 2 && line[0] == 'f' && (line[1] == ' ' || line[1] == '\t');
}

// The check, which also tells whether the file ends where a line ends: an empty file does, one
// whose last byte is no line break or whose last line goes on with a '\' does not.
LoadFailure CheckObj(const std::string& path, bool& endsWithLineBreak)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return {}; // the file checks before the readers say why
    }
    std::vector<char> block(size_t(64) << 10);
    std::string line;     // one line as the reader sees it: a '\' before the end joins the next
    long long number = 1; // of the physical line that starts `line`
    long long physical = 1;
    auto finish = [&]() -> LoadFailure {
        if (IsFaceLine(line) &&
            CountFaceVertices(line.c_str() + 2) > MeshFileCheck::kMaxFaceVertices) {
            return {LoadFailureParseError, kObjFormat,
                    "a face of more than " + std::to_string(MeshFileCheck::kMaxFaceVertices) +
                        " vertices",
                    static_cast<int>(std::min<long long>(number, 0x7fffffff))};
        }
        line.clear();
        return {};
    };
    while (file) {
        file.read(block.data(), static_cast<std::streamsize>(block.size()));
        const char* data = block.data();
        const char* end = data + file.gcount();
        while (data != end) {
            const char* newline = static_cast<const char*>(std::memchr(data, '\n', end - data));
            if (newline == nullptr) {
                line.append(data, end);
                break;
            }
            line.append(data, newline);
            data = newline + 1;
            ++physical;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (!line.empty() && line.back() == '\\') {
                line.back() = ' ';
                continue;
            }
            if (LoadFailure failure = finish()) {
                return failure;
            }
            number = physical;
        }
    }
    endsWithLineBreak = line.empty();
    return finish();
}

// Whether the STL reader takes the file for text: shorter than a binary file of one facet (134
// bytes), or no byte past '~' in its first 134; and whether its last byte is a line break.
bool IsTextStlWithoutLastLineBreak(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    char head[134];
    file.read(head, sizeof(head));
    const std::streamsize length = file.gcount();
    if (length == 0 ||
        (length == std::streamsize(sizeof(head)) && std::any_of(head, head + length, [](char c) {
             return static_cast<unsigned char>(c) > static_cast<unsigned char>('~');
         }))) {
        return false;
    }
    file.clear();
    file.seekg(-1, std::ios::end);
    char last = '\n';
    return file.get(last) && last != '\n';
}

// `path` copied into `folder` under its own name, with a line break at its end. For OBJ, every
// "mtllib NAME" becomes the way from the folder up to the root and down to NAME beside the
// original, since the reader looks for material files in the folder of the file it reads.
// Empty when the copy could not be written.
std::string CopyWithLineBreak(const std::string& path, const fs::path& folder, bool obj)
{
    std::error_code code;
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string original =
        fs::absolute(slash == std::string::npos ? fs::path(".") : fs::path(path.substr(0, slash)),
                     code)
            .lexically_normal()
            .string();
    std::string up;
    for (const fs::path& part : fs::absolute(folder, code).lexically_normal().relative_path()) {
        if (!part.empty()) {
            up += "../";
        }
    }
    const std::string prefix = up + fs::path(original).relative_path().string() + "/";
    const std::string copy = (folder / name).string();
    std::ifstream in(path, std::ios::binary);
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    std::string line;
    while (in && out && std::getline(in, line)) {
        if (obj && line.compare(0, 6, "mtllib") == 0 && line.size() > 7 &&
            (line[6] == ' ' || line[6] == '\t')) {
            const size_t start = line.find_first_not_of(" \t", 7);
            if (start != std::string::npos) {
                line = "mtllib " + prefix + line.substr(start);
            }
        }
        // The last line goes on into nothing: its '\' would join the line break given it.
        if (obj && in.peek() == std::char_traits<char>::eof()) {
            while (!line.empty() && (line.back() == '\\' || line.back() == '\r')) {
                line.pop_back();
            }
        }
        out << line << '\n';
    }
    out.close();
    return in.eof() && out ? copy : std::string();
}

} // namespace

ReadableMeshFile::ReadableMeshFile(const std::string& path, EnumFormat format) : myPath(path)
{
    bool endsWithLineBreak = true;
    if (format == OBJ) {
        myRefusal = CheckObj(path, endsWithLineBreak);
    } else {
        endsWithLineBreak = !IsTextStlWithoutLastLineBreak(path);
    }
    if (myRefusal || endsWithLineBreak) {
        return;
    }
    myCopy = std::make_unique<ScopedTempFolder>("orvkit-mesh-");
    myPath = myCopy->GetPath().empty() ? std::string()
                                       : CopyWithLineBreak(path, myCopy->GetPath(), format == OBJ);
    if (myPath.empty()) {
        myRefusal = {LoadFailureParseError, format == OBJ ? "OBJ" : "STL",
                     "its last line has no line break, and no copy with one could be written "
                     "to the temporary folder"};
    }
}

ReadableMeshFile::~ReadableMeshFile() = default;

} // namespace orvkit
