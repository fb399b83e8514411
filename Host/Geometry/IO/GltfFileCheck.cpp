// The glTF and GLB check. It reads the JSON as the reader's parser does (the first of a repeated
// key counts, strings are bytes, a GLB's JSON ends where its value ends), then holds every
// length and count the reader would act on against the bytes that are there.
#include "Geometry/IO/MeshFileCheck.h"

#include "Common/Core/StringUtil.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

namespace orvkit {

namespace {

const char* const kGltfFormat = "glTF";
// The one data URI the reader decodes; any other it takes for a file name.
const char* const kDataUri = "data:application/octet-stream;base64,";
const uint32_t kJsonChunk = 0x4E4F534A;
const uint32_t kBinChunk = 0x004E4942;

struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A JSON value as the reader's parser keeps it: members in file order, where a lookup finds the
// first of a repeated key, and strings as their bytes, whatever their encoding.
struct JsonValue {
    enum Kind : unsigned char { Null, Literal, Number, String, Array, Object };
    Kind kind = Null;
    bool integer = false; // a number written without fraction or exponent
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // The string as the reader sees it where it takes it for a C string: up to its first zero.
    std::string CText() const { return text.substr(0, text.find('\0')); }

    const JsonValue* Find(const char* key) const
    {
        for (const auto& [name, value] : members) {
            if (name == key) {
                return &value;
            }
        }
        return nullptr;
    }
};

// An iterative parser, so that no nesting reaches the end of a stack. It accepts all the reader
// accepts and a little more (control bytes in strings, unknown escapes, trailing text): a file it
// takes that the reader then refuses costs nothing, the other way round would let a file past
// unchecked.
class JsonParser {
public:
    JsonParser(const char* begin, const char* end) : myPos(begin), myEnd(end) {}

    bool Parse(JsonValue& root)
    {
        std::vector<JsonValue*> open;
        JsonValue* slot = &root;
        for (;;) {
            SkipSpace();
            if (myPos == myEnd) {
                return false;
            }
            if (*myPos == '{' || *myPos == '[') {
                if (open.size() >= static_cast<size_t>(MeshFileCheck::kMaxJsonDepth)) {
                    myTooDeep = true;
                    return false;
                }
                slot->kind = *myPos == '{' ? JsonValue::Object : JsonValue::Array;
                const char close = *myPos == '{' ? '}' : ']';
                ++myPos;
                SkipSpace();
                if (myPos != myEnd && *myPos == close) {
                    ++myPos;
                } else {
                    open.push_back(slot);
                    if ((slot = NextSlot(*slot)) == nullptr) {
                        return false;
                    }
                    continue;
                }
            } else if (!ParseScalar(*slot)) {
                return false;
            }
            // A value is complete: close what ends here, find where the next value goes.
            for (slot = nullptr; slot == nullptr;) {
                if (open.empty()) {
                    return true;
                }
                SkipSpace();
                if (myPos == myEnd) {
                    return false;
                }
                JsonValue& container = *open.back();
                if (*myPos == ',') {
                    ++myPos;
                    if ((slot = NextSlot(container)) == nullptr) {
                        return false;
                    }
                } else if (*myPos == (container.kind == JsonValue::Object ? '}' : ']')) {
                    ++myPos;
                    open.pop_back();
                } else {
                    return false;
                }
            }
        }
    }

    bool TooDeep() const { return myTooDeep; }

private:
    void SkipSpace()
    {
        while (myPos != myEnd &&
               (*myPos == ' ' || *myPos == '\t' || *myPos == '\n' || *myPos == '\r')) {
            ++myPos;
        }
    }

    // Where the next element of an open array or object goes; parses an object's key.
    // Pointers into the containers stay valid: a container only grows once its last element,
    // the only one that may be open, is closed.
    JsonValue* NextSlot(JsonValue& container)
    {
        if (container.kind == JsonValue::Array) {
            container.items.emplace_back();
            return &container.items.back();
        }
        SkipSpace();
        std::string key;
        if (!ParseString(key)) {
            return nullptr;
        }
        SkipSpace();
        if (myPos == myEnd || *myPos != ':') {
            return nullptr;
        }
        ++myPos;
        container.members.emplace_back(std::move(key), JsonValue());
        return &container.members.back().second;
    }

