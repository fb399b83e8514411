#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <unordered_map>

namespace orvkit {

class MaterialInstance;
class Path;
class SceneNode;

// Reads one scene file format into a tree of scene nodes. A reader implements the narrow-path
// Load; the other three overloads are defined here and end in it.
class SceneReader {
public:
    SceneReader();
    virtual ~SceneReader();
    SceneReader(const SceneReader&) = delete;
    SceneReader& operator=(const SceneReader&) = delete;

    // Loads a scene handed over as named streams (file name to stream), such as a file and the
    // files it refers to, taken from an archive or from memory. The streams are written under
    // their names into a fresh temporary folder, the one whose extension this reader takes is
    // loaded from there, and the folder is removed again. Null when no stream or more than one
    // has such an extension, when a name is not a plain file name, when a stream is null or
    // when the load fails. `material` as for the Path overload.
    virtual std::shared_ptr<SceneNode>
    Load(const std::unordered_map<std::string, std::istream*>& streams, MaterialInstance* material);
    // Loads the file at `path`. A non-null `material` goes to every B-rep node that the file
    // leaves without a face or an edge material. Null when the load fails.
    virtual std::shared_ptr<SceneNode> Load(const Path& path, MaterialInstance* material);
    // Loads the file at a narrow (UTF-8) path: the root of a new tree, or null when the file
    // cannot be read.
    virtual std::shared_ptr<SceneNode> Load(const std::string& fileName) = 0;
    // As the Path overload, for a wide path.
    virtual std::shared_ptr<SceneNode> Load(const std::wstring& path, MaterialInstance* material);
    // Adds the reader's file-dialog filters, extension without dot to pattern ("wrl" to
    // "*.wrl"), replacing entries under the same keys and leaving the others.
    virtual void GetFilters(std::unordered_map<std::string, std::string>& filters) = 0;
    // Whether the reader takes files with this extension, given with its leading dot.
    virtual bool IsSupported(std::string extension) = 0;
};

} // namespace orvkit