    bool ParseHex4(unsigned& code)
    {
        if (myEnd - myPos < 4) {
            return false;
        }
        code = 0;
        for (int i = 0; i < 4; ++i, ++myPos) {
            const char c = *myPos;
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) {
                return false;
            }
            code = code * 16 + static_cast<unsigned>(digit);
        }
        return true;
    }

    bool ParseString(std::string& out)
    {
        if (myPos == myEnd || *myPos != '"') {
            return false;
        }
        ++myPos;
        while (myPos != myEnd) {
            const char c = *myPos++;
            if (c == '"') {
                return true;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (myPos == myEnd) {
                return false;
            }
            const char escaped = *myPos++;
            switch (escaped) {
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned code = 0;
                if (!ParseHex4(code)) {
                    return false;
                }
                // A surrogate pair makes one code point; a lone half is kept as it stands.
                if (code >= 0xD800 && code < 0xDC00 && myEnd - myPos >= 6 && myPos[0] == '\\' &&
                    myPos[1] == 'u') {
                    const char* pair = myPos;
                    myPos += 2;
                    unsigned low = 0;
                    if (ParseHex4(low) && low >= 0xDC00 && low < 0xE000) {
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    } else {
                        myPos = pair;
                    }
                }
                StringUtil::AppendUtf8(out, code);
                break;
            }
            default:
                out += escaped;
                break; // \" \\ \/ and any other
            }
        }
        return false;
    }

    bool ParseScalar(JsonValue& value)
    {
        if (*myPos == '"') {
            value.kind = JsonValue::String;
            return ParseString(value.text);
        }
        for (const char* literal : {"true", "false", "null"}) {
            const size_t length = std::strlen(literal);
            if (static_cast<size_t>(myEnd - myPos) >= length &&
                std::memcmp(myPos, literal, length) == 0) {
                value.kind =
                    std::strcmp(literal, "null") == 0 ? JsonValue::Null : JsonValue::Literal;
                myPos += length;
                return true;
            }
        }
        const char* start = myPos;
        bool integer = true;
        while (myPos != myEnd && (std::strchr("+-0123456789.eE", *myPos) != nullptr && *myPos)) {
            integer = integer && std::strchr(".eE", *myPos) == nullptr;
            ++myPos;
        }
        if (myPos == start) {
            return false;
        }
        const std::string literal(start, myPos);
        char* parsedEnd = nullptr;
        value.number = std::strtod(literal.c_str(), &parsedEnd);
        value.kind = JsonValue::Number;
        value.integer = integer;
        return parsedEnd != literal.c_str();
    }

    const char* myPos;
    const char* myEnd;
    bool myTooDeep = false;
};

// One of the top-level collections ("accessors", "nodes", ...), found by reference as the
// reader finds it: by the reference's text, a key of a glTF 1.0 object or the decimal index into
// a glTF 2.0 array, so that 1 and "1" name the same element; a text ends at its first zero byte.
class Collection {
public:
    Collection() = default;
    Collection(const JsonValue& root, const char* name)
    {
        const JsonValue* collection = root.Find(name);
        if (collection == nullptr) {
            return;
        }
        if (collection->kind == JsonValue::Array) {
            for (const JsonValue& element : collection->items) {
                myKeys.emplace(std::to_string(myElements.size()), myElements.size());
                myNames.push_back(std::to_string(myElements.size()));
                myElements.push_back(&element);
            }
        } else if (collection->kind == JsonValue::Object) {
            for (const auto& [key, element] : collection->members) {
                // The first of a repeated key stays.
                myKeys.emplace(key.substr(0, key.find('\0')), myElements.size());
                myNames.push_back("'" + key + "'");
                myElements.push_back(&element);
            }
        }
    }

    size_t Size() const { return myElements.size(); }
    const JsonValue& At(size_t index) const { return *myElements[index]; }
    const std::string& Name(size_t index) const { return myNames[index]; }

    // The position of the element a reference names, or -1.
    long long IndexOf(const JsonValue* reference) const
    {
        std::string key;
        if (reference == nullptr) {
            return -1;
        } else if (reference->kind == JsonValue::String) {
            key = reference->CText();
        } else if (reference->kind == JsonValue::Number && reference->integer &&
                   std::fabs(reference->number) <= 2147483647.0) {
            key = std::to_string(static_cast<long long>(reference->number));
        } else {
            return -1;
        }
        const auto found = myKeys.find(key);
        return found == myKeys.end() ? -1 : static_cast<long long>(found->second);
    }

private:
    std::vector<const JsonValue*> myElements;
    std::vector<std::string> myNames;
    std::unordered_map<std::string, size_t> myKeys;
};

// The reader casts offsets, lengths and counts to integers without a look, so anything but a
// whole number of zero or more is refused; `absent` stands for a member that is not there or
// not a number, which the reader treats the same way.
uint64_t WholeNumber(const JsonValue* value, uint64_t absent, const std::string& what)
{
    if (value == nullptr || value->kind != JsonValue::Number) {
        return absent;
    }
    const double number = value->number;
    if (!(number >= 0 && number <= 9007199254740992.0) || std::floor(number) != number) {
        char text[32];
        std::snprintf(text, sizeof(text), "%.17g", number);
        throw Refusal(what + " is " + text + ", not a whole number of zero or more");
    }
    return static_cast<uint64_t>(number);
}

uint32_t ReadU32(const unsigned char* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

int ComponentSize(const JsonValue* componentType)
{
    if (componentType == nullptr || componentType->kind != JsonValue::Number ||
        !(std::fabs(componentType->number) < 1e9)) {
        return 0;
    }
    switch (static_cast<long long>(componentType->number)) {
    case 5120: // BYTE
    case 5121:
        return 1;
    case 5122: // SHORT
    case 5123:
        return 2;
    case 5125: // UNSIGNED_INT
    case 5126:
        return 4;
    default:
        return 0;
    }
}

int ComponentCount(const JsonValue* type)
{
    if (type == nullptr || type->kind != JsonValue::String) {
        return 0;
    }
    static const std::map<std::string, int> counts = {{"SCALAR", 1}, {"VEC2", 2}, {"VEC3", 3},
                                                      {"VEC4", 4},   {"MAT2", 4}, {"MAT3", 9},
                                                      {"MAT4", 16}};
    const auto found = counts.find(type->CText());
    return found == counts.end() ? 0 : found->second;
}

// The reader's decoder takes a byte outside the alphabet as an index into its table of 123
// entries, so such bytes never reach it. The length is the one that decoder makes.
std::string DecodeBase64(const std::string& text, const std::string& what)
{
    auto value = [](unsigned char c) -> int {
        if (c >= 'A' && c <= 'Z')
            return c - 'A';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 26;
        if (c >= '0' && c <= '9')
            return c - '0' + 52;
        if (c == '+' || c == '-')
            return 62;
        if (c == '/' || c == '_')
            return 63;
        if (c == '=')
            return 0;
        return -1;
    };
    for (const char c : text) {
        if (value(static_cast<unsigned char>(c)) < 0) {
            throw Refusal(what + " holds a byte that is not base64");
        }
    }
    const size_t length = text.size();
    if (length == 0) {
        return {};
    }
    size_t pad = (length % 4 != 0 || text[length - 1] == '=') ? 1 : 0;
    const size_t whole = ((length + 3) / 4 - pad) * 4;
    if (length > whole + 2 && text[whole + 2] != '=') {
        ++pad;
    }
    std::string bytes(whole / 4 * 3 + pad, '\0');
    auto at = [&](size_t i) { return i < length ? value(static_cast<unsigned char>(text[i])) : 0; };
    size_t out = 0;
    for (size_t i = 0; i < whole + (pad > 0 ? 4 : 0) && out < bytes.size(); i += 4) {
        const unsigned word = unsigned(at(i)) << 18 | unsigned(at(i + 1)) << 12 |
                              unsigned(at(i + 2)) << 6 | unsigned(at(i + 3));
        for (int shift = 16; shift >= 0 && out < bytes.size(); shift -= 8) {
            bytes[out++] = static_cast<char>((word >> shift) & 0xFF);
        }
    }
    return bytes;
}

// The scene tree, walked with a stack of our own: its depth, and how many nodes it places
// once every node is placed wherever it is a child (a node listed ten times as a child, ten
// levels deep, places ten billion); a node among its own descendants is refused too.
class NodeTreeCheck {
public:
    explicit NodeTreeCheck(const JsonValue& root)
        : myRoot(root), myNodes(root, "nodes"), myState(myNodes.Size(), Unseen),
          myHeight(myNodes.Size(), 1), myPlaced(myNodes.Size(), 1)
    {
    }

    // Throws a Refusal when the tree is too deep, a node is among its own descendants, or the
    // scenes place too many nodes.
    void Run()
    {
        for (size_t start = 0; start < myNodes.Size(); ++start) {
            if (myState[start] == Unseen) {
                WalkFrom(start);
            }
        }
        if (PlacedByScenes() > kMostPlaced) {
            throw Refusal("its scene places more than " + std::to_string(kMostPlaced) + " nodes");
        }
    }

private:
    enum State : unsigned char { Unseen, Open, Done };
    struct Frame {
        size_t node;
        size_t next; // the next child to look at
    };

    static constexpr uint64_t kMostPlaced = MeshFileCheck::kMaxPlacedNodes;
    static constexpr auto kDeepest = static_cast<uint32_t>(MeshFileCheck::kMaxNodeDepth);

    static Refusal TooDeep()
    {
        return Refusal("its node tree is more than " + std::to_string(kDeepest) + " levels deep");
    }

    // A node's list of children; null when it has none the reader would follow.
    const JsonValue* ChildrenOf(size_t node) const
    {
        const JsonValue* list = myNodes.At(node).Find("children");
        return list != nullptr && list->kind == JsonValue::Array ? list : nullptr;
    }

    // Depth first from `start` through the nodes below it not walked yet. A node is done once
    // all its children are: its height and what it places are known then.
    void WalkFrom(size_t start)
    {
        myState[start] = Open;
        std::vector<Frame> path{{start, 0}};
        while (!path.empty()) {
            const JsonValue* list = ChildrenOf(path.back().node);
            if (list == nullptr || path.back().next >= list->items.size()) {
                Close(path);
                continue;
            }
            const long long child = myNodes.IndexOf(&list->items[path.back().next++]);
            // A child that names no node the reader skips, with a warning.
            if (child >= 0) {
                Descend(path, static_cast<size_t>(child));
            }
        }
    }

    // Goes down to `child` of the node at the end of `path`, or counts it there when it is
    // done already.
    void Descend(std::vector<Frame>& path, size_t child)
    {
        if (myState[child] == Open) {
            throw Refusal("node " + myNodes.Name(child) + " is among its own descendants");
        }
        if (myState[child] == Done) {
            AddChild(path.back().node, child);
            return;
        }
        if (path.size() >= kDeepest) {
            throw TooDeep();
        }
        myState[child] = Open;
        path.push_back({child, 0});
    }

    // The node at the end of `path` is done: counted in its parent's height and placements.
    void Close(std::vector<Frame>& path)
    {
        const size_t done = path.back().node;
        myState[done] = Done;
        path.pop_back();
        if (!path.empty()) {
            AddChild(path.back().node, done);
        }
    }

    void AddChild(size_t parent, size_t child)
    {
        myHeight[parent] = std::max(myHeight[parent], myHeight[child] + 1);
        if (myHeight[parent] > kDeepest) {
            throw TooDeep();
        }
        myPlaced[parent] = std::min(myPlaced[parent] + myPlaced[child], kMostPlaced + 1);
    }

    // What the scenes place: their root nodes, each with all below it; past the most, one more.
    uint64_t PlacedByScenes() const
    {
        uint64_t total = 0;
        const Collection scenes(myRoot, "scenes");
        for (size_t scene = 0; scene < scenes.Size(); ++scene) {
            const JsonValue* roots = scenes.At(scene).Find("nodes");
            for (size_t r = 0; roots != nullptr && r < roots->items.size(); ++r) {
                const long long node = myNodes.IndexOf(&roots->items[r]);
                total = std::min(total + (node < 0 ? 0 : myPlaced[static_cast<size_t>(node)]),
                                 kMostPlaced + 1);
            }
        }
        return total;
    }

    const JsonValue& myRoot;
    const Collection myNodes;
    std::vector<State> myState;
    std::vector<uint32_t> myHeight;
    // The node and all it places below it.
    std::vector<uint64_t> myPlaced;
};

class GltfCheck {
public:
    explicit GltfCheck(const std::string& path) : myPath(path), myFile(path, std::ios::binary)
    {
        // Buffer file names are taken relative to this folder, as they stand (no URI decoding).
        const size_t slash = path.find_last_of('/');
        myFolder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    }

    // Throws a Refusal with the reason; returns when the reader may have the file, including
    // when it will refuse the file itself.
    void Run()
    {
        struct stat status {};
        if (::stat(myPath.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || !myFile) {
            return; // the file checks before the readers have said so already
        }
        myFileSize = static_cast<uint64_t>(status.st_size);
        JsonValue root;
        if (!ReadJson(root)) {
            return;
        }
        if (root.kind != JsonValue::Object) {
            // The reader would look for members in it all the same.
            throw Refusal("its JSON is not an object");
        }
        myAccessors = Collection(root, "accessors");
        myViews = Collection(root, "bufferViews");
        myBuffers = Collection(root, "buffers");
        myBufferBytes.resize(myBuffers.Size());
        // Every buffer, whether or not an accessor this check understands leads to it: the
        // reader may find its way there where the check did not.
        for (size_t buffer = 0; buffer < myBuffers.Size(); ++buffer) {
            BufferBytes(buffer);
        }
        CheckScene(root);
        CheckMeshes(root);
        CheckNodes(root);
    }

private:
    // Where a buffer's bytes are, and how many of them there really are.
    struct Bytes {
        bool resolved = false;
        bool found = false;  // false: the reader will not find the buffer and stops before reading
        uint64_t offset = 0; // in the file read, for a GLB's binary chunk or a .bin file
        uint64_t length = 0;
        std::string file;
        std::string data; // a decoded data URI
    };
    struct View {
        const Bytes* bytes = nullptr;
        uint64_t offset = 0;
        uint64_t length = 0;
        uint64_t stride = 0;
    };

    std::string ReadAt(uint64_t offset, uint64_t length)
    {
        std::string bytes;
        if (offset >= myFileSize) {
            return bytes;
        }
        bytes.resize(static_cast<size_t>(std::min(length, myFileSize - offset)));
        myFile.clear();
        myFile.seekg(static_cast<std::streamoff>(offset));
        myFile.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<size_t>(std::max<std::streamsize>(myFile.gcount(), 0)));
        return bytes;
    }

    // The JSON text, from the whole file or a GLB's first chunk; false when the reader will
    // refuse the file before reading any data (a broken GLB header, text that is not JSON).
    bool ReadJson(JsonValue& root)
    {
        const std::string header = ReadAt(0, 20);
        std::string text;
        const bool binary = header.size() >= 12 && header.compare(0, 4, "glTF") == 0;
        if (!binary) {
            text = ReadAt(0, myFileSize);
        } else if (!ReadGlbChunks(header, text)) {
            return false;
        }
        JsonParser parser(text.data(), text.data() + text.size());
        if (parser.Parse(root)) {
            return true;
        }
        if (parser.TooDeep()) {
            throw Refusal("its JSON nests more than " +
                          std::to_string(MeshFileCheck::kMaxJsonDepth) + " levels deep");
        }
        // The reader parses a GLB's JSON from the chunk's start to the end of the value,
        // whatever the chunk's length says, so a value cut short by that length could still
        // reach it unchecked. Text that is not JSON at all it refuses itself.
        if (binary) {
            throw Refusal("its JSON chunk does not hold a whole JSON value");
        }
        return false;
    }

    // A GLB's chunks, walked as the reader walks them: the JSON's text, and the binary chunk.
    bool ReadGlbChunks(const std::string& header, std::string& text)
    {
        const auto* bytes = reinterpret_cast<const unsigned char*>(header.data());
        const uint32_t version = ReadU32(bytes + 4);
        const uint64_t declared = ReadU32(bytes + 8);
        uint64_t jsonOffset = 0;
        uint64_t jsonLength = 0;
        myBinary = true;
        if (version == 1) {
            if (declared < 20 || header.size() < 20 || ReadU32(bytes + 16) != 0) {
                return false;
            }
            jsonOffset = 20;
            jsonLength = ReadU32(bytes + 12);
            myBinOffset = jsonOffset + jsonLength;
            myBinLength = declared > myBinOffset ? declared - myBinOffset : 0;
        } else {
            uint64_t position = 12;
            for (int chunk = 0; chunk < 2 && position + 8 <= declared; ++chunk) {
                const std::string chunkHeader = ReadAt(position, 8);
                if (chunkHeader.size() < 8) {
                    return false;
                }
                const auto* fields = reinterpret_cast<const unsigned char*>(chunkHeader.data());
                const uint64_t length = ReadU32(fields);
                position += 8;
                if (ReadU32(fields + 4) == kJsonChunk) {
                    jsonOffset = position;
                    jsonLength = length;
                } else if (ReadU32(fields + 4) == kBinChunk) {
                    myBinOffset = position;
                    myBinLength = length;
                }
                position += length;
            }
        }
        // What the binary chunk really holds, whatever its header says.
        myBinLength =
            myBinOffset < myFileSize ? std::min(myBinLength, myFileSize - myBinOffset) : 0;
        text = ReadAt(jsonOffset, jsonLength);
        return true;
    }

    const Bytes& BufferBytes(size_t index)
    {
        Bytes& bytes = myBufferBytes[index];
        if (bytes.resolved) {
            return bytes;
        }
        bytes.resolved = true;
        const JsonValue& buffer = myBuffers.At(index);
        const JsonValue* uri = buffer.Find("uri");
        const std::string name = "buffer " + myBuffers.Name(index);
        if (myBinary && (uri == nullptr || myBuffers.Name(index) == "'binary_glTF'")) { // 1.0
            bytes = {true, true, myBinOffset, myBinLength, myPath, {}};
        } else if (uri == nullptr || uri->kind != JsonValue::String || uri->CText().empty()) {
            return bytes; // the reader asks for a uri
        } else if (uri->CText().rfind(kDataUri, 0) == 0) {
            // Decoded to the string's full length, past any zero byte.
            bytes.found = true;
            bytes.data = DecodeBase64(uri->text.substr(std::strlen(kDataUri)), name + "'s data");
            bytes.length = bytes.data.size();
        } else {
            // Taken as a file name beside the file, as it stands.
            const std::string file = myFolder + uri->CText();
            struct stat status {};
            if (::stat(file.c_str(), &status) != 0) {
                return bytes; // the reader says the file is missing
            }
            if (!S_ISREG(status.st_mode)) {
                throw Refusal(name + " names '" + uri->CText() + "', which is not a regular file");
            }
            bytes.found = true;
            bytes.file = file;
            bytes.length = static_cast<uint64_t>(status.st_size);
        }
        return bytes;
    }

    // A buffer view held against its buffer's bytes; false when the reader will refuse it.
    bool ResolveView(const JsonValue* reference, View& view)
    {
        const long long index = myViews.IndexOf(reference);
        if (index < 0) {
            return false;
        }
        const JsonValue& bufferView = myViews.At(static_cast<size_t>(index));
        const std::string name = "buffer view " + myViews.Name(static_cast<size_t>(index));
        const long long buffer = myBuffers.IndexOf(bufferView.Find("buffer"));
        view.length = WholeNumber(bufferView.Find("byteLength"), 0, name + "'s byteLength");
        view.offset = WholeNumber(bufferView.Find("byteOffset"), 0, name + "'s byteOffset");
        view.stride = WholeNumber(bufferView.Find("byteStride"), 0, name + "'s byteStride");
        if (buffer < 0 || view.length == 0) {
            return false;
        }
        view.bytes = &BufferBytes(static_cast<size_t>(buffer));
        if (!view.bytes->found) {
            return false;
        }
        if (view.offset + view.length > view.bytes->length) {
            throw Refusal(name + " ends at byte " + std::to_string(view.offset + view.length) +
                          ", but buffer " + myBuffers.Name(static_cast<size_t>(buffer)) +
                          " holds " + std::to_string(view.bytes->length));
        }
        return true;
    }

    // The accessor's count, once its elements are known to lie inside its buffer view; 0 when
    // the reader will refuse the accessor itself. `data` gets where its elements are.
    uint64_t CheckAccessor(size_t index, View& view, uint64_t& offset, int& elementSize)
    {
        const JsonValue& accessor = myAccessors.At(index);
        const std::string name = "accessor " + myAccessors.Name(index);
        const int components = ComponentCount(accessor.Find("type"));
        const int componentSize = ComponentSize(accessor.Find("componentType"));
        const uint64_t count = WholeNumber(accessor.Find("count"), 0, name + "'s count");
        if (components == 0 || componentSize == 0 || count == 0 ||
            !ResolveView(accessor.Find("bufferView"), view)) {
            return 0;
        }
        offset = WholeNumber(accessor.Find("byteOffset"), 0, name + "'s byteOffset");
        elementSize = components * componentSize;
        // The reader steps by the view's stride (also for glTF 1.0, which keeps it on the
        // accessor).
        if (view.stride == 0) {
            view.stride = uint64_t(elementSize);
        }
        const unsigned __int128 needed =
            static_cast<unsigned __int128>(view.stride) * (count - 1) + offset + elementSize;
        if (needed > view.length) {
            throw Refusal(name + " declares " + std::to_string(count) + " elements, which need " +
                          (needed >> 64 != 0 ? std::string("more than 2^64")
                                             : std::to_string(static_cast<uint64_t>(needed))) +
                          " bytes, but its buffer view holds " + std::to_string(view.length));
        }
        return count;
    }

    // The largest value of an index accessor, read in blocks from where its bytes are.
    uint64_t LargestIndex(const View& view, uint64_t offset, uint64_t count, int size)
    {
        const Bytes& bytes = *view.bytes;
        const uint64_t start = view.offset + offset;
        uint64_t largest = 0;
        std::ifstream file;
        if (bytes.data.empty()) {
            file.open(bytes.file, std::ios::binary);
        }
        const uint64_t perBlock = std::max<uint64_t>(1, (uint64_t(1) << 20) / view.stride);
        std::string block;
        for (uint64_t first = 0; first < count; first += perBlock) {
            const uint64_t n = std::min(perBlock, count - first);
            const uint64_t begin = start + first * view.stride;
            const uint64_t length = (n - 1) * view.stride + uint64_t(size);
            if (!bytes.data.empty()) {
                block.assign(bytes.data, static_cast<size_t>(begin), static_cast<size_t>(length));
            } else {
                block.resize(static_cast<size_t>(length));
                file.seekg(static_cast<std::streamoff>(bytes.offset + begin));
                if (!file.read(block.data(), static_cast<std::streamsize>(length))) {
                    return largest; // the reader meets the same end and says so
                }
            }
            const auto* data = reinterpret_cast<const unsigned char*>(block.data());
            for (uint64_t i = 0; i < n; ++i) {
                const unsigned char* element = data + i * view.stride;
                const uint64_t value = size == 1 ? element[0]
                                       : size == 2
                                           ? uint64_t(element[0]) | uint64_t(element[1]) << 8
                                           : ReadU32(element);
                largest = std::max(largest, value);
            }
        }
        return largest;
    }

    // The default scene as the reader finds it: "scene", else the first of "scenes", which it
    // takes for an array without a look; and a scene without "nodes" it names in its error
    // through a "scene" member that may not be there.
    void CheckScene(const JsonValue& root)
    {
        const JsonValue* scene = root.Find("scene");
        const JsonValue* scenes = root.Find("scenes");
        const JsonValue* chosen = nullptr;
        if (scene != nullptr) {
            const Collection all(root, "scenes");
            const long long index = all.IndexOf(scene);
            chosen = index < 0 ? nullptr : &all.At(static_cast<size_t>(index));
        } else if (scenes != nullptr) {
            if (scenes->kind != JsonValue::Array) {
                throw Refusal("it names no default scene, and its scenes are not an array");
            }
            chosen = scenes->items.empty() ? nullptr : &scenes->items.front();
        }
        if (chosen != nullptr) {
            const JsonValue* nodes = chosen->Find("nodes");
            if (nodes == nullptr || nodes->kind != JsonValue::Array) {
                throw Refusal("its default scene has no list of nodes");
            }
        }
    }

    // Every triangle primitive's vertex attributes and indices, as the reader will read them.
    void CheckMeshes(const JsonValue& root)
    {
        const Collection meshes(root, "meshes");
        std::map<size_t, uint64_t> largestIndex; // by accessor: each is read once
        for (size_t mesh = 0; mesh < meshes.Size(); ++mesh) {
            const JsonValue* primitives = meshes.At(mesh).Find("primitives");
            if (primitives == nullptr || primitives->kind != JsonValue::Array) {
                continue;
            }
            for (size_t p = 0; p < primitives->items.size(); ++p) {
                const JsonValue& primitive = primitives->items[p];
                const JsonValue* mode = primitive.Find("mode");
                const JsonValue* extensions = primitive.Find("extensions");
                const JsonValue* attributes = primitive.Find("attributes");
                if ((mode != nullptr && !(mode->kind == JsonValue::Number && mode->number == 4)) ||
                    (extensions != nullptr &&
                     extensions->Find("KHR_draco_mesh_compression") != nullptr) ||
                    attributes == nullptr) {
                    continue; // not read as triangles, or decoded from a compressed stream
                }
                uint64_t vertices = 0;
                for (const char* attribute : {"POSITION", "NORMAL", "TEXCOORD_0"}) {
                    const long long accessor = myAccessors.IndexOf(attributes->Find(attribute));
                    View view;
                    uint64_t offset = 0;
                    int size = 0;
                    const uint64_t count =
                        accessor < 0
                            ? 0
                            : CheckAccessor(static_cast<size_t>(accessor), view, offset, size);
                    if (std::strcmp(attribute, "POSITION") == 0) {
                        vertices = count;
                    }
                }
                const long long indices = myAccessors.IndexOf(primitive.Find("indices"));
                if (indices < 0 || vertices == 0) {
                    continue;
                }
                View view;
                uint64_t offset = 0;
                int size = 0;
                const uint64_t count =
                    CheckAccessor(static_cast<size_t>(indices), view, offset, size);
                const int componentSize = ComponentSize(
                    myAccessors.At(static_cast<size_t>(indices)).Find("componentType"));
                if (count == 0 || size != componentSize) {
                    continue; // not a scalar accessor: the reader refuses it
                }
                auto known = largestIndex.find(static_cast<size_t>(indices));
                if (known == largestIndex.end()) {
                    known = largestIndex
                                .emplace(static_cast<size_t>(indices),
                                         LargestIndex(view, offset, count, size))
                                .first;
                }
                if (known->second >= vertices) {
                    throw Refusal("primitive " + std::to_string(p) + " of mesh " +
                                  meshes.Name(mesh) + " refers to vertex " +
                                  std::to_string(known->second) + ", but it has " +
                                  std::to_string(vertices));
                }
            }
        }
    }

    void CheckNodes(const JsonValue& root) { NodeTreeCheck(root).Run(); }

    std::string myPath;
    std::string myFolder;
    std::ifstream myFile;
    uint64_t myFileSize = 0;
    bool myBinary = false;
    uint64_t myBinOffset = 0;
    uint64_t myBinLength = 0;
    Collection myAccessors;
    Collection myViews;
    Collection myBuffers;
    std::vector<Bytes> myBufferBytes;
};

} // namespace

LoadFailure MeshFileCheck::Gltf(const std::string& path)
{
    try {
        GltfCheck(path).Run();
    } catch (const Refusal& refusal) {
        return {LoadFailureParseError, kGltfFormat, refusal.what()};
    } catch (const std::bad_alloc&) {
        return {LoadFailureParseError, kGltfFormat,
                "its JSON is too large for the memory there is"};
    }
    return {};
}

} // namespace orvkit
